#include <gtest/gtest.h>

#include <set>

#include "device/com_names.h"
#include "device/mode_text.h"

namespace qv::device {
namespace {

TEST(ModeText, ReadsTheKeywordFormInAnyOrderAndCase) {
    SerialSettings s;
    ASSERT_TRUE(applyModeText("baud=115200 parity=N data=8 stop=1", s));
    EXPECT_EQ(s.baud, 115200);
    EXPECT_EQ(s.parity, 'N');
    EXPECT_EQ(s.dataBits, 8);
    EXPECT_EQ(s.stopBits, 1);
    ASSERT_TRUE(applyModeText("  STOP=2 Parity=e   data=7 to=off dtr=hs ", s));
    EXPECT_EQ(s.baud, 115200);  // not named: kept
    EXPECT_EQ(s.parity, 'E');
    EXPECT_EQ(s.dataBits, 7);
    EXPECT_EQ(s.stopBits, 2);
}

TEST(ModeText, ReadsTheShortForm) {
    SerialSettings s;
    ASSERT_TRUE(applyModeText("COM1: 96,n,8,1", s));
    EXPECT_EQ(s.baud, 9600);
    ASSERT_TRUE(applyModeText("19200,o,7,1.5,x", s));
    EXPECT_EQ(s.baud, 19200);
    EXPECT_EQ(s.parity, 'O');
    EXPECT_EQ(s.stopBits, 15);
}

TEST(ModeText, RefusesWhatIsNotModeSyntaxAndKeepsTheRecord) {
    for (const char* bad : {"", "baud=", "baud=fast", "parity=X", "data=9", "stop=3", "speed=9600",
                            "baud=9600 parity", "rts=maybe", "9600,n,8,1,q"}) {
        SerialSettings s;
        s.baud = 1200;
        EXPECT_FALSE(applyModeText(bad, s)) << bad;
        EXPECT_EQ(s.baud, 1200) << bad;
    }
}

TEST(ComNames, EnvironmentNamesThePortElseTheDefaultMapApplies) {
    const auto env = [](const std::string& name) -> std::optional<std::string> {
        if (name == "QUORVEL_COM4") {
            return std::string("/tmp/qv/COM4");
        }
        if (name == "QUORVEL_COM5") {
            return std::string();  // set but empty: as if unset
        }
        return std::nullopt;
    };
    const std::set<std::string> present{"/dev/ttyUSB4", "/dev/ttyS4", "/dev/ttyACM1"};
    const auto exists = [&](const std::string& p) { return present.count(p) > 0; };
    EXPECT_EQ(resolveDevicePath("COM4", env, exists), "/tmp/qv/COM4");
    EXPECT_EQ(resolveDevicePath("com5", env, exists), "/dev/ttyUSB4");  // USB before built-in
    EXPECT_EQ(resolveDevicePath("COM2", env, exists), "/dev/ttyACM1");
    EXPECT_EQ(resolveDevicePath("COM3", env, exists), "/dev/ttyS2");  // nothing there
    EXPECT_EQ(resolveDevicePath("/dev/pts/7", env, exists), "/dev/pts/7");
    EXPECT_EQ(resolveDevicePath("COM0", env, exists), "COM0");
    EXPECT_EQ(resolveDevicePath("COMX", env, exists), "COMX");
    EXPECT_EQ(comName(12), "COM12");
}

}  // namespace
}  // namespace qv::device

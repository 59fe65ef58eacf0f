#include <gtest/gtest.h>

#include "store/plate_format.h"
#include "store_fixture.h"

namespace qv {
namespace {

using testing::TempDir;
using testing::writeBytes;

std::string plateFile(const std::vector<std::pair<int, int>>& records) {
    std::string s = "\"Test plate\"\r\n\"<rows>,<pitch>,<offset>,<cols>,<pitch>,<offset>\"\r\n";
    s += "2,3.5,-0.25,3,4,0.5\r\n\"<label>,<well>,<beam>\"\r\n";
    for (std::size_t c = 0; c < records.size(); ++c) {
        s += "\"A" + std::to_string(c) + "\"," + std::to_string(records[c].first) + "," +
             std::to_string(records[c].second) + "\r\n";
    }
    return s;
}

std::string fallbackMessage(const std::string& code, int P) {
    return "Error [\\" + code + ".dat] ID#" + std::to_string(P) +
           " => Loading plate format from default: 384,96f or 96u...";
}

TEST(PlateDefaults, W384IsTheIdentity) {
    TempDir dir;
    ScriptedUi ui;
    PlateFormat p;
    std::string code = "w384";
    loadPlateFormat(dir.path(), code, p, ui);
    EXPECT_EQ(code, "w384");
    EXPECT_EQ(ui.messages, std::vector<std::string>{fallbackMessage("w384", 0)});
    for (int c = 0; c < kChannels; ++c) {
        ASSERT_EQ(p.wellOfChannel[c], c);
        ASSERT_EQ(p.channelOf(c, 0), c);
    }
    EXPECT_EQ(p.realWellCount(), 384);
}

TEST(PlateDefaults, UnknownCodeBecomesW96f) {
    TempDir dir;
    ScriptedUi ui;
    PlateFormat p;
    std::string code = "w24";
    EXPECT_FALSE(loadPlateFormat(dir.path(), code, p, ui));
    EXPECT_EQ(code, "w96f");
    EXPECT_EQ(ui.messages, std::vector<std::string>{fallbackMessage("w24", 0)});
    EXPECT_EQ(p.rows, 8);
    EXPECT_EQ(p.columnOffset, 0.0);
    EXPECT_EQ(p.largestBeam, 1);
}

TEST(PlateDefaults, W96fPairsAdjacentColumnsAndHasNoWell96) {
    PlateFormat p;
    ASSERT_TRUE(applyBuiltInPlateFormat("w96f", p));
    buildMap(p);
    EXPECT_EQ(p.channelOf(0, 0), 0);
    EXPECT_EQ(p.channelOf(0, 1), 16);
    EXPECT_EQ(p.channelOf(1, 0), 2);
    EXPECT_EQ(p.channelOf(1, 1), 18);
    EXPECT_EQ(p.channelOf(8, 0), 32);
    EXPECT_EQ(p.channelOf(8, 1), 48);
    EXPECT_EQ(p.largestWell, 96);
    EXPECT_EQ(p.beamsOfWell(95), 2);
    EXPECT_EQ(p.beamsOfWell(96), 0);
    EXPECT_EQ(p.channelOf(96, 0), -1);
    EXPECT_EQ(p.realWellCount(), 96);
    EXPECT_EQ(p.wellOfChannel[1], -1);
}

TEST(PlateDefaults, W96uUsesEvenRowsOfEvenColumns) {
    PlateFormat p;
    ASSERT_TRUE(applyBuiltInPlateFormat("w96u", p));
    buildMap(p);
    EXPECT_EQ(p.channelOf(0, 0), 0);
    EXPECT_EQ(p.channelOf(1, 0), 2);
    EXPECT_EQ(p.channelOf(8, 0), 32);
    for (int c : {1, 16, 17}) {
        EXPECT_EQ(p.wellOfChannel[c], -1) << c;
    }
    EXPECT_EQ(p.rowOffset, -0.5);
    EXPECT_EQ(p.columnOffset, -0.5);
    EXPECT_EQ(p.beamsOfWell(96), 0);
    EXPECT_EQ(p.realWellCount(), 96);
}

TEST(PlateFile, ReadsGeometryAndHigherChannelWins) {
    TempDir dir;
    writeBytes(dir / "w6.dat", plateFile({{0, 0}, {0, 0}, {1, 0}, {-1, 0}, {1, 2}}));
    ScriptedUi ui;
    PlateFormat p;
    std::string code = "w6";
    EXPECT_TRUE(loadPlateFormat(dir.path(), code, p, ui));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(code, "w6");
    EXPECT_EQ(p.rows, 2);
    EXPECT_EQ(p.rowPitch, 3.5);
    EXPECT_EQ(p.rowOffset, -0.25);
    EXPECT_EQ(p.columns, 3);
    EXPECT_EQ(p.columnPitch, 4.0);
    EXPECT_EQ(p.columnOffset, 0.5);
    EXPECT_EQ(p.channelOfWell[0][0], 1);
    EXPECT_EQ(p.largestWell, 1);
    EXPECT_EQ(p.largestBeam, 2);
    // Well 1 has beams 0 and 2; the empty cell between is no channel.
    EXPECT_EQ(p.beamsOfWell(1), 3);
    EXPECT_EQ(p.channelOf(1, 1), -1);
    EXPECT_EQ(p.channelOf(1, 2), 4);
    // Channels the file does not list lie in no well.
    EXPECT_EQ(p.wellOfChannel[5], -1);
    EXPECT_EQ(p.realWellCount(), 2);
}

TEST(PlateFile, CodeInAnotherCaseFindsTheFile) {
    TempDir dir;
    writeBytes(dir / "w6.dat", plateFile({{0, 0}}));
    PlateFormat p;
    EXPECT_TRUE(loadPlateFormatWithoutFallback(dir.path(), "W6", p).ok);
}

TEST(PlateFile, WithoutFallbackReportsAndKeepsTheRecord) {
    TempDir dir;
    PlateFormat p;
    ASSERT_TRUE(applyBuiltInPlateFormat("w96u", p));
    buildMap(p);
    const PlateFormat before = p;
    auto st = loadPlateFormatWithoutFallback(dir.path(), "w48", p);
    EXPECT_FALSE(st.ok);
    EXPECT_EQ(st.P, 0);

    writeBytes(dir / "w48.dat", plateFile({{0, 0}, {1, 0}}) + "\"A2\",3");
    st = loadPlateFormatWithoutFallback(dir.path(), "w48", p);
    EXPECT_FALSE(st.ok);
    EXPECT_EQ(st.P, 2);
    writeBytes(dir / "w48.dat", "\"t\",\"h\",0,1,0,12,1,0,\"c\"\r\n");  // no rows
    EXPECT_EQ(loadPlateFormatWithoutFallback(dir.path(), "w48", p).P, 1);
    EXPECT_EQ(p.wellOfChannel, before.wellOfChannel);
    EXPECT_EQ(p.rows, before.rows);

    for (const char* code : {"../w48", "", "a\\b"}) {
        EXPECT_FALSE(loadPlateFormatWithoutFallback(dir / "sub", code, p).ok) << code;
    }
}

TEST(PlateFile, RejectsNumbersNoPlateCanHave) {
    TempDir dir;
    ScriptedUi ui;
    writeBytes(dir / "w6.dat", plateFile({{0, 0}, {30000, 0}}));
    PlateFormat p;
    std::string code = "w6";
    loadPlateFormat(dir.path(), code, p, ui);
    EXPECT_EQ(ui.messages, std::vector<std::string>{fallbackMessage("w6", 2)});
    EXPECT_EQ(code, "w96f");
    EXPECT_EQ(p.largestWell, 96);
}

}  // namespace
}  // namespace qv

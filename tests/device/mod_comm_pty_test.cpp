// The serial layer against real pseudo-terminals through the POSIX backend: the test holds
// the device end (the master), the layer opens the other end as "COM3".
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "common/clock.h"
#include "device/com_module.h"
#include "device/mod_comm.h"
#include "device/posix_backend.h"

namespace qv::device {
namespace {

// Counts what the layer asks of the device while passing it on.
class CountingBackend : public SerialBackend {
  public:
    explicit CountingBackend(SerialBackend& inner) : inner_(inner) {}
    int reads = 0;
    int purges = 0;

    Opened open(const std::string& name) override {
        Opened o = inner_.open(name);
        if (o.device) {
            o.device = std::make_unique<Counting>(std::move(o.device), *this);
        }
        return o;
    }
    std::string systemText(int code) override { return inner_.systemText(code); }

  private:
    struct Counting : SerialDevice {
        Counting(std::unique_ptr<SerialDevice> d, CountingBackend& b) : d(std::move(d)), b(b) {}
        int setQueues(int i, int o) override { return d->setQueues(i, o); }
        int purge() override { return ++b.purges, d->purge(); }
        int setTimeouts(const CommTimeouts& t) override { return d->setTimeouts(t); }
        int getSettings(SerialSettings& s) override { return d->getSettings(s); }
        int setSettings(const SerialSettings& s) override { return d->setSettings(s); }
        Transfer read(std::uint8_t* buf, int n) override { return ++b.reads, d->read(buf, n); }
        Transfer write(const std::uint8_t* p, int n) override { return d->write(p, n); }
        int setLine(ModemLine l, bool s) override { return d->setLine(l, s); }
        std::uint32_t takeErrorFlags() override { return d->takeErrorFlags(); }
        int close() override { return d->close(); }
        std::unique_ptr<SerialDevice> d;
        CountingBackend& b;
    };
    SerialBackend& inner_;
};

class PtyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(grantpt(master_), 0);
        ASSERT_EQ(unlockpt(master_), 0);
        slave_ = ptsname(master_);
    }
    void TearDown() override {
        if (master_ >= 0) {
            close(master_);
        }
    }

    void deviceSends(const Bytes& bytes) {
        ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    Bytes deviceReceives(std::size_t n) {
        Bytes got;
        while (got.size() < n) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 1000) <= 0) {
                break;
            }
            std::uint8_t buf[512];
            const ssize_t k = read(master_, buf, std::min(sizeof buf, n - got.size()));
            if (k <= 0) {
                break;
            }
            got.insert(got.end(), buf, buf + k);
        }
        return got;
    }

    SystemClock realClock_;
    PosixBackend posix_{realClock_, [this](const std::string& name) -> std::optional<std::string> {
                            if (name == "QUORVEL_COM3") {
                                return slave_;
                            }
                            return std::string("/nonexistent/qv-port");
                        }};
    CountingBackend backend_{posix_};
    TestClock pauses_;  // the layer's own 5 ms pauses, counted instead of slept
    ModComm comm_{backend_, pauses_};
    int master_ = -1;
    std::string slave_;
};

TEST_F(PtyTest, SecondOpenIsRefusedAndTheFirstHandleKeepsWorking) {
    ASSERT_EQ(comm_.CommOpen(3, "COM3", kSerialSettings), 0);
    EXPECT_EQ(comm_.CommOpen(3, "COM3", kSerialSettings), -1);
    EXPECT_EQ(comm_.lastError().code, -1);
    EXPECT_EQ(comm_.lastError().context, "CommOpen");
    EXPECT_EQ(comm_.lastError().message, "Port in use.");

    EXPECT_EQ(comm_.CommWrite(3, Bytes{1, 2, 3}), 3);
    EXPECT_EQ(deviceReceives(3), (Bytes{1, 2, 3}));
    deviceSends({9, 8});
    Bytes in;
    EXPECT_EQ(comm_.CommRead(3, in, 2), 2);
    EXPECT_EQ(in, (Bytes{9, 8}));

    // The same device under another port number: nobody shares a port in use.
    EXPECT_NE(comm_.CommOpen(5, slave_, kSerialSettings), 0);
    EXPECT_EQ(comm_.lastError().context, "CommOpen (CreateFile)");
    EXPECT_FALSE(comm_.isOpen(5));
}

TEST_F(PtyTest, FailedOpenLeavesThePortClosedAndCanBeTriedAgain) {
    const std::int32_t rc = comm_.CommOpen(3, "COM4", kSerialSettings);
    EXPECT_EQ(rc, ENOENT);
    EXPECT_EQ(comm_.lastError().context, "CommOpen (CreateFile)");
    EXPECT_FALSE(comm_.isOpen(3));
    EXPECT_EQ(comm_.CommOpen(3, "COM3", kSerialSettings), 0);
    EXPECT_EQ(comm_.CommClose(3), 0);
    EXPECT_EQ(comm_.CommClose(3), 0);  // closing a closed port is fine and does nothing
}

TEST_F(PtyTest, BadModeTextFailsAfterTheDeviceOpenedAndLeavesItToClose) {
    EXPECT_EQ(comm_.CommOpen(3, "COM3", "baud=fast parity=N"), EINVAL);
    EXPECT_EQ(comm_.lastError().context, "CommOpen (BuildCommDCB)");
    EXPECT_TRUE(comm_.isOpen(3));
    EXPECT_EQ(comm_.CommClose(3), 0);
    EXPECT_FALSE(comm_.isOpen(3));
}

TEST_F(PtyTest, ShortReplyReturnsWhatCameAfterFiveAttemptsAndPurges) {
    ASSERT_EQ(comm_.CommOpen(3, "COM3", kSerialSettings), 0);
    const int purgesAtOpen = backend_.purges;
    deviceSends({0x42});
    Bytes in;
    EXPECT_EQ(comm_.CommRead(3, in, 2), 1);
    EXPECT_EQ(in, (Bytes{0x42}));
    EXPECT_EQ(backend_.reads, 5);
    EXPECT_EQ(pauses_.totalSleptMs(), 5 * 5);
    EXPECT_EQ(backend_.purges, purgesAtOpen + 1);
}

TEST_F(PtyTest, BurstsAreJoinedInArrivalOrder) {
    ASSERT_EQ(comm_.CommOpen(3, "COM3", kSerialSettings), 0);
    Bytes sent;
    for (int i = 0; i < 48; ++i) {
        sent.push_back(static_cast<std::uint8_t>(200 - i));
    }
    // Gaps longer than the interval time-out, so each burst ends a read of its own.
    std::thread device([&] {
        SystemClock c;
        for (int burst = 0; burst < 3; ++burst) {
            const Bytes part(sent.begin() + burst * 16, sent.begin() + burst * 16 + 16);
            write(master_, part.data(), part.size());
            c.sleepMs(150);
        }
    });
    Bytes in;
    const std::int32_t got = comm_.CommRead(3, in, 48);
    device.join();
    EXPECT_EQ(got, 48);
    EXPECT_EQ(in, sent);
    EXPECT_GE(backend_.reads, 3);
}

TEST_F(PtyTest, EveryByteValuePassesBothWays) {
    ASSERT_EQ(comm_.CommOpen(3, "COM3", kSerialSettings), 0);
    Bytes all;
    for (int v = 0; v < 256; ++v) {
        all.push_back(static_cast<std::uint8_t>(v));
    }
    EXPECT_EQ(comm_.CommWrite(3, all), 256);
    EXPECT_EQ(deviceReceives(256), all);
    deviceSends(all);
    Bytes in;
    EXPECT_EQ(comm_.CommRead(3, in, 256), 256);
    EXPECT_EQ(in, all);
}

TEST_F(PtyTest, CommunicationFailureNamesTheStepAndTheErrorFlags) {
    ASSERT_EQ(comm_.CommOpen(3, "COM3", kSerialSettings), 0);
    close(master_);  // the device end hangs up
    master_ = -1;
    EXPECT_EQ(comm_.CommWrite(3, Bytes{0xFF, 0, 0, 0, 0xF0}), -1);
    EXPECT_EQ(comm_.lastError().context, "CommWrite (WriteFile)");
    EXPECT_EQ(comm_.lastError().code, EIO);
    const std::string& m = comm_.lastError().message;
    const std::string tail = "  COMM Error Flags = 0";
    ASSERT_GE(m.size(), tail.size());
    EXPECT_EQ(m.substr(m.size() - tail.size()), tail) << m;
    EXPECT_GT(m.size(), tail.size());  // the system's text comes first

    Bytes in;
    EXPECT_EQ(comm_.CommRead(3, in, 2), 0);
    // The read fails, and then so does the purge after the short read: the last failure
    // is what the record keeps.
    EXPECT_EQ(comm_.lastError().context, "CommFlush (PurgeComm)");
}

}  // namespace
}  // namespace qv::device

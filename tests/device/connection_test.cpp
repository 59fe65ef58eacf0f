#include "device/connection.h"

#include <gtest/gtest.h>

#include "bench.h"
#include "common/file_util.h"
#include "device/serial_com_setting.h"
#include "support/temp_dir.h"

namespace qv::device {
namespace {

using testing::Bench;

// Records the status line each time the search lets events through.
struct Recorder : ScriptedUi {
    const ConnectionView* view = nullptr;
    std::vector<std::string> shown;
    void processEvents() override {
        ScriptedUi::processEvents();
        shown.push_back(view->lbl_autochannel);
    }
};

class ConnectionTest : public ::testing::Test {
  protected:
    ConnectionTest() { recorder_.view = &connection_.view(); }
    Recorder recorder_;
    TestClock clock_;
    InProcessBackend backend_{clock_};
    ModComm comm_{backend_, clock_};
    LinkState state_;
    ComModule com_{comm_, clock_, recorder_, state_};
    std::vector<std::int16_t> saved_;
    Connection connection_{com_, clock_, recorder_,
                           [this](std::int16_t p) { saved_.push_back(p); }};
    std::vector<std::unique_ptr<sim::Firmware>> instruments_;
    std::vector<std::unique_ptr<ModelLine<sim::Firmware>>> lines_;

    sim::Firmware& instrument(int port, int serial, double silence = 0) {
        sim::InstrumentConfig c;
        c.serialNumber = serial;
        c.faults.silence = silence;
        instruments_.push_back(std::make_unique<sim::Firmware>(clock_, c));
        lines_.push_back(std::make_unique<ModelLine<sim::Firmware>>(*instruments_.back()));
        backend_.attach(comName(port), *lines_.back());
        return *instruments_.back();
    }
    int opens(int port) { return backend_.counters(comName(port)).opens; }
    // The ports of the "Opening Port [n]" texts, in the order shown.
    std::vector<int> searched() {
        std::vector<int> ports;
        for (const std::string& t : recorder_.shown) {
            if (t.rfind("Opening Port [", 0) == 0) {
                ports.push_back(std::stoi(t.substr(14)));
            }
        }
        return ports;
    }
};

TEST_F(ConnectionTest, ConfiguredPortAnsweringStaysOpenAndNothingElseIsTried) {
    for (int p = 1; p <= 15; ++p) {
        instrument(p, p == 4 ? 123 : 77);
    }
    state_.currentPort = 4;
    connection_.connectAction();
    EXPECT_EQ(state_.serialNumber, 123);
    EXPECT_EQ(state_.currentPort, 4);
    EXPECT_TRUE(comm_.isOpen(4));
    EXPECT_TRUE(state_.connected);
    EXPECT_FALSE(state_.offline);
    for (int p = 1; p <= 15; ++p) {
        EXPECT_EQ(opens(p), p == 4 ? 2 : 0) << p;  // probed, then opened to stay
    }
    EXPECT_TRUE(state_.factoryCalibration);
    EXPECT_DOUBLE_EQ(state_.temperatureOffset, 0.5);
    EXPECT_EQ(state_.calibrationMonth, 6);
    EXPECT_EQ(state_.calibrationYear, 24);
    EXPECT_EQ(searched(), (std::vector<int>{4}));
    EXPECT_NE(
        std::find(recorder_.shown.begin(), recorder_.shown.end(), "Reading Factory Calibration..."),
        recorder_.shown.end());
    EXPECT_TRUE(recorder_.messages.empty());
    // The menu ticks the port in use; the panel is gone and its texts cleared.
    for (int i = 0; i < kSearchPorts; ++i) {
        EXPECT_EQ(connection_.view().mncom[static_cast<std::size_t>(i)], i == 3);
    }
    EXPECT_FALSE(connection_.view().frm_autotext);
    EXPECT_TRUE(connection_.view().lbl_autochannel.empty());
}

TEST_F(ConnectionTest, AnIdentificationBelowTenStartsTheSearchOverAtPortOne) {
    instrument(4, 5);
    instrument(2, 77);
    state_.currentPort = 4;
    connection_.connectAction();
    EXPECT_EQ(searched(), (std::vector<int>{4, 1, 2}));
    EXPECT_EQ(state_.currentPort, 2);
    EXPECT_EQ(state_.serialNumber, 77);
    EXPECT_TRUE(comm_.isOpen(2));
    EXPECT_FALSE(comm_.isOpen(4));
    EXPECT_EQ(connection_.view().LblNews, "Status = Connected on COM[ 2 ]");
}

TEST_F(ConnectionTest, OnlyPortFifteenAnswersAfterOneToFourteenInOrder) {
    for (int p = 1; p <= 14; ++p) {
        // Odd ports answer 300, which is no serial number; even ports are silent.
        instrument(p, 300, p % 2 == 0 ? 1.0 : 0.0);
    }
    instrument(15, 200);
    state_.currentPort = 16;
    const std::int64_t t0 = clock_.monotonicMs();
    connection_.portSearch();
    std::vector<int> expected{16};
    for (int p = 1; p <= 15; ++p) {
        expected.push_back(p);
    }
    EXPECT_EQ(searched(), expected);
    EXPECT_EQ(state_.currentPort, 15);
    EXPECT_EQ(state_.serialNumber, 200);
    EXPECT_TRUE(comm_.isOpen(15));
    // Seven silent ports cost two full read budgets each; nothing waits beyond that.
    const std::int64_t budget = 16 * 100 + 7 * 2 * (10 + 5 + 2525) + 15 * 2 * 10;
    EXPECT_LE(clock_.monotonicMs() - t0, budget);
    EXPECT_GE(clock_.monotonicMs() - t0, 7 * 2 * 2525);
}

TEST_F(ConnectionTest, NothingFoundAndEnterGoesOffline) {
    recorder_.queueInput(std::string());
    state_.currentPort = 4;
    connection_.connectAction();
    ASSERT_EQ(recorder_.prompts.size(), 1u);
    EXPECT_EQ(recorder_.prompts[0],
              "COM(15) PORT ERROR. Type New Port number or <Enter> to go Offline");
    EXPECT_TRUE(state_.offline);
    EXPECT_FALSE(state_.connected);
    EXPECT_EQ(recorder_.messages, (std::vector<std::string>{"PORT NOT FOUND"}));
    EXPECT_TRUE(connection_.view().startScreenShown);
    EXPECT_DOUBLE_EQ(state_.temperatureSlope, 0.219);
    EXPECT_TRUE(saved_.empty());
}

TEST_F(ConnectionTest, TypedNumbersOutsideOneToFifteenGoOfflineWithoutTheInvalidMessage) {
    for (const char* typed : {"0", "16", "abc"}) {
        recorder_.messages.clear();
        recorder_.queueInput(std::string(typed));
        state_ = LinkState{};
        connection_.portSearch();
        EXPECT_TRUE(state_.offline) << typed;
        EXPECT_TRUE(recorder_.messages.empty()) << typed;
    }
    EXPECT_TRUE(recorder_.scriptUsedUp());
}

TEST_F(ConnectionTest, TypedPortThatCannotOpenIsInvalid) {
    recorder_.queueInput(std::string("9"));
    connection_.portSearch();
    EXPECT_TRUE(state_.offline);
    EXPECT_EQ(recorder_.messages, (std::vector<std::string>{"Invalid Port Number. Offline Mode"}));
    EXPECT_TRUE(saved_.empty());
}

// A typed port that opens is saved, then identified like any other: a device that does not
// name itself leaves the program offline, never "connected" to a port it cannot talk to.
TEST_F(ConnectionTest, TypedPortIsSavedButWithoutAnIdentificationGoesOffline) {
    instrument(7, 123, 1.0);  // a device that is there but does not identify
    recorder_.queueInput(std::string(" 7"));
    connection_.connectAction();
    EXPECT_EQ(saved_, (std::vector<std::int16_t>{7}));
    EXPECT_TRUE(state_.offline);
    EXPECT_FALSE(state_.connected);
    EXPECT_FALSE(comm_.isOpen(7));
    EXPECT_EQ(state_.serialNumber, 0);
    EXPECT_EQ(recorder_.messages, (std::vector<std::string>{"PORT NOT FOUND"}));
    EXPECT_TRUE(connection_.view().startScreenShown);
}

// An instrument switched on while the question waited is found on the typed port.
TEST_F(ConnectionTest, TypedPortWhereTheInstrumentNowAnswersConnects) {
    testing::ScriptedLine line;
    line.queue({});  // the search's two attempts on port 7 hear nothing
    line.queue({});
    line.queue({0, 123});
    backend_.attach("COM7", line);
    state_.currentPort = 4;
    recorder_.queueInput(std::string("7"));
    connection_.connectAction();
    EXPECT_EQ(saved_, (std::vector<std::int16_t>{7}));
    EXPECT_TRUE(state_.connected);
    EXPECT_FALSE(state_.offline);
    EXPECT_EQ(state_.serialNumber, 123);
    EXPECT_TRUE(comm_.isOpen(7));
    EXPECT_EQ(connection_.view().LblNews, "Status = Connected on COM[ 7 ]");
}

TEST_F(ConnectionTest, ABoundedSearchStopsAtItsLastPort) {
    instrument(5, 123);
    state_.currentPort = 4;
    connection_.setLastSearchPort(3);
    recorder_.queueInput(std::nullopt);
    connection_.connectAction();
    EXPECT_EQ(searched(), (std::vector<int>{4, 1, 2, 3}));
    EXPECT_EQ(opens(5), 0);
    EXPECT_TRUE(state_.offline);
    ASSERT_EQ(recorder_.prompts.size(), 1u);
    EXPECT_EQ(recorder_.prompts[0],
              "COM(3) PORT ERROR. Type New Port number or <Enter> to go Offline");
}

// An instrument that identified itself during the search and then went away: the connection
// holds until someone asks again, and then it is gone.
TEST_F(ConnectionTest, ConfirmingAnInstrumentThatWentAwayEndsOffline) {
    testing::ScriptedLine line;
    line.queue({0, 123});
    backend_.attach("COM4", line);
    state_.currentPort = 4;
    connection_.connectAction();
    ASSERT_TRUE(state_.connected);
    EXPECT_FALSE(connection_.confirmInstrument());
    EXPECT_FALSE(state_.connected);
    EXPECT_TRUE(state_.offline);
    EXPECT_EQ(state_.serialNumber, 0);
    EXPECT_FALSE(comm_.isOpen(4));
}

TEST_F(ConnectionTest, ConfirmingAnInstrumentStillThereKeepsTheConnection) {
    instrument(4, 123);
    state_.currentPort = 4;
    connection_.connectAction();
    EXPECT_TRUE(connection_.confirmInstrument());
    EXPECT_TRUE(state_.connected);
    EXPECT_TRUE(comm_.isOpen(4));
    EXPECT_EQ(state_.serialNumber, 123);
}

TEST_F(ConnectionTest, ComMenuChoiceSavesWithoutTouchingTheOpenPort) {
    instrument(4, 123);
    state_.currentPort = 4;
    connection_.connectAction();
    connection_.chooseComPort(12);
    connection_.chooseComPort(7);
    for (int i = 0; i < kSearchPorts; ++i) {
        EXPECT_EQ(connection_.view().mncom[static_cast<std::size_t>(i)], i == 6);
    }
    EXPECT_EQ(saved_, (std::vector<std::int16_t>{12, 7}));
    EXPECT_EQ(state_.currentPort, 7);
    EXPECT_TRUE(comm_.isOpen(4));
}

TEST_F(ConnectionTest, DisconnectClosesUnlessOffline) {
    instrument(4, 123);
    state_.currentPort = 4;
    connection_.connectAction();
    connection_.disconnect();
    EXPECT_FALSE(comm_.isOpen(4));
    EXPECT_FALSE(state_.connected);
    EXPECT_FALSE(state_.offline);

    ASSERT_EQ(comm_.CommOpen(4, "COM4", kSerialSettings), 0);
    state_.offline = true;
    connection_.disconnect();
    EXPECT_TRUE(comm_.isOpen(4));
}

TEST_F(ConnectionTest, SilentCalibrationLeavesTheDefaultsWithinItsBudget) {
    // Answers the identification of the search, then nothing more.
    testing::ScriptedLine line;
    line.queue({0, 123});
    backend_.attach("COM4", line);
    state_.currentPort = 4;
    state_.temperatureSlope = 0.3;
    const std::int64_t t0 = clock_.monotonicMs();
    connection_.connectAction();
    EXPECT_TRUE(state_.connected);
    EXPECT_FALSE(state_.offline);
    EXPECT_FALSE(state_.factoryCalibration);
    EXPECT_DOUBLE_EQ(state_.temperatureSlope, 0.219);
    // Eight bytes, three pairs each: two silent queries, the pauses, the wake-up query.
    const std::int64_t read = 5 * 500 + 5 * 5;
    const std::int64_t pair = 2 * (read + 200) + (5 + read) + 200;
    EXPECT_LE(clock_.monotonicMs() - t0, 100 + 5 + 8 * 3 * pair);
    EXPECT_EQ(line.frames.size(), 1u + 8 * 3 * 3);
}

TEST_F(ConnectionTest, FailingLineDuringTheSearchEndsOffline) {
    instrument(4, 123);
    state_.currentPort = 4;
    backend_.failAfterOperations(3);  // the probe's open gets half way
    recorder_.queueInput(std::nullopt);
    const std::int64_t t0 = clock_.monotonicMs();
    connection_.connectAction();
    EXPECT_TRUE(state_.offline);
    EXPECT_FALSE(comm_.isOpen(4));
    EXPECT_LE(clock_.monotonicMs() - t0, 16 * 100);
}

TEST(SerialComSetting, TypedPortIsWrittenIntoConfigDat) {
    qv::testing::TempDir dir;
    Bench b;
    AppConfig config;
    config.Actual_Project_Number = 3;
    config.Last_Project = 5;
    Connection connection(b.com, b.clock, b.ui, saveSerialComTo(dir.path(), config, b.ui));
    b.silentPort(9);
    b.ui.queueInput(std::string("9"));
    connection.portSearch();
    const auto text = readFile(dir / "config.dat");
    ASSERT_TRUE(text.has_value());
    EXPECT_NE(text->find("3,5,9,0"), std::string::npos) << *text;

    connection.chooseComPort(11);
    AppConfig back;
    loadConfiguration(dir.path(), back, b.ui);
    EXPECT_EQ(back.Serial_COM, 11);
    EXPECT_EQ(back.Actual_Project_Number, 3);
}

}  // namespace
}  // namespace qv::device

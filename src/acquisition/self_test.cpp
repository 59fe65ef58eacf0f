#include "acquisition/self_test.h"

#include <fstream>

#include "acquisition/block_reply.h"
#include "common/canvas.h"
#include "common/number_format.h"
#include "device/register_map.h"

namespace qv {

namespace {

constexpr int kRequests = 128;
constexpr int kFull = 7;
constexpr int kReduced = 2;
constexpr const char* kIdleLabel =
    "T = __ \xB0"
    "C";
constexpr const char* kQuestion =
    "DEVICE TEST:\r\nLigth Microbeams will be adjusted to maximum and minimum.\r\n"
    "Please, remove any microplate from the slot\r\n and close Quorvel door";

std::string stamp(const DateTime& t) {
    return formatPadded(t.year, 4) + "-" + formatPadded(t.month, 2) + "-" + formatPadded(t.day, 2) +
           "_" + formatPadded(t.hour, 2) + ":" + formatPadded(t.minute, 2);
}

}  // namespace

SelfTestControls SelfTestControls::of(Controls& c) {
    return {controlOf(c, "Timer_test", ControlKind::Timer),
            controlOf(c, "lbl_temperature", ControlKind::Label, kIdleLabel),
            controlOf(c, "picturetime", ControlKind::Picture),
            controlOf(c, "lbl_autorestart", ControlKind::Label),
            controlOf(c, "Picact", ControlKind::Picture)};
}

SelfTest::SelfTest(CareContext& care, SelfTestControls controls) : care_(care), c_(controls) {
    c_.Timer_test.intervalMs = 100;
    c_.Timer_test.enabled = false;
    c_.lbl_autorestart.visible = false;
}

void SelfTest::mnstatustest_Click() {
    if (care_.state.runState != 0) {
        care_.ui.message("Stop acquisition before Testing");
        return;
    }
    if (care_.ui.ask(kQuestion, Buttons::OkCancel) != Answer::Ok) {
        c_.Timer_test.enabled = false;
        if (restoreActivityPicture) {
            restoreActivityPicture();
        } else if (Canvas* pic = c_.Picact.canvas) {
            pic->clear(colors::white);
        }
        return;
    }
    levels_.fill(0);
    gradings_.clear();
    aborted_ = completed_ = reportFailed_ = false;
    drawLevels();
    c_.lbl_autorestart.text = "Open and close Quorvel Door to see sensing changes";
    c_.lbl_autorestart.visible = true;
    step_ = 0;
    c_.Timer_test.enabled = true;
    serial_ = care_.com.identificationQuery();
    c_.lbl_temperature.text = "SN" + std::to_string(serial_);
    report_ = care_.store.applicationFolder() / ("testdev" + std::to_string(serial_) + ".txt");
    std::ofstream(report_, std::ios::binary | std::ios::trunc);
    append({"Serial:SN" + std::to_string(serial_) + " " + stamp(care_.clock.now())});
}

void SelfTest::Timer_test_Timer() {
    if (step_ > kAborted - 1 || !c_.Timer_test.enabled) {
        return;
    }
    if (!readLevels()) {
        care_.ui.message("COM Error");
        abort();
        finish();
        return;
    }
    drawLevels();
    drawProgress();
    if (!act()) {
        abort();
    }
    ++step_;
    if (step_ > kLastStep) {
        completed_ = !aborted_;
        finish();
    }
}

// 128 requests of the 192-byte form; each carries 32 channels of every bank, so every channel
// ends with the newest value that reached it.
bool SelfTest::readLevels() {
    for (int request = 0; request < kRequests; ++request) {
        const device::Bytes reply =
            care_.com.blockRead(request, device::reg::kCalibrationBlockBytes);
        const auto values = decodeServiceReply(reply);
        if (!values) {
            return false;
        }
        for (int i = 0; i < kServiceReplyValues; ++i) {
            levels_[static_cast<std::size_t>(serviceReplyChannel(request, i))] =
                (*values)[static_cast<std::size_t>(i)];
        }
    }
    return true;
}

bool SelfTest::act() {
    const int s = step_;
    if (s == 1) {
        care_.ui.message("Turning ON A1-D1");
        return setChannels({0, 1, 2, 3}, kFull, kFull);
    }
    if (s == 2) {
        care_.ui.message("Turning OFF A1-D1");
        return setChannels({0, 1, 2, 3}, 0, 0);
    }
    if (s == 3) {
        return care_.ui.ask("OK to proceed?", Buttons::YesNo) == Answer::Yes;
    }
    if (s >= 4 && s <= 19) {
        c_.lbl_temperature.text = "[ON ALL]";
        const bool ok = setChannels(rowChannels(s - 4), kFull, kFull);
        pause(100);
        return ok;
    }
    if (s == 20) {
        grade(gradeAllOn(levels_));
        pause(500);
    } else if (s >= 21 && s <= 36) {
        c_.lbl_temperature.text = "[OFF ALL]";
        const bool ok = setChannels(rowChannels(s - 21), 0, 0);
        pause(100);
        return ok;
    } else if (s == 37) {
        grade(gradeAllOff(levels_));
        pause(500);
    } else if (s >= 38 && s <= 62) {
        return actColumns();
    } else if (s >= 63 && s <= 79) {
        return actRows();
    } else if (s >= 80 && s <= 95) {
        c_.lbl_temperature.text = "[GAIN/POWER=2]";
        return setChannels(rowChannels(s - 80), kReduced, kReduced);
    } else if (s == 96) {
        append(reducedPowerLines(levels_));
    } else if (s == 100) {
        care_.ui.openExternal(report_.string(), ExternalKind::Document);
    }
    return true;
}

// Column c is lit at step 38 + c and graded at the next step, while the one after it lights.
bool SelfTest::actColumns() {
    const int s = step_;
    if (s == 62) {
        grade(gradeColumn(levels_, kTestColumns - 1));
        const bool ok = setChannels(columnChannels(kTestColumns - 1), 0, 0);
        pause(500);
        return ok;
    }
    c_.lbl_temperature.text = "[1 COLUMN]";
    if (s == 38) {
        append({"", "Test_24_Columns:"});
    } else {
        grade(gradeColumn(levels_, s - 39));
        if (!setChannels(columnChannels(s - 39), 0, 0)) {
            return false;
        }
    }
    const bool ok = setChannels(columnChannels(s - 38), kFull, kFull);
    pause(100);
    return ok;
}

bool SelfTest::actRows() {
    const int s = step_;
    if (s == 79) {
        grade(gradeRow(levels_, kTestRows - 1));
        return setChannels(rowChannels(kTestRows - 1), 0, 0);
    }
    c_.lbl_temperature.text = "[1 ROW]";
    if (s == 63) {
        append({"", "Test_16_Rows:"});
    } else {
        grade(gradeRow(levels_, s - 64));
        if (!setChannels(rowChannels(s - 64), 0, 0)) {
            return false;
        }
    }
    const bool ok = setChannels(rowChannels(s - 63), kFull, kFull);
    pause(100);
    return ok;
}

bool SelfTest::setChannels(const std::vector<int>& channels, int power, int gain) {
    for (int c : channels) {
        if (care_.com.verifiedChannelWrite(c, power, gain) != 1) {
            return false;
        }
    }
    return true;
}

void SelfTest::grade(Grading g) {
    c_.lbl_temperature.text = g.label;
    append(g.reportLines);
    gradings_.push_back(std::move(g));
}

// Each section goes to the file as soon as it is known, so a test that stops early leaves
// what it found.
void SelfTest::append(const std::vector<std::string>& lines) {
    std::ofstream out(report_, std::ios::binary | std::ios::app);
    for (const std::string& line : lines) {
        out << line << "\r\n";
    }
    out.flush();
    if (!out && !reportFailed_) {
        reportFailed_ = true;
        care_.ui.message("The test report could not be written to " + report_.string());
    }
}

void SelfTest::abort() {
    aborted_ = true;
    step_ = kAborted;
    c_.Timer_test.enabled = false;
}

void SelfTest::finish() {
    c_.lbl_temperature.text = kIdleLabel;
    c_.Timer_test.enabled = false;
    c_.lbl_autorestart.visible = false;
    if (restoreActivityPicture) {
        restoreActivityPicture();
    } else if (Canvas* pic = c_.Picact.canvas) {
        pic->clear(colors::white);
    }
}

void SelfTest::drawProgress() {
    Canvas* bar = c_.picturetime.canvas;
    if (bar == nullptr) {
        return;
    }
    bar->scale(0, 10, 100, 0);
    bar->clear(colors::white);
    bar->filledBox(0, 0, step_ * 0.83, 10, colors::blue);
}

// The beam grid as the instrument sees it: lit beams green, dark ones black, the doubtful
// middle orange, one cell per beam (columns 1..24 across, rows A..P down).
void SelfTest::drawLevels() {
    Canvas* pic = c_.Picact.canvas;
    if (pic == nullptr) {
        return;
    }
    pic->scale(-1, -1, kTestColumns, kTestRows);
    pic->clear(colors::white);
    for (int c = 0; c < kTestChannels; ++c) {
        const int level = levels_[static_cast<std::size_t>(c)];
        const double x = c / kTestRows;
        const double y = c % kTestRows;
        const Color fill = beamOn(level)    ? colors::green
                           : beamOff(level) ? colors::black
                                            : Color{255, 150, 0};
        pic->filledBox(x + 0.08, y + 0.08, x + 0.92, y + 0.92, fill);
    }
    for (int col = 0; col < kTestColumns; ++col) {
        pic->text(col + 0.2, -0.9, std::to_string(col + 1), colors::black);
    }
    for (int row = 0; row < kTestRows; ++row) {
        pic->text(-0.8, row + 0.1, std::string(1, static_cast<char>('A' + row)), colors::black);
    }
}

}  // namespace qv

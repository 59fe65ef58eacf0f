#include "tools/gain_curve_test.h"

#include <cmath>
#include <string>

#include "common/file_util.h"
#include "common/number_format.h"

namespace qv {

namespace {

namespace fs = std::filesystem;

const char* const kEnd = "\r\n";

std::string settingText(ChannelSetting s) {
    return "Gain=" + std::to_string(s.gain) + ";Pinhole=" + std::to_string(s.pinHole);
}

std::string bracketHeader(ChannelSetting s) {
    return "[p" + std::to_string(s.pinHole) + ",g" + std::to_string(s.gain) + "]";
}

}  // namespace

void summarise(GainCurveStep& step) {
    const double n = static_cast<double>(step.readings.size());
    for (int c = 0; c < kArenaChannels; ++c) {
        const auto at = static_cast<std::size_t>(c);
        double sum = 0;
        for (const Readings& r : step.readings) {
            sum += r[at];
        }
        const double mean = n > 0 ? sum / n : 0;
        double spread = 0;
        for (const Readings& r : step.readings) {
            spread += std::abs(r[at] - mean);
        }
        step.mean[at] = mean;
        step.deviation[at] = n > 0 ? spread / n : 0;
    }
}

std::string backgroundLines(const GainCurveStep& step) {
    std::string text = "p=" + std::to_string(step.setting.pinHole) +
                       ",g=" + std::to_string(step.setting.gain) + kEnd;
    for (std::size_t i = 0; i < step.readings.size(); ++i) {
        text += "[" + std::to_string(i) + "]";
        for (int v : step.readings[i]) {
            text += " " + std::to_string(v);
        }
        text += kEnd;
    }
    return text;
}

std::string meanLine(const GainCurveStep& step) {
    std::string text = bracketHeader(step.setting);
    for (double m : step.mean) {
        text += " " + formatNumber(m, "0");
    }
    return text + kEnd;
}

std::string deviationLine(const GainCurveStep& step) {
    std::string text = bracketHeader(step.setting);
    for (double d : step.deviation) {
        text += " " + formatNumber(d, "0.00");
    }
    return text + kEnd;
}

std::array<fs::path, 3> GainCurveTest::files(const fs::path& folder) {
    return {folder / "test_bk.txt", folder / "test_mean.txt", folder / "test_desv.txt"};
}

GainCurveResult GainCurveTest::run(int pinHole) {
    GainCurveResult r;
    CareContext& care = device_.care();
    status_.visible = true;
    status_.text = "Gain curve: reading the channels' settings";
    ChannelSettings before{};
    if (!device_.answers() || !snapshot(before)) {
        care.ui.message(kCommunicationError);
        return r;
    }
    for (const fs::path& f : files(care.store.applicationFolder())) {
        std::error_code ec;
        fs::remove(f, ec);
    }
    txt_test_.text = "Gain=0;Pinhole=0";
    bool measured = true;
    for (int g = 0; g < kGainCurveSettings && measured; ++g) {
        measured = measure({pinHole, g}, r) && keepGoing(r);
    }
    r.completed = measured;
    if (device_.free()) {
        status_.text = "Gain curve: writing the channels' settings back";
        r.restored = device_.answers() && restore(before);
        if (!r.restored) {
            care.ui.message(
                "The channels' settings from before the test could not all be written back: "
                "calibrate the channels before the next run.");
        }
    }
    return r;
}

bool GainCurveTest::snapshot(ChannelSettings& before) {
    for (int c = 0; c < kArenaChannels; ++c) {
        const int byte = device_.readSetting(c);
        if (byte < 0) {
            return false;
        }
        before[static_cast<std::size_t>(c)] = settingFromStoredByte(byte);
    }
    return true;
}

bool GainCurveTest::measure(ChannelSetting setting, GainCurveResult& r) {
    txt_test_.text = settingText(setting);
    status_.text = "Gain curve: " + txt_test_.text;
    if (!device_.writeAll(setting)) {
        device_.care().ui.message(kCommunicationError);
        return false;
    }
    device_.settle();
    GainCurveStep step;
    step.setting = setting;
    Readings readings{};
    for (int k = 0; k < kGainCurveReadings; ++k) {
        if (!device_.readAll(readings)) {
            return false;
        }
        step.readings.push_back(readings);
    }
    summarise(step);
    if (!append(step)) {
        device_.care().ui.message("The gain curve files could not be written in " +
                                  device_.care().store.applicationFolder().string());
        return false;
    }
    r.steps.push_back(std::move(step));
    return true;
}

bool GainCurveTest::append(const GainCurveStep& step) {
    const auto f = files(device_.care().store.applicationFolder());
    return appendFile(f[0], backgroundLines(step)) && appendFile(f[1], meanLine(step)) &&
           appendFile(f[2], deviationLine(step));
}

// The test set every channel alike; the calibration the instrument had is written back channel
// by channel. A write that fails ends it after its message.
bool GainCurveTest::restore(const ChannelSettings& before) {
    for (int c = 0; c < kArenaChannels; ++c) {
        if (!device_.write(c, before[static_cast<std::size_t>(c)])) {
            return false;
        }
    }
    return true;
}

bool GainCurveTest::keepGoing(GainCurveResult& r) {
    device_.care().ui.processEvents();
    if (!status_.visible || !device_.free()) {
        r.stopped = true;
        if (!device_.free()) {
            device_.care().ui.message(kArenaInterrupted);
        }
        return false;
    }
    return true;
}

}  // namespace qv

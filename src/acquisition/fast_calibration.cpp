#include "acquisition/fast_calibration.h"

#include <filesystem>

#include "acquisition/block_reply.h"
#include "device/register_map.h"

namespace qv {

namespace {

constexpr int kTopPinHole = 7;
constexpr int kTopGain = 7;
constexpr std::array<int, 4> kLevelBlocks = {0, 32, 64, 96};
constexpr int kWarmUpPauseMs = 50;
constexpr int kEventsEveryChannels = 20;

std::string plain(int v) {
    return std::to_string(v);
}

void rungUp(LadderChannel& ch) {
    if (ch.gain >= kTopGain) {
        ch.gain = 0;
        ++ch.pinHole;
    } else {
        ++ch.gain;
    }
}

void rungDown(LadderChannel& ch) {
    if (ch.gain <= 0) {
        ch.gain = kTopGain;
        --ch.pinHole;
    } else {
        --ch.gain;
    }
}

}  // namespace

bool stepOnLadder(LadderChannel& ch, int level) {
    const bool dark = level < kWindowLow;
    const bool bright = level > kWindowHigh;
    if (!dark && !bright) {
        ch.done = true;
        ch.direction = 0;
    } else if (dark && ch.direction != -1) {
        if (ch.pinHole >= kTopPinHole && ch.gain >= kTopGain) {
            ch.done = true;  // the brightest rung is still too dark
        } else {
            rungUp(ch);
        }
        ch.direction = 1;
    } else if (bright && ch.direction != 1) {
        if (ch.gain == 0 && ch.pinHole < 2) {
            ch.done = true;  // the darkest rung is still too bright
        } else {
            rungDown(ch);
        }
        ch.direction = -1;
    } else if (dark) {
        // Too bright one pass, too dark the next: the darker setting is the one to keep.
        ch.done = true;
        ch.direction = 0;
    } else {
        // Stepped up past the window: turn round, the next pass may step down.
        ch.direction = 0;
    }
    return !ch.done;
}

FastCalibrationResult FastCalibration::run() {
    FastCalibrationResult r;
    r.judgedLevels.fill(-1);
    if (care_.state.link.offline) {
        r.offline = true;
        care_.ui.message(kOfflineRefusal);
        return r;
    }
    if (!loadTables(r)) {
        return r;
    }
    std::vector<LadderChannel> ladder = prepareChannels();
    if (!writeAll(ladder, r)) {
        return r;
    }
    int changed = kCalibrationChannels - 1;
    bool outside = true;
    while (outside && running()) {
        if (!pass(ladder, changed, r)) {
            return r;
        }
        outside = changed > 0;
        care_.ui.processEvents();
    }
    status_.show("Calibration OK");
    r.fileWritten =
        writeCalibrationValues(care_.store.applicationFolder(), care_.store.calibration());
    if (!r.fileWritten) {
        care_.ui.message("Calibration values could not be written to calvalue.dat");
    }
    return r;
}

// The tables start from the last calibration; a first calibration starts from the fixed
// starting values. A file that is there but cannot be read is left for the user to see.
bool FastCalibration::loadTables(FastCalibrationResult& r) {
    const std::filesystem::path folder = care_.store.applicationFolder();
    std::error_code ec;
    if (std::filesystem::exists(folder / "calvalue.dat", ec)) {
        status_.show("Writing Calibration...");
        const CalibrationReadResult read = readCalibrationValues(folder, care_.store.calibration());
        if (read.status != CalibrationReadStatus::Ok) {
            r.fileUnreadable = true;
            care_.ui.message("calvalue.dat could not be read" +
                             (read.badLine > 0 ? " (line " + plain(read.badLine) + ")" : "") +
                             ": the calibration was not started.");
            return false;
        }
    } else {
        status_.show("Writing First Time Calibration...");
        r.firstTime = true;
        writeStartingCalibrationValues(folder, care_.store.calibration());
    }
    return true;
}

// Channels in no well are switched dark and left alone; a channel at PinHole 0 and Gain 0
// would see nothing, so it starts at PinHole 2.
std::vector<LadderChannel> FastCalibration::prepareChannels() {
    CalibrationValues& t = care_.store.calibration();
    const PlateFormat& plate = care_.store.plate();
    std::vector<LadderChannel> ladder(kCalibrationChannels);
    for (int c = 0; c < kCalibrationChannels; ++c) {
        const auto at = static_cast<std::size_t>(c);
        if (plate.wellOfChannel[at] < 0) {
            t.PinHole[at] = 0;
            t.Gain[at] = 0;
            ladder[at].done = true;
        } else if (t.PinHole[at] == 0 && t.Gain[at] == 0) {
            t.PinHole[at] = 2;
        }
        ladder[at].pinHole = t.PinHole[at];
        ladder[at].gain = t.Gain[at];
    }
    return ladder;
}

bool FastCalibration::writeAll(const std::vector<LadderChannel>& ladder, FastCalibrationResult& r) {
    status_.clearBar(383);
    for (int c = 0; c < kCalibrationChannels && running(); ++c) {
        status_.show("Writing calibration..." + plain(c));
        status_.bar(c);
        if (c % kEventsEveryChannels == 0) {
            care_.ui.processEvents();
        }
        if (!write(c, ladder[static_cast<std::size_t>(c)], r)) {
            return false;
        }
        r.channelsWritten = true;
    }
    return true;
}

bool FastCalibration::pass(std::vector<LadderChannel>& ladder, int& changed,
                           FastCalibrationResult& r) {
    ++r.passes;
    status_.show("Acquiring...");
    std::array<int, kCalibrationChannels> levels = r.levels;
    for (int block : kLevelBlocks) {
        care_.com.blockRead(block, device::reg::kCalibrationBlockBytes, 2);
    }
    care_.clock.sleepMs(kWarmUpPauseMs);
    readLevels(levels);
    r.levels = levels;
    status_.show("Calibrating... [" + plain(changed) + "]");
    status_.bar(383 - changed);
    changed = 0;
    CalibrationValues& t = care_.store.calibration();
    for (int c = 0; c < kCalibrationChannels; ++c) {
        LadderChannel& ch = ladder[static_cast<std::size_t>(c)];
        if (ch.done) {
            continue;
        }
        r.judgedLevels[static_cast<std::size_t>(c)] = levels[static_cast<std::size_t>(c)];
        if (!stepOnLadder(ch, levels[static_cast<std::size_t>(c)])) {
            continue;
        }
        t.PinHole[static_cast<std::size_t>(c)] = static_cast<std::int16_t>(ch.pinHole);
        t.Gain[static_cast<std::size_t>(c)] = static_cast<std::int16_t>(ch.gain);
        if (!write(c, ch, r)) {
            return false;
        }
        ++changed;
    }
    return true;
}

// Four service-form reads of 96 levels each cover the 384 channels; a short reply leaves its
// channels at the level they had.
void FastCalibration::readLevels(std::array<int, kCalibrationChannels>& levels) {
    for (int block : kLevelBlocks) {
        const device::Bytes reply =
            care_.com.blockRead(block, device::reg::kCalibrationBlockBytes, 2);
        if (reply.size() <= static_cast<std::size_t>(device::reg::kCalibrationBlockBytes - 1)) {
            continue;
        }
        const auto values = decodeServiceReply(reply);
        if (!values) {
            continue;
        }
        for (int i = 0; i < kServiceReplyValues; ++i) {
            const int v = (*values)[static_cast<std::size_t>(i)];
            levels[static_cast<std::size_t>(serviceReplyChannel(block, i))] = v < 0 ? 0 : v;
        }
    }
}

bool FastCalibration::write(int channel, const LadderChannel& ch, FastCalibrationResult& r) {
    if (care_.com.verifiedChannelWrite(channel, ch.pinHole, ch.gain) == 1) {
        return true;
    }
    r.failedChannel = channel;
    care_.ui.message(kCommunicationError);
    return false;
}

}  // namespace qv

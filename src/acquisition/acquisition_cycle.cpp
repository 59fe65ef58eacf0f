#include "acquisition/acquisition_cycle.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <vector>

#include "acquisition/app_state.h"
#include "acquisition/block_reply.h"
#include "common/canvas.h"
#include "common/number_format.h"
#include "common/rounding.h"
#include "device/register_map.h"

namespace qv {

namespace {

constexpr int kWarmUpPauseMs = 50;
constexpr int kProgressEverySamples = 25;
constexpr std::int16_t kTotalLimit = 9999;
constexpr std::int64_t kMsPerMinute = 60'000;
constexpr std::int64_t kMsPerDay = 86'400'000;

double roundTo(double v, int decimals) {
    double scale = 1;
    for (int i = 0; i < decimals; ++i) {
        scale *= 10;
    }
    return roundHalfEvenReal(v * scale) / scale;
}

// "hh:mm:ss [Nd]": the time of day part of the elapsed time, then the whole days.
std::string elapsedText(std::int64_t ms) {
    const std::int64_t days = ms / kMsPerDay;
    const std::int64_t rest = (ms % kMsPerDay) / 1000;
    return formatPadded(rest / 3600, 2) + ":" + formatPadded(rest / 60 % 60, 2) + ":" +
           formatPadded(rest % 60, 2) + " [" + std::to_string(days) + "d]";
}

void addToTotal(std::int16_t& total, std::int16_t count) {
    if (total <= kTotalLimit) {
        total = static_cast<std::int16_t>(std::min<int>(32767, total + count));
    }
}

}  // namespace

AcquisitionCycle::AcquisitionCycle(Links links, LiveData& data, CycleControls controls)
    : links_(links),
      data_(data),
      controls_(controls),
      watch_(links.com, links.clock),
      asRead_(data.samples.rtBuffer()) {}

void AcquisitionCycle::startRun(const std::filesystem::path& folder, bool recording) {
    folder_ = folder;
    recording_ = recording;
    recordingFailed_ = false;
    rotation_ = FileRotation{};
    progress_ = CycleProgress{};
    counts_.fill(0);
    data_.sampleIndex = 0;
    data_.tickCount = 0;
    data_.blink = false;
    displayCounter_ = 0;
    intervalCounter_ = 0;
    intervalReached_ = false;
    live_.startRun();
    watch_.startRun();
    runStartMs_ = blockEndMs_ = links_.clock.monotonicMs();
}

void AcquisitionCycle::shiftRunStart(std::int64_t pausedMs) {
    runStartMs_ += pausedMs;
}

std::int64_t AcquisitionCycle::elapsedMs() const {
    return links_.clock.monotonicMs() - runStartMs_;
}

void AcquisitionCycle::startBlank() {
    live_.startBlank();
    blank_ = true;
}

void AcquisitionCycle::setStartingTemperature(double temperature) {
    temperature_ = temperature;
    haveTemperature_ = true;
}

void AcquisitionCycle::Timeradq_Timer() {
    try {
        if (links_.state.runState == 2) {
            pausedTick();
        } else {
            tick();
        }
    } catch (const std::exception&) {
        // A fault ends this tick only; the next one starts from the state this one left.
        ++progress_.faults;
    }
}

void AcquisitionCycle::pausedTick() {
    timeDisplay(true);
}

void AcquisitionCycle::tick() {
    if (watch_.silent()) {
        whileSilent();
        timeDisplay(false);
        return;
    }
    if (data_.sampleIndex < 2 || data_.tickCount <= 1) {
        readPass(false);
        links_.clock.sleepMs(kWarmUpPauseMs);
    }
    if (!readPass(true)) {
        timeDisplay(false);
        return;
    }
    sampleProcessing();
    ++data_.sampleIndex;
    if (data_.sampleIndex >= data_.samples.rtBuffer()) {
        completeBlock();
    }
    timeDisplay(false);
    bookkeeping();
}

// One pass of block reads over the read indices; with `keep`, the replies go into the current
// column of the block. False when the instrument has just gone silent (the block is dropped).
bool AcquisitionCycle::readPass(bool keep) {
    const int step = readIndexStep(links_.store.setup().Plate_format);
    const int sample = data_.sampleIndex;
    watch_.startPass();
    for (int r = 0; r < 64; r += step) {
        if (watch_.givingUpPass()) {
            if (keep) {
                ++progress_.badReads;
                holdBlockRead(data_.samples, r, sample);
            }
            continue;
        }
        const device::Bytes reply = links_.com.blockRead(r, kBlockReplyBytes);
        watch_.noteReply(reply.size());
        if (!keep) {
            continue;
        }
        ++progress_.reads;
        const BlockReply decoded = decodeBlockReply(reply);
        if (decoded.good) {
            storeBlockReply(data_.samples, r, sample, decoded);
        } else {
            ++progress_.badReads;
            holdBlockRead(data_.samples, r, sample);
        }
    }
    if (watch_.endPass() == InstrumentWatch::Change::WentSilent) {
        wentSilent();
        return false;
    }
    return true;
}

// Nothing measured while the instrument is away may pass for activity: the block in progress
// is dropped, and the next starts afresh once the instrument answers.
void AcquisitionCycle::wentSilent() {
    progress_.discardedSamples += data_.sampleIndex;
    data_.sampleIndex = 0;
    const std::int64_t silentForMs = links_.clock.monotonicMs() - watch_.lastAnswerMs();
    const DateTime since = fromEpochMs(toEpochMs(links_.clock.now()) - silentForMs);
    controls_.frm_autotext.visible = true;
    controls_.lbl_autotext.text =
        "No answer from the instrument on COM" + std::to_string(links_.com.state().currentPort) +
        " since " + formatPadded(since.hour, 2) + ":" + formatPadded(since.minute, 2) + ":" +
        formatPadded(since.second, 2) + ": nothing is recorded until it answers again";
    silenceShown_ = true;
    if (onInstrumentSilent) {
        onInstrumentSilent(true);
    }
}

void AcquisitionCycle::whileSilent() {
    watch_.reopenWhenDue(plateMode());
    watch_.startPass();
    const device::Bytes reply = links_.com.blockRead(0, kBlockReplyBytes);
    watch_.noteReply(reply.size());
    if (watch_.endPass() != InstrumentWatch::Change::CameBack) {
        return;
    }
    data_.sampleIndex = 0;
    data_.tickCount = 0;
    blockEndMs_ = links_.clock.monotonicMs();
    const DateTime now = links_.clock.now();
    controls_.lbl_autotext.text = "The instrument answers again since " +
                                  formatPadded(now.hour, 2) + ":" + formatPadded(now.minute, 2) +
                                  ":" + formatPadded(now.second, 2) + "; a new block has begun";
    if (onInstrumentSilent) {
        onInstrumentSilent(false);
    }
}

int AcquisitionCycle::plateMode() const {
    const std::string& format = links_.store.setup().Plate_format;
    return format == "w96" || format == "w96u" ? 1 : 0;
}

void AcquisitionCycle::sampleProcessing() {
    ProjectSetup& setup = links_.store.setup();
    const int i = data_.sampleIndex;
    if (blank_) {
        std::string status;
        if (live_.learnBlank(data_.samples, i, data_.tickCount, setup, status)) {
            controls_.lbl_autochannel.text = status;
            blank_ = false;
            controls_.Timeradq.enabled = false;
        }
    } else if (!links_.state.autoZero) {
        if (data_.tickCount > setup.DSP_Interval) {
            live_.countSample(data_, setup, intervalReached_, counts_);
        }
    } else if (i < 2) {
        stats_.restart(data_.samples, i, links_.store.plate());
    } else if (data_.tickCount > setup.DSP_Interval) {
        stats_.add(data_.samples, i, links_.store.plate());
    }
    intervalReached_ = false;
}

void AcquisitionCycle::completeBlock() {
    data_.sampleIndex = 0;
    const std::int64_t now = links_.clock.monotonicMs();
    const double period =
        roundTo(static_cast<double>(now - blockEndMs_) / 1000.0 / data_.samples.rtBuffer(), 3);
    readTemperature();
    if (links_.state.autoZero && !blank_) {
        detectBlock(liveSnr());
    }
    if (links_.state.bodyBends != 0) {
        data_.channelOffset = data_.channelOffset == 0 ? 64 : 0;
    }
    if (silenceShown_) {
        controls_.frm_autotext.visible = false;
        silenceShown_ = false;
    }
    if (onBlockCompleted) {
        onBlockCompleted();
    }
    if (recording_ && !recordingFailed_) {
        writeRecords(period);
    }
    progress_.lastSamplePeriod = period;
    blockEndMs_ = now;
}

// The run's SNR: the project's SNRx10 / 10. A project that never had one set (0) would
// count every ripple as activity; the threshold the window shows is taken instead.
double AcquisitionCycle::liveSnr() const {
    const std::int16_t snrx10 = links_.store.setup().Mn1[mn1::SNRx10];
    return snrx10 > 0 ? snrx10 / 10.0 : links_.state.snrThreshold;
}

// A reading that did not come keeps the last one: a failed query is no temperature.
void AcquisitionCycle::readTemperature() {
    const int raw =
        links_.com.QueryRegister(device::reg::kReadTemperature, 0, device::reg::kBankCommand);
    if (raw < 0) {
        return;
    }
    const device::LinkState& link = links_.com.state();
    temperature_ = raw * link.temperatureSlope + link.temperatureOffset;
    haveTemperature_ = true;
    data_.temperatureText = formatNumber(temperature_, "0.0");
    controls_.lbl_temperature.text = "T=" + data_.temperatureText + "*C";
    links_.care.regulateTemperature(temperature_);
}

// Method 1 on every channel in a well, on a copy: the block itself stays as read, for the raw
// file and the live view (detection clips the samples it runs on, and running it again on
// clipped samples would not give the same counts).
void AcquisitionCycle::detectBlock(double snr) {
    ProjectSetup& setup = links_.store.setup();
    const PlateFormat& plate = links_.store.plate();
    std::vector<std::int16_t> channels;
    for (int c = 0; c < kChannels; ++c) {
        counts_[static_cast<std::size_t>(c)] = 0;
        if (plate.wellOfChannel[static_cast<std::size_t>(c)] < 0) {
            continue;
        }
        channels.push_back(static_cast<std::int16_t>(c));
        const double threshold = histogramThreshold(stats_.level(c), stats_.ripple(c), snr);
        setup.channelThreshold[static_cast<std::size_t>(c)] = threshold;
    }
    setup.DSP_Method = kMethodThresholdAverage;
    std::vector<std::int16_t> found(channels.size(), 0);
    asRead_ = data_.samples;
    try {
        detector_.DetectActivityBlock(asRead_, channels, snr, kMethodThresholdAverage, found);
    } catch (const std::exception&) {
        detectChannelByChannel(channels, snr, found);
    }
    for (std::size_t k = 0; k < channels.size(); ++k) {
        const int c = channels[k];
        counts_[static_cast<std::size_t>(c)] = found[k];
        addToTotal(data_.totals[static_cast<std::size_t>(c)], found[k]);
        if (links_.state.bodyBends != 0) {
            addBodyBends(c, setup.channelThreshold[static_cast<std::size_t>(c)]);
        }
    }
}

// A channel whose detection fails counts 0 in this block; the others keep their counts, and
// the status line says which failed.
void AcquisitionCycle::detectChannelByChannel(const std::vector<std::int16_t>& channels, double snr,
                                              std::vector<std::int16_t>& found) {
    asRead_ = data_.samples;
    for (std::size_t k = 0; k < channels.size(); ++k) {
        try {
            found[k] = detector_.DetectActivity(asRead_, channels[k], snr, kMethodThresholdAverage,
                                                0, {}, 0);
        } catch (const std::exception&) {
            found[k] = 0;
            controls_.lbl_autochannel.text =
                "Detection failed on channel " + std::to_string(channels[k]) + " (count 0)";
        }
    }
}

void AcquisitionCycle::addBodyBends(int channel, double threshold) {
    PeriodHistogramBins bins{};
    detector_.PeriodHistogram(asRead_, static_cast<std::int16_t>(channel), bins, threshold);
    std::int32_t& peak = data_.histogramPeak[static_cast<std::size_t>(channel)];
    for (int b = 0; b < static_cast<int>(bins.size()); ++b) {
        std::int32_t& h = data_.histograms[static_cast<std::size_t>(b) * kCountSlots +
                                           static_cast<std::size_t>(channel)];
        h += bins[static_cast<std::size_t>(b)];
        peak = std::max(peak, h);
    }
}

void AcquisitionCycle::writeRecords(double period) {
    const ProjectSetup& setup = links_.store.setup();
    CountsRecord record;
    // The minute the window showed at the end of the previous tick.
    record.minutes = progress_.elapsedMinutes;
    std::copy(counts_.begin(), counts_.begin() + kChannels, record.counts.begin());
    HistogramRecord histogram;
    const bool bodyBends = links_.state.bodyBends != 0;
    if (bodyBends) {
        histogram.minutes = progress_.elapsedMinutesFine;
        histogram.samplePeriod = period;
        histogram.bins = data_.histograms;
    }
    std::filesystem::path failed;
    bool ok = false;
    errno = 0;
    try {
        ok = appendBlockRecords(folder_, rotation_, setup.Save_real != 0 ? &data_.samples : nullptr,
                                record, haveTemperature_ ? temperature_ : 0.0,
                                bodyBends ? &histogram : nullptr, &failed);
    } catch (const std::exception&) {
        failed = countsFilePath(folder_);
    }
    if (ok) {
        counts_[kTemperatureSlot] = record.counts[kTemperatureSlot];
        lastRecordedMinute_ = record.minutes;
        ++progress_.blocks;
        progress_.samplePeriodSum += period;
        return;
    }
    recordingFailed_ = true;
    const std::string why = errno != 0 ? std::string(std::strerror(errno)) : "write failed";
    if (onRecordingFailed) {
        onRecordingFailed("Recording stopped: " + failed.filename().string() +
                          " could not be written in " + folder_.string() + " (" + why + "). " +
                          std::to_string(progress_.blocks) +
                          " complete blocks are saved there, the last at minute " +
                          std::to_string(progress_.blocks > 0 ? lastRecordedMinute_ : 0) + ".");
    }
}

// Step 7 of a tick: the time box, the end of the run at the lapse (at a block boundary unless
// paused), the progress bar and the light cycle.
void AcquisitionCycle::timeDisplay(bool paused) {
    const std::int64_t elapsed = std::max<std::int64_t>(elapsedMs(), 0);
    controls_.txt_time.text = elapsedText(elapsed);
    progress_.elapsedMinutes =
        static_cast<std::int32_t>(std::min<std::int64_t>(elapsed / kMsPerMinute, 32767));
    progress_.elapsedMinutesFine = roundTo(static_cast<double>(elapsed) / kMsPerMinute, 2);
    const std::int16_t lapse = links_.store.setup().Aq_lapse;
    if (data_.tickCount % kProgressEverySamples == 0) {
        drawProgress(lapse);
    }
    links_.care.advanceLightCycle(progress_.elapsedMinutesFine);
    if (progress_.elapsedMinutes >= lapse && (paused || data_.sampleIndex == 0) && onLapseReached) {
        onLapseReached();
    }
}

void AcquisitionCycle::drawProgress(std::int16_t lapse) {
    Canvas* bar = controls_.picturetime.canvas;
    if (bar == nullptr) {
        return;
    }
    const double percent =
        lapse > 0 ? std::min(100.0, 100.0 * progress_.elapsedMinutes / lapse) : 100.0;
    bar->scale(0, 0, 100, 10);
    bar->clear(colors::white);
    bar->filledBox(0, 0, percent, 10, colors::blue);
}

void AcquisitionCycle::bookkeeping() {
    const ProjectSetup& setup = links_.store.setup();
    ++displayCounter_;
    if (++intervalCounter_ >= std::max<int>(setup.DSP_Interval, 1)) {
        intervalCounter_ = 0;
        data_.blink = !data_.blink;
        intervalReached_ = true;
    }
    ++data_.tickCount;
    if (data_.tickCount == setup.DSP_Interval && onMaximaDue) {
        onMaximaDue();
    }
    if (displayCounter_ > 1 && data_.tickCount > setup.DSP_Interval) {
        displayCounter_ = 0;
        if (onSignalStep) {
            onSignalStep();
        }
    }
}

}  // namespace qv

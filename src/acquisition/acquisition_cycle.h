#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "acquisition/block_statistics.h"
#include "acquisition/instrument_care.h"
#include "acquisition/instrument_watch.h"
#include "acquisition/live_counting.h"
#include "acquisition/live_data.h"
#include "analysis/activity_detection.h"
#include "analysis/activity_files.h"
#include "common/clock.h"
#include "common/controls.h"
#include "device/com_module.h"
#include "store/store.h"

namespace qv {

struct AppState;

// The main window's controls a tick writes: the elapsed-time box, the run's progress bar, the
// temperature label, the status panel and the acquisition timer itself.
struct CycleControls {
    Control& txt_time;
    Control& picturetime;
    Control& lbl_temperature;
    Control& frm_autotext;
    Control& lbl_autotext;
    Control& lbl_autochannel;
    Control& Timeradq;
};

// How the run is going, for status lines and the headless progress.
struct CycleProgress {
    std::int32_t blocks = 0;  // blocks completed and written
    std::int64_t reads = 0;
    std::int64_t badReads = 0;  // short replies and failed checks, samples held over
    double lastSamplePeriod = 0;
    double samplePeriodSum = 0;  // over the blocks completed
    std::int32_t elapsedMinutes = 0;
    double elapsedMinutesFine = 0;
    std::int32_t discardedSamples = 0;  // samples of blocks dropped while the instrument was gone
    std::int32_t faults = 0;            // ticks ended early by an unexpected fault
};

// One tick of the acquisition timer Timeradq, and what it keeps between ticks: each tick reads
// one sample of every beam into the current column of the sample block; every RT_Buffer ticks
// the block is complete, its counts are found (by detection over the whole block, or counted
// live as the samples came), and the activity files get their records.
class AcquisitionCycle {
  public:
    struct Links {
        Store& store;
        AppState& state;
        device::ComModule& com;
        Clock& clock;
        InstrumentCare& care;
    };

    AcquisitionCycle(Links links, LiveData& data, CycleControls controls);

    // A run starts (Play): every counter at 0, run start and block end now, files numbered
    // from 0. Records go to `folder` when `recording` (a Read Blank run records nothing).
    void startRun(const std::filesystem::path& folder, bool recording);
    // A resume after a pause that stopped the time counter: the paused time is not counted.
    void shiftRunStart(std::int64_t pausedMs);
    std::int64_t elapsedMs() const;
    // Blank learning for the next run (Read Blank).
    void startBlank();
    bool blankMode() const { return blank_; }
    // The temperature read when the run started, recorded until the first block reads its own.
    void setStartingTemperature(double temperature);

    // The acquisition timer's tick. Never throws: a fault ends the tick, as a timer's does.
    void Timeradq_Timer();

    const CycleProgress& progress() const { return progress_; }
    const std::filesystem::path& folder() const { return folder_; }
    bool instrumentSilent() const { return watch_.silent(); }
    // The counts of the last completed block, slot 384 the temperature x 10.
    const std::array<std::int16_t, kCountSlots>& counts() const { return counts_; }

    // Called out of a tick: the live view after each block, the signal trace about every second
    // tick, the signal view's maxima once a run, the end of the run at the lapse, and a
    // recording that failed (the run must stop; the text says what was saved).
    std::function<void()> onBlockCompleted;
    std::function<void()> onSignalStep;
    std::function<void()> onMaximaDue;
    std::function<void()> onLapseReached;
    std::function<void(const std::string&)> onRecordingFailed;
    // The instrument went silent (true) or answered again (false).
    std::function<void(bool)> onInstrumentSilent;

  private:
    void tick();
    void pausedTick();
    bool readPass(bool keep);
    void wentSilent();
    void whileSilent();
    void sampleProcessing();
    void completeBlock();
    double liveSnr() const;
    void readTemperature();
    void detectBlock(double snr);
    void detectChannelByChannel(const std::vector<std::int16_t>& channels, double snr,
                                std::vector<std::int16_t>& found);
    void addBodyBends(int channel, double threshold);
    void writeRecords(double period);
    void timeDisplay(bool paused);
    void drawProgress(std::int16_t lapse);
    void bookkeeping();
    int plateMode() const;

    Links links_;
    LiveData& data_;
    CycleControls controls_;
    InstrumentWatch watch_;
    LiveCounter live_;
    BlockStatistics stats_;
    ActivityDetector detector_;
    SampleBlock asRead_;
    std::array<std::int16_t, kCountSlots> counts_{};
    std::filesystem::path folder_;
    bool recording_ = false;
    bool blank_ = false;
    FileRotation rotation_;
    CycleProgress progress_;
    std::int64_t runStartMs_ = 0;
    std::int64_t blockEndMs_ = 0;
    double temperature_ = 0;
    bool haveTemperature_ = false;
    std::int32_t displayCounter_ = 0;
    std::int32_t intervalCounter_ = 0;
    bool intervalReached_ = false;
    bool recordingFailed_ = false;
    bool silenceShown_ = false;
    std::int32_t lastRecordedMinute_ = 0;
};

}  // namespace qv

#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "acquisition/care_context.h"
#include "acquisition/self_test_grading.h"

namespace qv {

// The controls of the main window the self-test works on.
struct SelfTestControls {
    Control& Timer_test;
    Control& lbl_temperature;
    Control& picturetime;
    Control& lbl_autorestart;
    Control& Picact;

    static SelfTestControls of(Controls& controls);
};

// "Test DEVICE": every beam driven to full and to zero power, then column by column and row by
// row, the levels read back and graded, and a report written section by section. One step per
// tick of `Timer_test` (100 ms), so the window stays live.
class SelfTest {
  public:
    static constexpr int kAborted = 121;
    static constexpr int kLastStep = 110;

    SelfTest(CareContext& care, SelfTestControls controls);

    // The menu item: the question, then the test starts on the timer.
    void mnstatustest_Click();
    void Timer_test_Timer();

    // Puts the activity picture back after the test; the live display fills it. Without it the
    // picture is cleared.
    std::function<void()> restoreActivityPicture;

    int step() const { return step_; }
    bool aborted() const { return aborted_; }
    // The test went through step 110.
    bool completed() const { return completed_; }
    int serialNumber() const { return serial_; }
    const std::filesystem::path& reportPath() const { return report_; }
    const std::vector<Grading>& gradings() const { return gradings_; }
    const ChannelLevels& levels() const { return levels_; }

  private:
    bool readLevels();
    bool act();
    bool actColumns();
    bool actRows();
    bool setChannels(const std::vector<int>& channels, int power, int gain);
    void grade(Grading g);
    void append(const std::vector<std::string>& lines);
    void abort();
    void finish();
    void drawProgress();
    void drawLevels();
    void pause(int ms) { care_.clock.sleepMs(ms); }

    CareContext& care_;
    SelfTestControls c_;
    int step_ = 0;
    bool aborted_ = false;
    bool completed_ = false;
    bool reportFailed_ = false;
    int serial_ = 0;
    std::filesystem::path report_;
    std::vector<Grading> gradings_;
    ChannelLevels levels_{};
};

}  // namespace qv

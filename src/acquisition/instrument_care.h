#pragma once

#include <filesystem>

namespace qv {

// What a run asks of the beams, the light and the chamber, at the points where run control
// and the acquisition cycle call it. The calibration and the light and temperature control
// implement it; every call may take long and lets window events through, so Stop can end it.
class InstrumentCare {
  public:
    virtual ~InstrumentCare() = default;

    // Play, with automatic calibration and online: the instrument's own beam calibration,
    // read back into calvalue.dat, which is copied into the acquisition folder.
    virtual void deviceCalibration(const std::filesystem::path& acquisitionFolder) = 0;
    // Play, with automatic zero and online: every channel's threshold from its ripple.
    virtual void autoZero() = 0;
    // Play, when no pulse cycles are programmed and light is enabled: the light on or off by
    // the hour of the day, then the control word.
    virtual void startLightSchedule() = 0;
    // Block end, after the temperature was read: the regulation towards the set point.
    virtual void regulateTemperature(double temperature) = 0;
    // Every tick of a run (also paused with the time counter on): the light pulse cycles and
    // a control word a button left pending.
    virtual void advanceLightCycle(double elapsedMinutes) = 0;
    // Stop and the end of the lapse: temperature control and light off, control word sent.
    virtual void lightAndTemperatureOff() = 0;
};

// The one a run calls, passing each call on to whichever implementation is in use, so the
// program can put a fuller one in place after the windows are built.
class InstrumentCareSlot : public InstrumentCare {
  public:
    explicit InstrumentCareSlot(InstrumentCare& target) : target_(&target) {}
    void use(InstrumentCare& target) { target_ = &target; }

    void deviceCalibration(const std::filesystem::path& folder) override {
        target_->deviceCalibration(folder);
    }
    void autoZero() override { target_->autoZero(); }
    void startLightSchedule() override { target_->startLightSchedule(); }
    void regulateTemperature(double t) override { target_->regulateTemperature(t); }
    void advanceLightCycle(double minutes) override { target_->advanceLightCycle(minutes); }
    void lightAndTemperatureOff() override { target_->lightAndTemperatureOff(); }

  private:
    InstrumentCare* target_;
};

}  // namespace qv

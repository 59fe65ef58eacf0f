#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/live_data.h"
#include "common/canvas.h"
#include "common/controls.h"
#include "store/store.h"

namespace qv {

// The live display of the main window: the activity picture Picact (group view, bar plot,
// plate grid, histogram plot), the signal view Picreal, and the pickers that choose what they
// show. It reads what the acquisition cycle measures and the project's plate map, groups and
// channel states; it never changes either.
//
// Pictures are drawn only when their control has a canvas (headless runs have none); the
// state behind them (page, scales, zoom, chosen channel) follows the data all the same.
class LiveDisplay {
  public:
    // View modes, as the main window numbers them.
    static constexpr int kGroupView = 0;
    static constexpr int kBarPlot = 1;
    static constexpr int kPlateGrid = 2;
    static constexpr int kHistogramPlot = 3;

    static constexpr int kPageChannels = 12;
    static constexpr int kZoomMax = 10;
    // The group list's entry for the channels in no group ("999_Free").
    static constexpr int kFreeGroup = 999;
    static constexpr int kNoGroup = -1;

    // Takes the live display's controls from the window's set by name, and adds those the
    // window does not have yet: Cmd_groupplot, Combocol, Combofila, combogrup, lstgrup,
    // cmdbeam_plus, cmdbeam_minus, txtbeam and lbl_sample.
    LiveDisplay(Controls& controls, const LiveData& data, const Store& store);

    // The load step and every activation while the acquisition timer is stopped, after the
    // live data were reset: fills the group, row and column pickers from the project (keeping
    // the chosen group and channel where the project still has them), returns to page 0 and
    // bar scale 1, and redraws both pictures.
    void loadProject();

    // Play: clears the activity picture and draws the current view afresh (page 0, bar scale
    // 1, since the run's totals start from zero).
    void prepareActivityPlot();
    // Play: the group shown, read again from the project, as chosen in combogrup.
    void selectRunGroup();
    // Play: clears the signal view and draws its frame in the current scale.
    void prepareSignalPlot();

    // The acquisition cycle, once per completed block: draws the current view mode.
    void refresh();
    // The acquisition cycle, about every second tick: extends the trace of the chosen channel
    // by the segments up to the sample before the current index, then updates the sample and
    // temperature labels. A handful of drawing calls; nothing allocated per segment.
    void signalStep();
    // Every channel's largest sample of the current block (samples 1 up to the one before the
    // current index), the reference of the zoomed signal view.
    void recomputeBlockMaxima();
    // The acquisition cycle, once per run when its tick count equals DSP_Interval: new maxima
    // when the signal view is zoomed, then the signal view redrawn.
    void dataIntervalReached();

    // View buttons.
    void Cmd_groupplot_Click();
    void Cmd_barplot_Click();
    void Cmd_gridplot_Click();
    void Cmd_histoplot_Click();
    // Page buttons ">" and "<".
    void cmd_pgup_Click();
    void cmd_pgdown_Click();
    // Zoom buttons of the signal view.
    void Cmdzoom_plus_Click();
    void Cmdzoom_minus_Click();
    // Pickers of the group and of the channel the signal view shows. Each reads the new
    // selection from its control, which the window has written back before calling.
    void combogrup_Click();
    void lstgrup_Click();
    void cmdbeam_plus_Click();
    void cmdbeam_minus_Click();
    void Combocol_Click();
    void Combofila_Click();
    // A picture's surface was resized (and blanked): draw it again.
    void Picact_Resize();
    void Picreal_Resize();

    int viewMode() const { return viewMode_; }
    int page() const { return page_; }
    // 12 channels a page; at least one page.
    int pageCount() const;
    double barScale() const { return barScale_; }
    int zoom() const { return zoom_; }
    // The chosen group's number (kFreeGroup for the free channels), kNoGroup when none.
    int group() const { return group_; }
    // The channel the signal view shows, -1 for none.
    int signalChannel() const { return signalChannel_; }
    // Channels of the bar and histogram plots in display order (well, then beam).
    const std::vector<std::int16_t>& plotChannels() const { return plotChannels_; }
    std::int16_t blockMaximum(int channel) const { return blockMax_[channel]; }
    // "B3.1": the channel's well (row letter, column from 1), "." and its beam number.
    std::string channelLabel(int channel) const;

    // Existing controls of the main window.
    Control& Picact;
    Control& Picreal;
    Control& Cmd_barplot;
    Control& Cmd_gridplot;
    Control& Cmd_histoplot;
    Control& cmd_pgdown;
    Control& cmd_pgup;
    Control& Cmdzoom_minus;
    Control& Cmdzoom_plus;
    Control& txtzoom;
    Control& lbl_temperature;
    // Added by the live display.
    Control& Cmd_groupplot;
    Control& Combocol;
    Control& Combofila;
    Control& combogrup;
    Control& lstgrup;
    Control& cmdbeam_plus;
    Control& cmdbeam_minus;
    Control& txtbeam;
    Control& lbl_sample;

  private:
    // Pickers and lists (live_display.cpp).
    bool inWell(int channel) const;
    bool listed(int channel) const;
    int groupOf(int channel) const;
    void fillGroupPicker();
    void fillWellPickers();
    void applyGroup();
    void keepOrChooseSignalChannel();
    void showChannel(int channel);
    void showPickersOf(int channel);
    void stepThroughList(int step);
    void setPageButtons(bool visible);
    void showZoom();

    // Activity views (live_plots.cpp).
    void drawBarPlot();
    void drawBars(Canvas& cv, int first, int last);
    void drawPlateGrid();
    int collectWellValues(int wells);
    void drawWells(Canvas& cv, int wells, int m);
    void drawPlateLabels(Canvas& cv, int m);
    void drawGroupView();
    int collectGroupWells();
    void drawGroupBars(Canvas& cv, int groupValue, int wells);
    void drawHistogramPlot();
    void drawHistogram(Canvas& cv, int k, int channel);

    // Signal view (live_signal.cpp).
    void redrawSignal();
    int signalSamples() const;
    void setSignalScale(Canvas& cv) const;
    double signalY(int channel, int value) const;
    void drawSignalSegments(Canvas& cv, int fromSample, int toSample);
    void drawSignalEdge(Canvas& cv);
    void updateSignalLabels();

    const LiveData& data_;
    const Store& store_;
    int viewMode_ = kGroupView;
    int page_ = 0;
    double barScale_ = 1;
    int zoom_ = 0;
    int group_ = kNoGroup;
    int signalChannel_ = -1;
    // The chosen group's channels as lstgrup lists them (channel order).
    std::vector<std::int16_t> groupChannels_;
    std::vector<std::int16_t> plotChannels_;
    std::array<std::int16_t, kCountSlots> blockMax_{};
    // Scratch of the well views, kept so that a refresh allocates nothing.
    std::array<std::int32_t, kChannels> wellValue_{};
    std::array<std::int16_t, kChannels> wellCount_{};
    std::array<std::int16_t, kChannels> wellOrder_{};
};

}  // namespace qv

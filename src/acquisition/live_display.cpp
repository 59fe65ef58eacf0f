#include "acquisition/live_display.h"

#include <algorithm>

#include "analysis/report_map.h"
#include "common/number_format.h"

namespace qv {

namespace {

// The picker lists stop where no plate format can put a channel: the beam grid has 384
// beams, so no format fills more rows or columns than that, whatever its file says.
constexpr int kMaxPickerEntries = kChannels;

Control& take(Controls& controls, const char* name, ControlKind kind, const char* text = "") {
    if (Control* c = controls.find(name)) {
        return *c;
    }
    return controls.add(name, kind, text);
}

// The group number in the first three characters of a group list entry ("003_Treated");
// kNoGroup when they hold no digits.
int groupNumberOf(const std::string& entry) {
    int n = 0;
    int digits = 0;
    for (std::size_t i = 0; i < entry.size() && i < 3; ++i) {
        const char ch = entry[i];
        if (ch < '0' || ch > '9') {
            break;
        }
        n = n * 10 + (ch - '0');
        ++digits;
    }
    return digits == 0 ? LiveDisplay::kNoGroup : n;
}

std::string rowLetter(int row) {
    return std::string(1, static_cast<char>('A' + row));
}

}  // namespace

LiveDisplay::LiveDisplay(Controls& controls, const LiveData& data, const Store& store)
    : Picact(take(controls, "Picact", ControlKind::Picture)),
      Picreal(take(controls, "Picreal", ControlKind::Picture)),
      Cmd_barplot(take(controls, "Cmd_barplot", ControlKind::Button, "Bars")),
      Cmd_gridplot(take(controls, "Cmd_gridplot", ControlKind::Button, "Plate")),
      Cmd_histoplot(take(controls, "Cmd_histoplot", ControlKind::Button, "Histogram")),
      cmd_pgdown(take(controls, "cmd_pgdown", ControlKind::Button, "<")),
      cmd_pgup(take(controls, "cmd_pgup", ControlKind::Button, ">")),
      Cmdzoom_minus(take(controls, "Cmdzoom_minus", ControlKind::Button, "-")),
      Cmdzoom_plus(take(controls, "Cmdzoom_plus", ControlKind::Button, "+")),
      txtzoom(take(controls, "txtzoom", ControlKind::TextBox, "0")),
      lbl_temperature(take(controls, "lbl_temperature", ControlKind::Label)),
      Cmd_groupplot(take(controls, "Cmd_groupplot", ControlKind::Button, "Group")),
      Combocol(take(controls, "Combocol", ControlKind::ComboBox)),
      Combofila(take(controls, "Combofila", ControlKind::ComboBox)),
      combogrup(take(controls, "combogrup", ControlKind::ComboBox)),
      lstgrup(take(controls, "lstgrup", ControlKind::ListBox)),
      cmdbeam_plus(take(controls, "cmdbeam_plus", ControlKind::Button, "+")),
      cmdbeam_minus(take(controls, "cmdbeam_minus", ControlKind::Button, "-")),
      txtbeam(take(controls, "txtbeam", ControlKind::TextBox)),
      lbl_sample(take(controls, "lbl_sample", ControlKind::Label)),
      data_(data),
      store_(store) {
    // The window leaves these inert until someone handles them: this class does.
    for (Control* c : {&Cmd_barplot, &Cmd_gridplot, &Cmd_histoplot, &cmd_pgdown, &cmd_pgup,
                       &Cmdzoom_minus, &Cmdzoom_plus}) {
        c->enabled = true;
    }
    groupChannels_.reserve(kChannels);
    plotChannels_.reserve(kChannels);
    setPageButtons(false);
    showZoom();
}

// --- Project, groups and pickers

bool LiveDisplay::inWell(int channel) const {
    if (channel < 0 || channel >= kChannels) {
        return false;
    }
    const PlateFormat& plate = store_.plate();
    return plate.beamsOfWell(plate.wellOfChannel[channel]) > 0;
}

// A channel the lists offer: switched on in status.dat and lying in a well of the plate.
bool LiveDisplay::listed(int channel) const {
    return inWell(channel) && store_.setup().channelEnabled[channel];
}

// Group numbers beyond the group name table cannot be listed by name; such channels are
// shown with the free ones rather than lost.
int LiveDisplay::groupOf(int channel) const {
    const int g = store_.setup().channelGroup[channel];
    return g >= 0 && g < kChannelSlots ? g : kFreeGroup;
}

std::string LiveDisplay::channelLabel(int channel) const {
    const PlateFormat& plate = store_.plate();
    if (channel < 0 || channel >= kChannels || plate.wellOfChannel[channel] < 0) {
        return {};
    }
    return wellLabel(plate.wellOfChannel[channel], plate.rows) + "." +
           std::to_string(plate.beamOfChannel[channel]);
}

// Every group with at least one listed channel, "000_Name", then "999_Free" when channels
// are free. The entry chosen before stays chosen while it is still there.
void LiveDisplay::fillGroupPicker() {
    std::array<bool, kChannelSlots> used{};
    bool anyFree = false;
    for (int c = 0; c < kChannels; ++c) {
        if (!listed(c)) {
            continue;
        }
        const int g = groupOf(c);
        if (g == kFreeGroup) {
            anyFree = true;
        } else {
            used[g] = true;
        }
    }
    std::vector<std::string> items;
    for (int g = 0; g < kChannelSlots; ++g) {
        if (used[g]) {
            items.push_back(formatPadded(g, 3) + "_" + store_.setup().groupName[g]);
        }
    }
    if (anyFree) {
        items.push_back(formatPadded(kFreeGroup, 3) + "_Free");
    }
    const std::string chosen = combogrup.text;
    fillList(combogrup, std::move(items));
    selectText(combogrup, chosen);
    if (combogrup.listIndex < 0) {
        // An entry typed earlier names no group of this project any more.
        selectText(combogrup, combogrup.items.empty() ? std::string() : combogrup.items.front());
    }
}

void LiveDisplay::fillWellPickers() {
    const PlateFormat& plate = store_.plate();
    std::vector<std::string> rows;
    for (int r = 0; r < std::min<int>(plate.rows, kMaxPickerEntries); ++r) {
        rows.push_back(rowLetter(r));
    }
    std::vector<std::string> columns;
    for (int c = 0; c < std::min<int>(plate.columns, kMaxPickerEntries); ++c) {
        columns.push_back(std::to_string(c + 1));
    }
    fillList(Combofila, std::move(rows));
    fillList(Combocol, std::move(columns));
}

// The group named by combogrup: its listed channels into lstgrup (channel order) and into
// the plot list (well order, so that the beams of a well stand side by side).
void LiveDisplay::applyGroup() {
    group_ = groupNumberOf(combogrup.text);
    groupChannels_.clear();
    std::vector<std::string> labels;
    for (int c = 0; c < kChannels; ++c) {
        if (listed(c) && groupOf(c) == group_) {
            groupChannels_.push_back(static_cast<std::int16_t>(c));
            labels.push_back(channelLabel(c));
        }
    }
    fillList(lstgrup, std::move(labels));
    plotChannels_ = groupChannels_;
    const PlateFormat& plate = store_.plate();
    std::stable_sort(plotChannels_.begin(), plotChannels_.end(), [&](int a, int b) {
        if (plate.wellOfChannel[a] != plate.wellOfChannel[b]) {
            return plate.wellOfChannel[a] < plate.wellOfChannel[b];
        }
        return plate.beamOfChannel[a] < plate.beamOfChannel[b];
    });
    page_ = 0;
    showPickersOf(signalChannel_);
}

void LiveDisplay::keepOrChooseSignalChannel() {
    if (inWell(signalChannel_)) {
        showPickersOf(signalChannel_);
        return;
    }
    signalChannel_ = -1;
    if (!groupChannels_.empty()) {
        signalChannel_ = groupChannels_.front();
    } else {
        for (int c = 0; c < kChannels && signalChannel_ < 0; ++c) {
            if (listed(c)) {
                signalChannel_ = c;
            }
        }
    }
    showPickersOf(signalChannel_);
}

// The pickers say which channel the signal view shows: its well's row and column, its beam,
// and its entry in lstgrup when the chosen group has it.
void LiveDisplay::showPickersOf(int channel) {
    const PlateFormat& plate = store_.plate();
    if (!inWell(channel)) {
        txtbeam.text = "-";
        lstgrup.listIndex = -1;
        return;
    }
    const int well = plate.wellOfChannel[channel];
    const int rows = std::max<int>(plate.rows, 1);
    selectText(Combofila, rowLetter(well % rows));
    selectText(Combocol, std::to_string(well / rows + 1));
    txtbeam.text = std::to_string(plate.beamOfChannel[channel]);
    const auto it = std::find(groupChannels_.begin(), groupChannels_.end(), channel);
    lstgrup.listIndex =
        it == groupChannels_.end() ? -1 : static_cast<int>(it - groupChannels_.begin());
}

void LiveDisplay::showChannel(int channel) {
    signalChannel_ = channel;
    showPickersOf(channel);
    redrawSignal();
}

void LiveDisplay::stepThroughList(int step) {
    if (groupChannels_.empty()) {
        return;
    }
    const int last = static_cast<int>(groupChannels_.size()) - 1;
    const int at = lstgrup.listIndex < 0 ? 0 : std::clamp(lstgrup.listIndex + step, 0, last);
    showChannel(groupChannels_[at]);
}

void LiveDisplay::setPageButtons(bool visible) {
    cmd_pgdown.visible = visible;
    cmd_pgup.visible = visible;
}

void LiveDisplay::showZoom() {
    txtzoom.text = std::to_string(zoom_);
}

int LiveDisplay::pageCount() const {
    const int n = std::max(static_cast<int>(plotChannels_.size()), 1);
    return n / kPageChannels + (n % kPageChannels != 0 ? 1 : 0);
}

// --- Entries of the load step, activation, run start and the cycle

void LiveDisplay::loadProject() {
    fillWellPickers();
    fillGroupPicker();
    applyGroup();
    keepOrChooseSignalChannel();
    barScale_ = 1;
    refresh();
    redrawSignal();
}

void LiveDisplay::prepareActivityPlot() {
    page_ = 0;
    barScale_ = 1;
    refresh();
}

void LiveDisplay::selectRunGroup() {
    fillGroupPicker();
    combogrup_Click();
    keepOrChooseSignalChannel();
}

void LiveDisplay::prepareSignalPlot() {
    redrawSignal();
}

void LiveDisplay::refresh() {
    switch (viewMode_) {
        case kBarPlot:
            drawBarPlot();
            break;
        case kPlateGrid:
            drawPlateGrid();
            break;
        case kHistogramPlot:
            drawHistogramPlot();
            break;
        default:
            drawGroupView();
            break;
    }
}

void LiveDisplay::dataIntervalReached() {
    if (zoom_ > 0) {
        recomputeBlockMaxima();
    }
    redrawSignal();
}

// --- Events

void LiveDisplay::Cmd_groupplot_Click() {
    viewMode_ = kGroupView;
    refresh();
}

void LiveDisplay::Cmd_barplot_Click() {
    viewMode_ = kBarPlot;
    page_ = 0;
    refresh();
}

void LiveDisplay::Cmd_gridplot_Click() {
    viewMode_ = kPlateGrid;
    refresh();
}

void LiveDisplay::Cmd_histoplot_Click() {
    viewMode_ = kHistogramPlot;
    refresh();
}

void LiveDisplay::cmd_pgup_Click() {
    if (viewMode_ != kBarPlot && viewMode_ != kHistogramPlot) {
        return;
    }
    if (page_ < pageCount() - 1) {
        ++page_;
    }
    refresh();
}

void LiveDisplay::cmd_pgdown_Click() {
    if (viewMode_ != kBarPlot && viewMode_ != kHistogramPlot) {
        return;
    }
    if (page_ > 0) {
        --page_;
    }
    refresh();
}

void LiveDisplay::Cmdzoom_plus_Click() {
    zoom_ = std::min(zoom_ + 1, kZoomMax);
    showZoom();
    recomputeBlockMaxima();
    redrawSignal();
}

void LiveDisplay::Cmdzoom_minus_Click() {
    zoom_ = std::max(zoom_ - 1, 0);
    showZoom();
    redrawSignal();
}

void LiveDisplay::combogrup_Click() {
    applyGroup();
    refresh();
}

void LiveDisplay::lstgrup_Click() {
    const int at = lstgrup.listIndex;
    if (at >= 0 && at < static_cast<int>(groupChannels_.size())) {
        showChannel(groupChannels_[at]);
    }
}

void LiveDisplay::cmdbeam_plus_Click() {
    stepThroughList(1);
}

void LiveDisplay::cmdbeam_minus_Click() {
    stepThroughList(-1);
}

// Row and column name a well; the signal view shows its first beam. A well no channel lies
// in (or a choice half made) shows nothing rather than the previous channel under a well
// name that is not its own.
void LiveDisplay::Combocol_Click() {
    const PlateFormat& plate = store_.plate();
    if (Combofila.listIndex < 0 || Combocol.listIndex < 0) {
        return;
    }
    const int well = Combocol.listIndex * plate.rows + Combofila.listIndex;
    int channel = -1;
    for (int b = 0; b < plate.beamsOfWell(well) && channel < 0; ++b) {
        channel = plate.channelOf(well, b);
    }
    signalChannel_ = channel;
    if (channel >= 0) {
        showPickersOf(channel);
    } else {
        txtbeam.text = "-";
        lstgrup.listIndex = -1;
    }
    redrawSignal();
}

void LiveDisplay::Combofila_Click() {
    Combocol_Click();
}

void LiveDisplay::Picact_Resize() {
    refresh();
}

void LiveDisplay::Picreal_Resize() {
    redrawSignal();
}

}  // namespace qv

#pragma once

#include <optional>
#include <string>

#include "common/canvas.h"
#include "common/clock.h"
#include "common/ui.h"
#include "offline/series/kinetic_series.h"

namespace qv {

class OfflineWindow;

// The kinetic series of the browser: the "Kinetic Group TAG" entries on the selected
// acquisitions, a tag of the tag list opened as its "[TAG] Kinetics PLOT" on the picture,
// "Relativize to Time0", and the series saved as a picture or as the joint report.
class OfflineSeries {
  public:
    OfflineSeries(OfflineWindow& window, Ui& ui, Clock& clock);

    // An entry of "Kinetic Group TAG" (0 "CLEAR", 1..4 "[K1]".."[K4]") on every selected row.
    void tag(int entry);
    // Double-click on the tag list: the series of the tag picked there.
    void openTag();
    // "Relativize to Time0" was ticked or unticked (a checkable entry: the menu toggles its tick
    // before the handler runs): the series drawn again.
    void relativeChanged();
    // "Export .BMP" of the series' menu: the picture as image1.
    void exportPicture();
    // "Export Data": the joint report in the project folder.
    void exportData();
    // The picture shows something else now (another plot, another item).
    void clear();

    bool shown() const { return series_.has_value(); }
    const std::optional<KineticSeries>& series() const { return series_; }
    const std::string& currentTag() const { return tag_; }
    void draw(Canvas& canvas) const;

  private:
    std::optional<KineticSeries> build() const;
    void refreshOpenedTags();

    OfflineWindow& w_;
    Ui& ui_;
    Clock& clock_;
    std::string tag_;
    std::optional<KineticSeries> series_;
};

}  // namespace qv

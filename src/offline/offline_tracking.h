#pragma once

#include <memory>

#include "common/canvas.h"
#include "common/clock.h"
#include "common/ui.h"
#include "offline/series/path_tracking.h"

namespace qv {

class OfflineWindow;

// Single-animal path tracking in the browser: "Single Animal Path Tracking" starts the replay
// of the opened acquisition on the plate and then pauses and resumes it, the play timer moves
// it one sample a tick (each frame saved as a numbered bitmap when "->.bmp" is ticked), and
// the tracking menu saves the picture or runs the rest at once into the travel distance table.
class OfflineTracking {
  public:
    static constexpr int kPlayIntervalMs = 5;

    OfflineTracking(OfflineWindow& window, Ui& ui, Clock& clock);
    ~OfflineTracking();

    // A new item was opened: the button is offered for a 6-well plate of zebrafish or flies,
    // and any replay of the item before stops.
    void itemOpened();
    // "Single Animal Path Tracking".
    void press();
    // One tick of the play timer.
    void tick();
    // "Export .BMP" of the tracking menu: the picture as trackimg.
    void exportPicture();
    // "Export Data": the remaining steps at once, the table written and opened.
    void exportData();
    // The picture shows something else now: the timer stops and the replay goes.
    void stop();

    const PathTracker* tracker() const { return tracker_.get(); }
    // Frames that could not be saved since the replay started.
    int unsavedFrames() const { return unsavedFrames_; }
    void draw(Canvas& canvas) const;

  private:
    bool begin();
    void saveFrame(std::int64_t position);
    void finish();

    OfflineWindow& w_;
    Ui& ui_;
    Clock& clock_;
    std::unique_ptr<PathTracker> tracker_;
    int unsavedFrames_ = 0;
};

}  // namespace qv

#include "offline/offline_tracking.h"

#include <system_error>

#include "common/bitmap_canvas.h"
#include "common/list_separator.h"
#include "offline/offline_plots.h"
#include "offline/offline_window.h"
#include "store/project_setup.h"

namespace qv {

namespace fs = std::filesystem;

OfflineTracking::OfflineTracking(OfflineWindow& window, Ui& ui, Clock& clock)
    : w_(window), ui_(ui), clock_(clock) {}

OfflineTracking::~OfflineTracking() = default;

void OfflineTracking::itemOpened() {
    stop();
    const OpenedItem& item = w_.item();
    w_.cmd_track.visible = item.isAcquisition() &&
                           trackingOffered(item.setup.Plate_format, item.setup.Mn1[mn1::Organism]);
    w_.chk_bmp.visible = false;
}

void OfflineTracking::stop() {
    w_.Timer_play.enabled = false;
    w_.chk_bmp.visible = false;
    if (tracker_ && !w_.Framegrup.visible) {
        // The bin size box the replay hid comes back with the other plots.
        for (Control* c : {&w_.txt_binsize, &w_.cmd_minus, &w_.cmd_plus}) {
            c->visible = true;
        }
    }
    tracker_.reset();
}

void OfflineTracking::press() {
    if (!w_.item().isAcquisition() || w_.Framegrup.visible) {
        return;
    }
    if (w_.chk_bmp.checked) {
        std::error_code ec;
        fs::create_directories(w_.item().path / "bmp", ec);
    }
    if (w_.plots().mode() != PlotMode::Tracking || !tracker_) {
        if (begin()) {
            w_.Timer_play.enabled = true;
        }
        return;
    }
    if (tracker_->finished()) {
        // Played to its end: a press plays it again from the start.
        tracker_->rewind();
        unsavedFrames_ = 0;
        w_.Timer_play.enabled = true;
        return;
    }
    w_.Timer_play.enabled = !w_.Timer_play.enabled;
}

// The first press: tracking mode, the plate drawn, counts.bin and the first block read.
bool OfflineTracking::begin() {
    w_.Timer_play.enabled = false;
    w_.txt_binsize.visible = false;
    w_.cmd_minus.visible = false;
    w_.cmd_plus.visible = false;
    auto tracker = std::make_unique<PathTracker>();
    if (!tracker->start(w_.item().path, w_.applicationFolder(), ui_)) {
        return false;
    }
    tracker_ = std::move(tracker);
    unsavedFrames_ = 0;
    w_.chk_bmp.visible = true;
    w_.Txtpage.text = tracker_->positionText();
    w_.plots().showTracking();
    return true;
}

void OfflineTracking::tick() {
    if (!tracker_ || tracker_->finished()) {
        w_.Timer_play.enabled = false;
        return;
    }
    const std::int64_t position =
        static_cast<std::int64_t>(tracker_->block()) * kTrackStepsPerBlock +
        tracker_->stepInBlock();
    tracker_->step();
    w_.Txtpage.text = tracker_->positionText();
    w_.plots().redraw();
    if (w_.chk_bmp.checked) {
        saveFrame(position);
    }
    if (tracker_->finished()) {
        finish();
    }
}

// The frame as the picture shows it (the window's own bitmap), or drawn on a raster of the
// picture's size where there is no window.
void OfflineTracking::saveFrame(std::int64_t position) {
    const fs::path file = trackingFramePath(w_.item().path, position);
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    bool saved = false;
    if (w_.saveBitmap) {
        saved = w_.saveBitmap(file);
    } else {
        BitmapCanvas frame(w_.pictureWidth, w_.pictureHeight);
        drawTrackingFrame(frame, *tracker_);
        saved = frame.save(file);
    }
    if (!saved) {
        // Said once; the replay goes on without frames rather than failing a frame a tick.
        ++unsavedFrames_;
        w_.chk_bmp.checked = false;
        ui_.message("The frame could not be saved as " + file.string() +
                    ". The replay goes on without saving frames.");
    }
}

void OfflineTracking::finish() {
    w_.Timer_play.enabled = false;
    writeTravelTable(*tracker_, systemListSeparator(), clock_, ui_);
}

void OfflineTracking::exportPicture() {
    if (tracker_) {
        w_.plots().exportPicture(PictureExport::Track);
    }
}

void OfflineTracking::exportData() {
    if (!tracker_) {
        return;
    }
    w_.Timer_play.enabled = false;
    exportTravelDistances(*tracker_, systemListSeparator(), clock_, ui_,
                          [this](const PathTracker& t) { w_.Txtpage.text = t.positionText(); });
    w_.Txtpage.text = tracker_->positionText();
    w_.plots().setMode(PlotMode::AfterTrackingExport);
    w_.plots().redraw();
}

void OfflineTracking::draw(Canvas& canvas) const {
    if (tracker_) {
        drawTrackingFrame(canvas, *tracker_);
    }
}

}  // namespace qv

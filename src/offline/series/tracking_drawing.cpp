// The picture of a tracking step and the travel distance table.
#include <algorithm>

#include "common/list_separator.h"
#include "common/number_format.h"
#include "offline/series/new_file.h"
#include "offline/series/path_tracking.h"
#include "setup/group_layout.h"
#include "setup/plate_drawing.h"

namespace qv {

namespace {

double centreOf(double position) {
    return position * 100 + 50;
}

void drawPlateOf(Canvas& canvas, const AcquisitionPlate& acq) {
    std::array<std::int16_t, kChannelSlots> groups{};
    std::array<std::string, kChannelSlots> names{};
    std::array<bool, kChannelSlots> enabled{};
    enabled.fill(true);
    for (int c = 0; c < kChannelSlots; ++c) {
        groups[static_cast<std::size_t>(c)] = static_cast<std::int16_t>(
            acq.settings.groups.channelGroup[static_cast<std::size_t>(c)]);
        if (static_cast<std::size_t>(c) < acq.settings.groups.names.size()) {
            names[static_cast<std::size_t>(c)] =
                acq.settings.groups.names[static_cast<std::size_t>(c)];
        }
    }
    drawPlate(canvas, acq.plate, GroupsModel{groups, names, enabled});
}

void drawWell(Canvas& canvas, const WellTrack& well) {
    if (well.channels.empty()) {
        return;
    }
    for (const int c : well.interrupted) {
        canvas.circle(centreOf(c / 16), centreOf(c % 16), 12, colors::blue);
    }
    const TrackPoint* previous = nullptr;
    for (const TrackPoint& p : well.trail) {
        if (!p.known()) {
            break;
        }
        if (previous != nullptr) {
            canvas.line(centreOf(previous->x), centreOf(previous->y), centreOf(p.x), centreOf(p.y),
                        colors::red);
        }
        previous = &p;
    }
    if (well.trail[0].known()) {
        canvas.filledCircle(centreOf(well.trail[0].x), centreOf(well.trail[0].y), 16, colors::red);
    }
    int column = 24, row = 16;
    for (const int c : well.channels) {
        column = std::min(column, c / 16);
        row = std::min(row, c % 16);
    }
    const std::string text = formatNumber(well.distance * kMmPerBeamSpacing, "0") + "mm";
    canvas.text(column * 100.0, row * 100.0 - canvas.textHeight(), text, colors::black);
}

}  // namespace

void drawTrackingFrame(Canvas& canvas, const PathTracker& tracker) {
    if (!tracker.started()) {
        return;
    }
    drawPlateOf(canvas, tracker.acquisition());
    for (const WellTrack& well : tracker.wells()) {
        drawWell(canvas, well);
    }
}

std::string travelTableText(const PathTracker& tracker, const DateTime& now,
                            const std::string& sep) {
    const std::string end = "\r\n";
    const auto quoted = [](const std::string& s) { return "\"" + s + "\""; };
    const std::string stamp = formatDisplayStamp(now) + ":" + formatPadded(now.second, 2);
    std::string text = quoted("DATE:") + sep + quoted(stamp) + end;
    text += quoted("FILE:") + sep + quoted(tracker.folder().string()) + end + end;
    text += quoted("<<<<<< Travel Distance: [milimeter/acq_block] >>>>>>") + end;
    text += "Group/Time[m]";
    for (const std::int32_t m : tracker.recordMinutes()) {
        text += sep + formatFixed(m, 1);
    }
    text += end;
    const auto& names = tracker.acquisition().settings.groups.names;
    for (std::size_t w = 0; w < tracker.wells().size(); ++w) {
        const std::string name = w < names.size() ? names[w] : "";
        text += quoted(formatPadded(static_cast<std::int64_t>(w), 3) + "_" + name);
        for (const auto& block : tracker.blockDistances()) {
            text += sep + formatNumber(block[w] * kMmPerBeamSpacing, "0");
        }
        text += end;
    }
    return text + end;
}

std::optional<std::filesystem::path> writeTravelTable(const PathTracker& tracker,
                                                      const std::string& separator, Clock& clock,
                                                      Ui& ui) {
    const auto path = writeNewFile(tracker.folder(), "report", ".csv",
                                   travelTableText(tracker, clock.now(), separator));
    if (!path) {
        ui.message("The travel distance table could not be written in " +
                   tracker.folder().string());
        return std::nullopt;
    }
    ui.openExternal(path->string(), ExternalKind::Document);
    return path;
}

std::optional<std::filesystem::path> exportTravelDistances(
    PathTracker& tracker, const std::string& separator, Clock& clock, Ui& ui,
    const std::function<void(const PathTracker&)>& onBlock) {
    if (!tracker.started()) {
        return std::nullopt;
    }
    while (tracker.step()) {
        // A block's steps take a few milliseconds: the window answers between blocks.
        if (tracker.stepInBlock() == 0) {
            if (onBlock) {
                onBlock(tracker);
            }
            ui.processEvents();
        }
    }
    const auto path = writeTravelTable(tracker, separator, clock, ui);
    tracker.rewind();
    return path;
}

}  // namespace qv

// quorvel-tool tag, joint-report, export-signals and track: the offline browser's kinetic
// group tags and joint report, the raw-signal export and single-animal path tracking.
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "common/bitmap_canvas.h"
#include "common/cp1252.h"
#include "common/list_separator.h"
#include "offline/series/joint_report.h"
#include "offline/series/kinetic_tags.h"
#include "offline/series/path_tracking.h"
#include "offline/series/signal_export.h"
#include "setup/group_layout.h"
#include "store/tags.h"

namespace qv::cli {

namespace fs = std::filesystem;

namespace {

struct SeriesOptions {
    std::string appFolder;
    std::vector<std::string> acquisitions;
    std::string acquisition;
    std::string project;
    std::string tag;
    bool relative = false;
    std::string groupsFrom;
    std::string well;
    int page = 1;
    bool frames = false;
    int frameWidth = 480;
    int frameEvery = 1;
};

fs::path absolute(const std::string& path) {
    std::error_code ec;
    return fs::absolute(fs::path(path), ec).lexically_normal();
}

fs::path withoutTrailingSlash(fs::path p) {
    return p.has_filename() ? p : p.parent_path();
}

// --- tag

void runTag(const SeriesOptions& o, ToolContext& ctx) {
    const auto entry = kineticTagEntry(o.tag);
    std::vector<TagTarget> targets;
    for (const std::string& a : o.acquisitions) {
        const fs::path folder = withoutTrailingSlash(absolute(a));
        if (!parseFolderStamp(folder.filename().string())) {
            ctx.fail("Tags Apply only to Subprojects (acquisitions)");
            return;
        }
        targets.push_back({folder.parent_path(), folder.filename().string()});
    }
    SystemClock clock;
    for (const TagTarget& failed : tagAcquisitions(targets, *entry, clock)) {
        ctx.fail("tags_id.dat could not be written in " + failed.projectFolder.string());
    }
    nlohmann::json list = nlohmann::json::array();
    for (const TagTarget& t : targets) {
        const std::string tags = tagsOfAcquisition(t.projectFolder, t.acquisition);
        list.push_back({{"folder", jsonPath(t.projectFolder / t.acquisition)},
                        {"tags", storedText(tags)},
                        {"tag_list", tagListEntries(storedText(tags))}});
    }
    printJson({{"tag", kineticTag(*entry)}, {"acquisitions", list}});
}

// --- joint-report

fs::path projectFolderOf(const SeriesOptions& o) {
    const bool number = !o.project.empty() && o.project.size() <= 5 &&
                        o.project.find_first_not_of("0123456789") == std::string::npos;
    if (!number) {
        return withoutTrailingSlash(absolute(o.project));
    }
    std::string digits = o.project;
    digits.insert(0, 5 - digits.size(), '0');
    return absolute(o.appFolder) / ("p" + digits);
}

void runJointReport(const SeriesOptions& o, ToolContext& ctx) {
    const fs::path project = projectFolderOf(o);
    const std::string tag = kineticTag(*kineticTagEntry(o.tag));
    const std::vector<std::string> members = inStartOrder(acquisitionsWithTag(project, tag));
    if (members.empty()) {
        ctx.fail("No acquisition of " + project.string() + " carries the tag " + tag);
        return;
    }
    // The groups come from one acquisition's own settings, as in the browser, where the series
    // is opened from an acquisition: the first of the series unless another is named.
    const fs::path groupsFrom =
        o.groupsFrom.empty() ? project / members.front() : absolute(o.groupsFrom);
    const auto settings = readAcquisitionSettings(groupsFrom, o.appFolder, ctx.ui);
    if (!settings) {
        ctx.exitCode = kExitFailure;
        return;
    }
    SeriesRequest request{project, tag, {}, o.relative};
    request.channelGroup = settings->groups.channelGroup;
    const auto series = buildKineticSeries(request, ctx.ui);
    if (!series || series->points() == 0) {
        ctx.fail("No acquisition tagged " + tag + " has an activity file");
        return;
    }
    SystemClock clock;
    const auto path = writeJointReport(project, *series,
                                       jointReportSeparatorOf(o.appFolder, ctx.ui), clock, ctx.ui);
    if (!path) {
        ctx.exitCode = kExitFailure;
        return;
    }
    printJson({{"path", jsonPath(*path)},
               {"tag", tag},
               {"acquisitions", series->acquisitions},
               {"missing", series->missing},
               {"time_unit", series->unit},
               {"time_labels", series->timeLabels},
               {"groups_from", jsonPath(groupsFrom)}});
}

// --- export-signals

void runExportSignals(const SeriesOptions& o, ToolContext& ctx) {
    const fs::path folder = withoutTrailingSlash(absolute(o.acquisition));
    const auto acquisition = readAcquisitionPlate(folder, o.appFolder, ctx.ui);
    if (!acquisition) {
        ctx.exitCode = kExitFailure;
        return;
    }
    if (wellOfLabel(acquisition->plate, o.well) < 0) {
        throw UsageError("--well " + o.well + " is no well of the plate " +
                         acquisition->settings.plateFormat);
    }
    const auto out = exportSignals({folder, o.appFolder, o.well, o.page}, ctx.ui);
    if (!out) {
        ctx.exitCode = kExitFailure;
        return;
    }
    printJson({{"path", jsonPath(out->path)},
               {"well", o.well},
               {"page", o.page},
               {"pages", out->pages},
               {"blocks", out->blocks},
               {"channels", out->channels}});
}

// --- track

struct FrameWriter {
    const SeriesOptions& o;
    BitmapCanvas canvas{o.frameWidth, o.frameWidth * 2 / 3};
    int written = 0;

    bool write(const PathTracker& tracker, std::int64_t position) {
        if (position % o.frameEvery != 0) {
            return true;
        }
        drawTrackingFrame(canvas, tracker);
        const fs::path file = trackingFramePath(tracker.folder(), position);
        std::error_code ec;
        fs::create_directories(file.parent_path(), ec);
        if (!canvas.save(file)) {
            return false;
        }
        ++written;
        return true;
    }
};

nlohmann::json wellTotals(const PathTracker& tracker) {
    nlohmann::json totals = nlohmann::json::object();
    const PlateFormat& plate = tracker.acquisition().plate;
    for (std::size_t w = 0; w < tracker.wells().size(); ++w) {
        if (!tracker.wells()[w].channels.empty()) {
            const double mm = tracker.wells()[w].distance * kMmPerBeamSpacing;
            totals[wellLabel(plate, static_cast<int>(w))] = std::round(mm * 10) / 10;
        }
    }
    return totals;
}

bool replay(PathTracker& tracker, FrameWriter* frames, ToolContext& ctx) {
    int shownBlock = -1;
    while (!tracker.finished()) {
        const std::int64_t position =
            static_cast<std::int64_t>(tracker.block()) * kTrackStepsPerBlock +
            tracker.stepInBlock();
        tracker.step();
        if (frames != nullptr && !frames->write(tracker, position)) {
            ctx.fail("A frame could not be written in " + (tracker.folder() / "bmp").string());
            return false;
        }
        if (tracker.block() != shownBlock) {
            shownBlock = tracker.block();
            ctx.ui.progress("block " + std::to_string(shownBlock) + "/" +
                            std::to_string(tracker.blocks()) + "  " + tracker.positionText());
        }
    }
    return true;
}

void runTrack(const SeriesOptions& o, ToolContext& ctx) {
    const fs::path folder = withoutTrailingSlash(absolute(o.acquisition));
    const auto s = readAcquisitionSettings(folder, o.appFolder, ctx.ui);
    if (!s) {
        ctx.exitCode = kExitFailure;
        return;
    }
    if (!trackingOffered(s->plateFormat, s->organism)) {
        ctx.fail(
            "Single animal path tracking is offered for the plate w6 with Zebrafish or "
            "Drosophila; this acquisition has the plate " +
            s->plateFormat + " and organism " + std::to_string(s->organism));
        return;
    }
    PathTracker tracker;
    if (!tracker.start(folder, o.appFolder, ctx.ui)) {
        ctx.exitCode = kExitFailure;
        return;
    }
    FrameWriter frames{o};
    if (!replay(tracker, o.frames ? &frames : nullptr, ctx)) {
        return;
    }
    SystemClock clock;
    const auto table = writeTravelTable(tracker, systemListSeparator(), clock, ctx.ui);
    if (!table) {
        ctx.exitCode = kExitFailure;
        return;
    }
    printJson({{"table", jsonPath(*table)},
               {"blocks", tracker.blocks()},
               {"distance_mm", wellTotals(tracker)},
               {"frames", frames.written},
               {"failed_detections", tracker.failedDetections()}});
}

CLI::Validator tagNames() {
    return CLI::Validator(
        [](const std::string& v) {
            return kineticTagEntry(v) ? std::string() : "must be K1, K2, K3, K4 or clear";
        },
        "K1|K2|K3|K4|clear");
}

}  // namespace

void addSeriesCommands(CLI::App& app, ToolContext& ctx) {
    auto o = std::make_shared<SeriesOptions>();

    CLI::App* tag = app.add_subcommand(
        "tag", "Give acquisitions a kinetic group tag, or clear their tags (tags_id.dat)");
    tag->add_option("ACQ", o->acquisitions, "acquisition folders (yyyymmdd_hhmm), one or more")
        ->required()
        ->check(CLI::ExistingDirectory);
    tag->add_option("--tag", o->tag, "K1, K2, K3, K4 or clear")->required()->check(tagNames());
    addAppFolderOption(*tag, o->appFolder);
    ctx.trial(tag, "{acquisition} --tag K2 --app-folder {app}");
    tag->callback([o, &ctx] { runTag(*o, ctx); });

    CLI::App* joint =
        app.add_subcommand("joint-report",
                           "The joint report of a tag's acquisitions in start order (a CSV file in "
                           "the project folder); prints its path");
    joint->add_option("PROJECT", o->project, "project folder, or project number 1..32000")
        ->required();
    joint->add_option("--tag", o->tag, "K1, K2, K3 or K4")->required()->check(tagNames());
    joint->add_flag("--relative", o->relative, "every group in percent of its Time0 value");
    joint
        ->add_option("--groups-from", o->groupsFrom,
                     "acquisition whose groups are used (default: the first of the series)")
        ->check(CLI::ExistingDirectory);
    addAppFolderOption(*joint, o->appFolder);
    ctx.trial(joint, "1 --tag K4 --app-folder {app}");
    joint->callback([o, &ctx] {
        if (!kineticTagEntry(o->tag) || *kineticTagEntry(o->tag) == 0) {
            throw UsageError("--tag must be K1, K2, K3 or K4");
        }
        runJointReport(*o, ctx);
    });

    CLI::App* signals =
        app.add_subcommand("export-signals",
                           "The raw beam signals of one well over one page of 50 blocks, as "
                           "datafile.txt in the application folder");
    signals->add_option("ACQ", o->acquisition, "acquisition folder holding 0.bin, 1.bin, ...")
        ->required()
        ->check(CLI::ExistingDirectory);
    signals->add_option("--well", o->well, "well label, row letter and column number (B3)")
        ->required();
    signals->add_option("--page", o->page, "page of 50 blocks, from 1 (default 1)")
        ->check(CLI::Range(1, 1000000));
    addAppFolderOption(*signals, o->appFolder);
    ctx.trial(signals, "{acquisition} --well A1 --app-folder {app}");
    signals->callback([o, &ctx] { runExportSignals(*o, ctx); });

    CLI::App* track = app.add_subcommand(
        "track",
        "Single-animal path tracking (plate w6, Zebrafish or Drosophila): the travel "
        "distance table, its path and each well's distance");
    track->add_option("ACQ", o->acquisition, "acquisition folder with counts.bin and raw files")
        ->required()
        ->check(CLI::ExistingDirectory);
    track->add_flag("--frames", o->frames,
                    "also a bitmap per step in bmp/ of the acquisition, named by sample position");
    track
        ->add_option("--frame-width", o->frameWidth,
                     "frame width in pixels, 48..2400 (default 480; height two thirds)")
        ->check(CLI::Range(48, 2400));
    track
        ->add_option("--frame-every", o->frameEvery,
                     "a frame at every Nth step only, 1..500 (default 1)")
        ->check(CLI::Range(1, 500));
    addAppFolderOption(*track, o->appFolder);
    ctx.trial(track, "{acquisition} --app-folder {app}");
    track->callback([o, &ctx] { runTrack(*o, ctx); });
}

}  // namespace qv::cli

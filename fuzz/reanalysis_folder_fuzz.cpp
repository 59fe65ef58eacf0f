// "Analyze Raw Data" on an acquisition folder: the raw sample files N.bin read block after
// block by the re-analysis reader, counts.bin, the settings snapshot (RT_Buffer says how long
// a record is), then the optional rewrite of counts.bin and of the snapshot's detection
// settings, the marks files and the report.
//
// Input parts: options (integers: method organism snr_x10 bin limit flags rt_choice blocks
// trailing stop_at; at most 13 blocks, two files), counts.bin, a pattern the raw files are tiled
// from, and the snapshot's setup.dat (written by the program with the chosen RT_Buffer when the
// part is absent). Flag bits: 0 replace the old data, 1 export the marks (chN.raw), 2 no raw files
// at all, 3 text report, 4 no 1.bin (a file missing in the middle), 5..7 the report layout.
//
// What may change: the report and its copy named after the acquisition; chN.raw when marks
// are exported (appended lines only); counts.bin, counts.bak, setup.dat and setup.bak only
// when the run replaced the old data, and then exactly as the replacement says. The raw files
// never change.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <sstream>

#include "analysis/activity_detection.h"
#include "analysis/activity_files.h"
#include "analysis/reanalysis.h"
#include "common/clock.h"
#include "store/acquisition_description.h"
#include "store/project_load.h"
#include "store/project_setup.h"
#include "support/fuzz_support.h"

using namespace qv;
namespace fs = std::filesystem;

namespace {

// RT_Buffer values of the generated snapshot: the usual 500, each side of the 500 samples
// detection needs, a block too short for it, none, a negative one and a long one.
constexpr int kRtChoices[] = {500, 499, 501, 520, 10, 0, -1, 4000};

struct Options {
    ReanalysisChoice choice;
    int flags = 0;
    int rtBuffer = 500;
    std::size_t blocks = 0;
    std::size_t trailing = 0;
    std::int64_t stopAt = 0;
};

std::int64_t wrapped(std::int64_t v, std::int64_t n) {
    return ((v % n) + n) % n;
}

Options readOptions(const std::string& text, const fs::path& folder, const fs::path& app) {
    std::vector<std::int64_t> v;
    std::istringstream in(text);
    std::string token;
    while (in >> token && v.size() < 10) {
        std::int64_t n = 0;
        std::from_chars(token.data(), token.data() + token.size(), n);
        v.push_back(n);
    }
    v.resize(10, 0);
    Options o;
    ReanalysisChoice& c = o.choice;
    c.folder = folder;
    c.appFolder = app;
    c.method = static_cast<std::int16_t>(wrapped(v[0], 6) - 1);  // -1..4: the panel's and two
    c.organism = static_cast<std::int16_t>(wrapped(v[1], 4));
    const std::int64_t snrx10 = std::clamp<std::int64_t>(v[2], -10, 100);
    c.snr = static_cast<double>(snrx10) / 10;
    c.snrText = std::to_string(snrx10 / 10) + "." + std::to_string(std::abs(snrx10 % 10));
    c.bin = static_cast<std::int32_t>(std::clamp<std::int64_t>(v[3], -10, 2000));
    c.limitMinutes = v[4] == 0
                         ? kWholeAcquisitionMinutes
                         : static_cast<std::int32_t>(std::clamp<std::int64_t>(v[4], -10, 40000));
    o.flags = static_cast<int>(wrapped(v[5], 256));
    c.replace = (o.flags & 1) != 0;
    c.exportRaw = (o.flags & 2) != 0;
    c.options.csv = (o.flags & 8) == 0;
    c.options.layout = static_cast<ReportLayout>((o.flags >> 5) % 5);
    c.options.autoreport = true;
    c.basalName = "-";
    o.rtBuffer = kRtChoices[wrapped(v[6], 8)];
    o.blocks =
        static_cast<std::size_t>(std::clamp<std::int64_t>(v[7], 0, o.rtBuffer > 520 ? 2 : 13));
    o.trailing = static_cast<std::size_t>(
        wrapped(v[8], static_cast<std::int64_t>(rawRecordBytes(o.rtBuffer))));
    o.stopAt = v[9];
    return o;
}

// The installed setup.dat as the program writes it with another RT_Buffer; made once a value.
const std::string& snapshotSetup(const fs::path& app, int rtBuffer) {
    static std::map<int, std::string> made;
    if (const auto it = made.find(rtBuffer); it != made.end()) {
        return it->second;
    }
    ProjectSetup s;
    double number = 0;
    fuzz::check(readSetupFile(app / "setup.dat", s, number) == kSetupFullyRead,
                "the installed setup.dat does not read");
    s.RT_Buffer = static_cast<std::int16_t>(rtBuffer);
    const fs::path scratch = fuzz::scratchRoot() / "snapshot";
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    fuzz::check(saveSetupFile(scratch, s, 1, s.Working_folder), "cannot write a snapshot");
    return made[rtBuffer] = fuzz::readBytes(scratch / "setup.dat");
}

// The raw files of `blocks` records and `trailing` bytes more, 11 records a file, tiled from
// the pattern.
void writeRawFiles(const fs::path& folder, const Options& o, const std::string& pattern) {
    const std::size_t record = rawRecordBytes(o.rtBuffer);
    const std::size_t total = o.blocks * record + o.trailing;
    // Doubling, not byte by byte: the bytes of a run are megabytes.
    std::string stream = pattern.empty() ? std::string("\xa4\x06", 2) : pattern;
    while (stream.size() < total) {
        stream += stream;
    }
    stream.resize(total);
    const std::size_t perFile = kBlocksPerFile * record;
    for (std::size_t at = 0, index = 0; at < total || index == 0; at += perFile, ++index) {
        if (index != 1 || (o.flags & 16) == 0) {
            fuzz::writeBytes(rawFilePath(folder, static_cast<int>(index)),
                             std::string_view(stream).substr(at, perFile));
        }
    }
}

// "<minute stamp> " then 500 flags "0" or "1", CR LF, line after line.
void checkMarksFile(const std::string& bytes) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t space = bytes.find(' ', at);
        fuzz::check(space != std::string::npos && space > at && space - at <= 5,
                    "a marks line without its block number");
        fuzz::check(bytes.find_first_not_of("0123456789", at) == space,
                    "a marks line whose block number is no minute stamp");
        fuzz::check(bytes.size() >= space + 1 + 500 + 2, "a marks line cut short");
        const std::string_view flags(bytes.data() + space + 1, 500);
        fuzz::check(flags.find_first_not_of("01") == std::string_view::npos,
                    "a marks line holds no flags");
        fuzz::check(bytes.compare(space + 501, 2, "\r\n") == 0, "a marks line badly ended");
        at = space + 503;
    }
}

bool isReportFile(const std::string& name) {
    const bool ext = name.ends_with(".csv") || name.ends_with(".txt");
    return ext && (name.starts_with("report.") || name.starts_with("report_"));
}

bool isMarksFile(const std::string& name) {
    return name.starts_with("ch") && name.ends_with(".raw") &&
           name.find_first_not_of("0123456789", 2) == name.size() - 4;
}

// After a run that replaced the old data: counts.bak is the old counts.bin, the new one has
// its length, the records past those analysed as they were and every temperature kept.
void checkReplacedCounts(const fuzz::Tree& before, const fuzz::Tree& after, const std::string& rel,
                         std::size_t records) {
    const std::string& old = before.files.at(rel + "counts.bin");
    fuzz::check(
        after.files.contains(rel + "counts.bak") && after.files.at(rel + "counts.bak") == old,
        "counts.bak is not the counts.bin before the run");
    const std::string& now = after.files.at(rel + "counts.bin");
    fuzz::check(now.size() == old.size(), "the replaced counts.bin changed length");
    const std::size_t rewritten = records * kCountsRecordBytes;
    fuzz::check(now.compare(rewritten, std::string::npos, old, rewritten) == 0,
                "the replace changed records it did not analyse");
    for (std::size_t j = 0; j < records; ++j) {
        const auto a = decodeCountsRecord(
            std::string_view(old).substr(j * kCountsRecordBytes, kCountsRecordBytes));
        const auto b = decodeCountsRecord(
            std::string_view(now).substr(j * kCountsRecordBytes, kCountsRecordBytes));
        fuzz::check(a.counts[kTemperatureSlot] == b.counts[kTemperatureSlot],
                    "the replace lost a record's temperature");
    }
}

// The snapshot's detection settings after a replace: rewritten only from a complete file,
// which setup.bak then keeps, and with nothing changed but the three detection values.
void checkReplacedSetup(const fuzz::Tree& before, const fuzz::Tree& after, const std::string& rel,
                        const fs::path& folder, const ReanalysisChoice& c) {
    const std::string& old = before.files.at(rel + "setup.dat");
    const std::string& now = after.files.at(rel + "setup.dat");
    const fs::path oldFile = fuzz::scratchRoot() / "old_setup.dat";
    fuzz::writeBytes(oldFile, old);
    ProjectSetup was;
    double number = 0;
    const bool complete =
        isCompleteSetupFile(oldFile) && readSetupFile(oldFile, was, number) == kSetupFullyRead;
    if (!complete) {
        fuzz::check(now == old && !after.files.contains(rel + "setup.bak"),
                    "a setup.dat that does not read was rewritten");
        return;
    }
    fuzz::check(after.files.contains(rel + "setup.bak") && after.files.at(rel + "setup.bak") == old,
                "setup.bak is not the setup.dat before the replace");
    ProjectSetup is;
    fuzz::check(readSetupFile(folder / "setup.dat", is, number) == kSetupFullyRead,
                "the rewritten setup.dat does not read");
    const auto snrx10 = static_cast<std::int16_t>(std::lround(c.snr * 10));
    fuzz::check(is.DSP_Method == c.method && is.Mn1[mn1::Organism] == c.organism &&
                    is.Mn1[mn1::SNRx10] == snrx10,
                "the rewritten setup.dat holds other detection settings");
    fuzz::check(is.RT_Buffer == was.RT_Buffer && is.Plate_format == was.Plate_format &&
                    is.Name == was.Name && is.Aq_lapse == was.Aq_lapse,
                "the rewritten setup.dat changed more than the detection");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = fuzz::splitParts(fuzz::asText(data, size), 4);
    const auto part = [&](std::size_t i) { return i < parts.size() ? parts[i] : std::string(); };
    const fs::path app = fuzz::freshScratch();
    fuzz::layInstallation(app);
    const fs::path folder = app / "p00001" / "20240614_1530";
    const Options o = readOptions(part(0), folder, app);
    const ReanalysisChoice& c = o.choice;

    for (const char* name : {"status.dat", "threshld.dat", "groups.dat", "chgroup.dat"}) {
        fuzz::writeBytes(folder / name, fuzz::readBytes(app / name));
    }
    fuzz::writeBytes(folder / "setup.dat",
                     parts.size() > 3 ? part(3) : snapshotSetup(app, o.rtBuffer));
    fuzz::writeBytes(folder / "subproj.dat", "\"Replay\"\r\n");
    if (parts.size() > 1) {
        fuzz::writeBytes(folder / "counts.bin", part(1));
    }
    if ((o.flags & 4) == 0) {
        writeRawFiles(folder, o, part(2));
    }
    const auto before = fuzz::snapshot(app);
    const std::size_t wholeRecords = part(1).size() / kCountsRecordBytes;

    fuzz::FuzzUi ui;
    TestClock clock;
    ReanalysisHooks hooks;
    bool started = false;
    std::size_t announced = 0;
    std::size_t lastRecord = 0;
    std::int64_t stops = 0;
    hooks.started = [&](std::size_t records, std::int32_t bin) {
        started = true;
        announced = records;
        fuzz::check(records <= wholeRecords, "more records announced than counts.bin holds");
        fuzz::check(bin >= 2, "a bin below 2 minutes");
    };
    hooks.record = [&](std::size_t n, std::size_t total) {
        fuzz::check(n == lastRecord + 1 && n <= total && total == announced,
                    "records counted out of turn");
        lastRecord = n;
    };
    hooks.stopRequested = [&] { return ++stops == o.stopAt; };
    ReanalysisOutcome outcome;
    fuzz::mustNotThrow("runReanalysis", [&] { outcome = runReanalysis(c, hooks, ui, clock); });
    const auto after = fuzz::snapshot(app);

    fuzz::check(outcome.records <= announced, "more records analysed than announced");
    fuzz::check(
        !outcome.replaced || (c.replace && outcome.status != ReanalysisOutcome::Status::Stopped),
        "old data replaced unasked or by a stopped run");
    if (outcome.status == ReanalysisOutcome::Status::Reported) {
        fuzz::check(started && outcome.report && outcome.report->parent_path() == folder &&
                        fs::is_regular_file(*outcome.report),
                    "a reported run without its report");
    } else {
        fuzz::check(!ui.messages.empty() || outcome.status == ReanalysisOutcome::Status::Stopped,
                    "a run that failed without a message");
    }

    const std::string rel = folder.lexically_relative(app).string() + "/";
    const std::string copy =
        acquisitionCopyName(readAcquisitionName(folder), c.options.csv ? ".csv" : ".txt");
    const bool reported = outcome.status != ReanalysisOutcome::Status::Stopped;
    fuzz::expectUnchanged(before, after, "the re-analysis", [&](const std::string& p) {
        if (!p.starts_with(rel)) {
            return false;
        }
        const std::string file = p.substr(rel.size());
        if (file == "counts.bin" || file == "counts.bak" || file == "setup.dat" ||
            file == "setup.bak") {
            return outcome.replaced;
        }
        return (reported && (isReportFile(file) || file == copy)) ||
               (c.exportRaw && isMarksFile(file));
    });
    for (const auto& [p, bytes] : after.files) {
        if (p.starts_with(rel) && isMarksFile(p.substr(rel.size()))) {
            const auto was = before.files.find(p);
            fuzz::check(was == before.files.end() || bytes.starts_with(was->second),
                        "a marks file lost what it held");
            checkMarksFile(was == before.files.end() ? bytes : bytes.substr(was->second.size()));
        }
    }
    if (outcome.replaced) {
        checkReplacedCounts(before, after, rel, outcome.records);
        checkReplacedSetup(before, after, rel, folder, c);
    }
    return 0;
}

// The report engine's loading of an acquisition folder: counts.bin, the histogram files, the
// basal acquisition's counts.bin and subproj.dat, read by the generate action and by the
// per-well export, on the settings snapshot and plate formats of a real installation.
//
// Input parts: options ("layout bin basal csv export yes-answers", integers), counts.bin, the
// histogram bytes, the histogram file numbers (one per line; each file gets the bytes),
// subproj.dat, the basal acquisition's counts.bin, inputs the user types (one per line, a
// line of the single byte 0x18 a Cancel), and
// the snapshot's chgroup.dat (the installed one when the part is absent).
//
// The reports may add their own files to the acquisition folder (report*, the copy named
// after the acquisition, the per-well files); nothing that was there may change.
#include <charconv>
#include <cmath>
#include <sstream>

#include "analysis/report_generate.h"
#include "analysis/well_export.h"
#include "common/clock.h"
#include "common/field_text.h"
#include "store/acquisition_description.h"
#include "support/fuzz_support.h"

using namespace qv;
namespace fs = std::filesystem;

namespace {

struct Options {
    int layout = 0;
    std::int32_t bin = 30;
    bool basal = false;
    bool csv = true;
    bool exportWells = false;
    std::string answers;
};

Options readOptions(const std::string& text) {
    std::vector<std::int64_t> v;
    std::istringstream in(text);
    std::string token;
    while (in >> token && v.size() < 6) {
        std::int64_t n = 0;
        std::from_chars(token.data(), token.data() + token.size(), n);
        v.push_back(n);
    }
    v.resize(6, 0);
    Options o;
    o.layout = static_cast<int>(((v[0] % 5) + 5) % 5);
    o.bin = static_cast<std::int32_t>(std::clamp<std::int64_t>(v[1], -100000, 100000));
    o.basal = v[2] != 0;
    o.csv = v[3] == 0;
    o.exportWells = v[4] != 0;
    for (std::int64_t bits = v[5]; bits != 0; bits >>= 1) {
        o.answers += (bits & 1) ? '\1' : '\0';
    }
    return o;
}

bool isReportFile(const std::string& name) {
    const bool ext = name.ends_with(".csv") || name.ends_with(".txt");
    return ext && (name.starts_with("report.") || name.starts_with("report_"));
}

// ch000000.txt .. and time.txt without time; 000_A1.txt .. with time.
bool isWellExportFile(const std::string& name) {
    return name == "time.txt" || (name.starts_with("ch") && name.ends_with(".txt")) ||
           (name.size() > 4 && name[3] == '_' && name.ends_with(".txt"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = fuzz::splitParts(fuzz::asText(data, size), 8);
    const auto part = [&](std::size_t i) { return i < parts.size() ? parts[i] : std::string(); };
    const Options o = readOptions(part(0));

    const fs::path app = fuzz::freshScratch();
    fuzz::layInstallation(app);
    const fs::path project = app / "p00001";
    const fs::path folder = project / "20240614_1530";
    for (const char* name :
         {"setup.dat", "status.dat", "threshld.dat", "groups.dat", "chgroup.dat"}) {
        fuzz::writeBytes(folder / name, fuzz::readBytes(app / name));
    }
    if (parts.size() > 1) {
        fuzz::writeBytes(folder / "counts.bin", part(1));
    }
    if (parts.size() > 2) {
        std::string numbers = part(3).empty() ? "0000" : part(3);
        int files = 0;
        for (const std::string& n : splitLines(numbers)) {
            // Names a folder can hold; the reader must cope with any such name.
            if (n.empty() || n.size() > 40 || n.find_first_of(std::string("/\0", 2)) != n.npos ||
                ++files > 8) {
                continue;
            }
            fuzz::writeBytes(folder / ("histo" + n + ".bin"), part(2));
        }
    }
    if (parts.size() > 4) {
        fuzz::writeBytes(folder / "subproj.dat", part(4));
    }
    if (parts.size() > 5) {
        fuzz::writeBytes(project / "20240614_1500" / "counts.bin", part(5));
    }
    if (parts.size() > 7) {
        fuzz::writeBytes(folder / "chgroup.dat", part(7));
    }
    const auto before = fuzz::snapshot(app);
    const std::string name = readAcquisitionName(folder);

    std::vector<std::string> typed = splitLines(part(6));
    typed.resize(std::min<std::size_t>(typed.size(), 20));
    // The basal period question cannot be cancelled: it comes back until a value lies in
    // range, so once out of typed answers the user takes what the box proposes.
    fuzz::FuzzUi ui(o.answers, typed, fuzz::FuzzUi::AfterScript::AcceptProposal);
    TestClock clock;
    ReportRequest request;
    request.folder = folder;
    request.appFolder = app;
    request.bin = o.bin;
    request.options.layout = static_cast<ReportLayout>(o.layout);
    request.options.csv = o.csv;
    request.options.autoreport = true;
    request.basalName = o.basal ? "20240614_1500 basal" : "-";
    ReportOutcome outcome;
    fuzz::mustNotThrow("generateReport", [&] { outcome = generateReport(request, ui, clock); });
    // A run of no length corrects the bin to its length, 0, and stops at the binning.
    fuzz::check(outcome.bin >= 0, "the bin-size box shows a negative bin");
    if (outcome.path) {
        fuzz::check(outcome.path->parent_path() == folder, "report written outside its folder");
        fuzz::check(fs::is_regular_file(*outcome.path), "report path names no file");
    }
    if (o.exportWells) {
        fuzz::FuzzUi exportUi(std::string("\1") + (o.csv ? '\1' : '\0'), {});
        fuzz::mustNotThrow("exportWells",
                           [&] { exportWells(folder, app, o.bin, exportUi, clock); });
    }

    const std::string ext = o.csv ? ".csv" : ".txt";
    const std::string copy = acquisitionCopyName(name, ext);
    const std::string folderRel = folder.lexically_relative(app).string() + "/";
    fuzz::expectUnchanged(before, fuzz::snapshot(app), "the report", [&](const std::string& p) {
        if (!p.starts_with(folderRel)) {
            return false;
        }
        const std::string file = p.substr(folderRel.size());
        return isReportFile(file) || file == copy || (o.exportWells && isWellExportFile(file));
    });
    return 0;
}

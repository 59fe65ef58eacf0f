// A plate format file as the project load reads it (with its fallback to a built-in format),
// as the setup window reads it (without fallback), and as the report reads it (its own map).
#include "analysis/report_acquisition.h"
#include "common/scripted_ui.h"
#include "store/plate_format.h"
#include "support/fuzz_support.h"
#include "support/plate_checks.h"

using namespace qv;
namespace fs = std::filesystem;

namespace {

bool samePlate(const PlateFormat& a, const PlateFormat& b) {
    return a.rows == b.rows && a.columns == b.columns && a.wellOfChannel == b.wellOfChannel &&
           a.beamOfChannel == b.beamOfChannel && a.largestWell == b.largestWell &&
           a.largestBeam == b.largestBeam && a.channelOfWell == b.channelOfWell;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The code decides which built-in format a failed read falls back to.
    static const char* const kCodes[] = {"w384", "w96f", "w96u", "w48"};
    const std::string code = kCodes[size % 4];
    const fs::path app = fuzz::freshScratch();
    fuzz::writeBytes(app / (code + ".dat"), fuzz::asText(data, size));
    const auto before = fuzz::snapshot(app);

    ScriptedUi ui;
    PlateFormat loaded;
    std::string loadedCode = code;
    fuzz::mustNotThrow("loadPlateFormat", [&] { loadPlateFormat(app, loadedCode, loaded, ui); });
    fuzz::checkPlate(loaded, "loadPlateFormat");
    if (!ui.messages.empty()) {
        fuzz::check(loadedCode == (code == "w48" ? "w96f" : code), "fallback to the wrong code");
    }

    const PlateFormat untouched;
    PlateFormat picked;
    PlateLoadStatus st;
    fuzz::mustNotThrow("loadPlateFormatWithoutFallback",
                       [&] { st = loadPlateFormatWithoutFallback(app, code, picked); });
    fuzz::check(st.ok == ui.messages.empty(), "the two plate loaders disagree");
    if (st.ok) {
        fuzz::checkPlate(picked, "loadPlateFormatWithoutFallback");
        fuzz::check(samePlate(picked, loaded), "the two plate loaders read different maps");
    } else {
        fuzz::check(samePlate(picked, untouched), "a failed read changed the plate");
    }

    std::optional<ReportMap> reportMap;
    fuzz::mustNotThrow("readReportMap", [&] { reportMap = readReportMap(app / (code + ".dat")); });
    if (reportMap) {
        fuzz::checkReportMap(*reportMap, "readReportMap");
    }
    ReportMap ofPlate;
    fuzz::mustNotThrow("reportMapOf", [&] { ofPlate = reportMapOf(loaded); });
    fuzz::checkReportMap(ofPlate, "reportMapOf");

    fuzz::expectUnchanged(before, fuzz::snapshot(app), "the plate readers");
    return 0;
}

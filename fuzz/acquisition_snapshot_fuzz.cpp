// The report's reading of an acquisition's settings snapshot: setup.dat, groups.dat,
// chgroup.dat and subproj.dat of the acquisition folder, and the plate format it names.
//
// Input: up to five files separated by the part line: setup.dat, groups.dat, chgroup.dat,
// subproj.dat, and the plate format, stored as w96f.dat in the application folder.
#include "analysis/report_acquisition.h"
#include "support/fuzz_support.h"
#include "support/plate_checks.h"

using namespace qv;
namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = fuzz::splitParts(fuzz::asText(data, size), 5);
    const fs::path app = fuzz::freshScratch();
    const fs::path folder = app / "p00001" / "20240614_1530";
    static const char* const kNames[] = {"setup.dat", "groups.dat", "chgroup.dat", "subproj.dat"};
    for (std::size_t i = 0; i < parts.size() && i < 4; ++i) {
        fuzz::writeBytes(folder / kNames[i], parts[i]);
    }
    if (parts.size() > 4) {
        fuzz::writeBytes(app / "w96f.dat", parts[4]);
    }
    fs::create_directories(folder);
    const auto before = fuzz::snapshot(app);

    fuzz::FuzzUi ui;
    std::optional<AcquisitionSettings> s;
    fuzz::mustNotThrow("readAcquisitionSettings",
                       [&] { s = readAcquisitionSettings(folder, app, ui); });
    fuzz::expectUnchanged(before, fuzz::snapshot(app), "readAcquisitionSettings");
    if (!s) {
        fuzz::check(!ui.messages.empty(), "no settings and no message");
        return 0;
    }
    fuzz::checkReportMap(s->map, "the snapshot's plate map");
    fuzz::check(s->groups.names.size() >= static_cast<std::size_t>(kChannelSlots),
                "fewer group names than channels");
    for (int c = 0; c <= kChannels; ++c) {
        fuzz::check(!s->groups.label(s->groups.channelGroup[c]).empty(), "group without label");
    }
    fuzz::check(s->groups.largestGroup() >= -1, "largest group below -1");
    fuzz::mustNotThrow("settingLine", [&] { settingLine(s->dspMethod, s->organism, s->snrx10); });
    return 0;
}

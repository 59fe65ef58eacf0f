#include "analysis/report_acquisition.h"

#include "common/field_text.h"
#include "common/number_format.h"
#include "store/acquisition_description.h"

namespace qv {

namespace {

bool readSixIntegers(FieldReader& r, std::array<std::int64_t, 6>& v) {
    r.skipLine();
    for (auto& x : v) {
        r.integer(x, -32768, 32767);
    }
    return !r.failed();
}

// The identity, acquisition and first tool line of setup.dat; groups that are missing keep
// their defaults, as the project loader does with a short file.
bool readSetup(const std::filesystem::path& file, AcquisitionSettings& s) {
    auto r = FieldReader::open(file);
    if (!r) {
        return false;
    }
    std::string number, folder;
    r->skipLine();
    r->text(number);
    r->text(s.projectName);
    r->text(folder);
    r->text(s.plateFormat);
    std::array<std::int64_t, 6> acq{}, storage{}, tools{}, mn1{};
    if (!readSixIntegers(*r, acq)) {
        return false;
    }
    s.rtBuffer = static_cast<int>(acq[3]);
    s.dspMethod = static_cast<int>(acq[4]);
    if (readSixIntegers(*r, storage) && readSixIntegers(*r, tools) && readSixIntegers(*r, mn1)) {
        s.organism = static_cast<int>(mn1[0]);
        s.snrx10 = static_cast<int>(mn1[3]);
    }
    return true;
}

bool readGroupNames(const std::filesystem::path& file, std::vector<std::string>& names) {
    auto r = FieldReader::open(file);
    if (!r || !r->skipField()) {
        return false;
    }
    std::vector<std::string> read;
    while (!r->atEnd() && read.size() < kChannels + 1) {
        std::string name;
        if (!r->skipField() || !r->text(name)) {
            return false;
        }
        read.push_back(name);
    }
    for (std::size_t i = 0; i < read.size(); ++i) {
        names[i] = read[i];
    }
    return true;
}

bool readChannelGroups(const std::filesystem::path& file, std::array<int, kChannels + 1>& out) {
    auto r = FieldReader::open(file);
    if (!r || !r->skipField()) {
        return false;
    }
    auto groups = out;
    std::size_t i = 0;
    while (!r->atEnd() && i < kChannels + 1) {
        std::int64_t g = 0;
        if (!r->skipField() || !r->integer(g, -32768, 32767)) {
            return false;
        }
        groups[i++] = static_cast<int>(g);
    }
    out = groups;
    return true;
}

std::string fileMessage(const std::filesystem::path& file) {
    return "Error [" + file.string() + "] => Loading default groups...";
}

}  // namespace

std::string settingLine(int dspMethod, int organism, int snrx10) {
    static constexpr const char* kOrganisms[] = {"C.elegans", "Zebrafish", "Echinococcus"};
    const std::string organismName = organism >= 0 && organism <= 2 ? kOrganisms[organism] : "";
    const int snr = snrx10 < 5 ? 18 : snrx10;
    return "Mode" + std::to_string(dspMethod) + " " + organismName +
           "[snr=" + formatFixed(snr / 10.0, 1) + "]";
}

ReportGroups reportGroupsOf(const ProjectSetup& setup) {
    ReportGroups g;
    g.names.assign(setup.groupName.begin(), setup.groupName.end());
    for (int c = 0; c < kChannelSlots; ++c) {
        g.channelGroup[c] = setup.channelGroup[c];
    }
    return g;
}

ReportGroups defaultReportGroups() {
    ProjectSetup defaults;
    setDefaultGroupNames(defaults);
    setDefaultChannelGroups(defaults);
    return reportGroupsOf(defaults);
}

std::optional<ReportMap> readReportMap(const std::filesystem::path& formatFile) {
    auto r = FieldReader::open(formatFile);
    if (!r) {
        return std::nullopt;
    }
    ReportMap map;
    double rowPitch = 0, rowOffset = 0, colPitch = 0, colOffset = 0;
    std::int64_t rows = 0, columns = 0;
    r->skipField();
    r->skipField();
    r->integer(rows, 1, 384);
    r->number(rowPitch);
    r->number(rowOffset);
    r->integer(columns, 1, 384);
    r->number(colPitch);
    r->number(colOffset);
    r->skipField();
    if (r->failed()) {
        return std::nullopt;
    }
    map.rows = static_cast<int>(rows);
    map.columns = static_cast<int>(columns);
    map.wellOfChannel.fill(-1);
    map.beamOfChannel.fill(0);
    for (int c = 0; c < kChannels + 1 && !r->atEnd(); ++c) {
        std::int64_t well = 0, beam = 0;
        if (!r->skipField() || !r->integer(well, -1, 32767) || !r->integer(beam, 0, 383)) {
            return std::nullopt;
        }
        map.wellOfChannel[c] = static_cast<int>(well);
        map.beamOfChannel[c] = static_cast<int>(beam);
    }
    map.build();
    return map;
}

ReportMap reportMapOf(const PlateFormat& plate) {
    ReportMap map;
    map.rows = plate.rows;
    map.columns = plate.columns;
    map.wellOfChannel.fill(-1);
    map.beamOfChannel.fill(0);
    for (int c = 0; c < kChannels; ++c) {
        // Only channels that really own their cell: the store's cells hold 0 when unfilled.
        const int w = plate.wellOfChannel[c];
        const int b = plate.beamOfChannel[c];
        if (w >= 0 && plate.channelOf(w, b) == c) {
            map.wellOfChannel[c] = w;
            map.beamOfChannel[c] = b;
        }
    }
    map.build();
    return map;
}

std::optional<AcquisitionSettings> readAcquisitionSettings(const std::filesystem::path& folder,
                                                           const std::filesystem::path& appFolder,
                                                           Ui& ui) {
    AcquisitionSettings s;
    s.folder = folder;
    if (!readSetup(folder / "setup.dat", s)) {
        ui.message("Error reading " + (folder / "setup.dat").string());
        return std::nullopt;
    }
    s.groups = defaultReportGroups();
    if (!readGroupNames(folder / "groups.dat", s.groups.names)) {
        ui.message(fileMessage(folder / "groups.dat"));
    }
    if (!readChannelGroups(folder / "chgroup.dat", s.groups.channelGroup)) {
        ui.message(fileMessage(folder / "chgroup.dat"));
    }
    s.name = readAcquisitionName(folder);
    const auto base = appFolder / s.plateFormat;
    // The format names a file of the application folder; a stored name holding a separator or
    // a NUL would reach outside it.
    const bool plainName =
        s.plateFormat.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
    std::optional<ReportMap> map;
    for (const char* ext : {".dat", ".bak"}) {
        // A name the file system refuses (too long, say) is a format not found, not a throw.
        std::error_code ec;
        if (plainName && !map && std::filesystem::exists(base.string() + ext, ec)) {
            map = readReportMap(base.string() + ext);
        }
    }
    if (!map) {
        ui.message("Multiwell Configuration File " + base.string() + ".dat or .bak not found");
        return std::nullopt;
    }
    s.map = *map;
    return s;
}

}  // namespace qv

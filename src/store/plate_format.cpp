#include "store/plate_format.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "common/field_text.h"
#include "common/file_util.h"

namespace qv {

namespace fs = std::filesystem;

PlateFormat::PlateFormat() {
    applyBuiltInPlateFormat("w384", *this);
    buildMap(*this);
}

int PlateFormat::channelOf(int well, int beam) const {
    if (beam < 0 || beam >= beamsOfWell(well)) {
        return -1;
    }
    // A cell holding 0 is either channel 0 or an unfilled cell: channel 0 says which.
    const int c = channelOfWell[well][beam];
    return wellOfChannel[c] == well && beamOfChannel[c] == beam ? c : -1;
}

int PlateFormat::beamsOfWell(int well) const {
    if (well < 0 || well >= static_cast<int>(beamCount.size())) {
        return 0;
    }
    return beamCount[well];
}

int PlateFormat::realWellCount() const {
    return static_cast<int>(
        std::count_if(beamCount.begin(), beamCount.end(), [](std::int16_t n) { return n > 0; }));
}

void buildMap(PlateFormat& plate) {
    const std::size_t wells = static_cast<std::size_t>(std::max<int>(plate.largestWell, 0)) + 1;
    const std::size_t beams = static_cast<std::size_t>(std::max<int>(plate.largestBeam, 0)) + 1;
    plate.channelOfWell.assign(wells, std::vector<std::int16_t>(beams, 0));
    plate.beamCount.assign(wells, 0);
    for (int c = 0; c < kChannels; ++c) {
        const int w = plate.wellOfChannel[c];
        const int b = plate.beamOfChannel[c];
        if (w < 0 || static_cast<std::size_t>(w) >= wells || b < 0 ||
            static_cast<std::size_t>(b) >= beams) {
            continue;
        }
        plate.channelOfWell[w][b] = static_cast<std::int16_t>(c);
        plate.beamCount[w] = std::max<std::int16_t>(plate.beamCount[w], b + 1);
    }
}

namespace {

void setGeometry(PlateFormat& p, int rows, double pitch, double rowOffset, int columns,
                 double columnOffset) {
    p.rows = static_cast<std::int16_t>(rows);
    p.rowPitch = pitch;
    p.rowOffset = rowOffset;
    p.columns = static_cast<std::int16_t>(columns);
    p.columnPitch = pitch;
    p.columnOffset = columnOffset;
}

// The two 96-well layouts use the even beam rows only; w96f pairs each even beam column with
// the odd column to its right as beam 1 of the same well, w96u leaves the odd columns out.
void apply96(PlateFormat& p, bool flat) {
    setGeometry(p, 8, 2.0, -0.5, 12, flat ? 0.0 : -0.5);
    p.wellOfChannel.fill(-1);
    p.beamOfChannel.fill(0);
    std::int16_t next = 0;
    for (int c = 0; c < 24; ++c) {
        for (int r = 0; r < 16; r += 2) {
            const int ch = c * 16 + r;
            if (c % 2 == 0) {
                p.wellOfChannel[ch] = next++;
            } else if (flat) {
                p.wellOfChannel[ch] = p.wellOfChannel[ch - 16];
                p.beamOfChannel[ch] = 1;
            }
        }
    }
    p.largestWell = 96;
    p.largestBeam = flat ? 1 : 0;
}

}  // namespace

bool applyBuiltInPlateFormat(const std::string& code, PlateFormat& p) {
    if (code == "w384") {
        setGeometry(p, 16, 1.0, 0.0, 24, 0.0);
        for (int c = 0; c < kChannelSlots; ++c) {
            p.wellOfChannel[c] = static_cast<std::int16_t>(c < kChannels ? c : -1);
            p.beamOfChannel[c] = 0;
        }
        p.largestWell = 383;
        p.largestBeam = 0;
        return true;
    }
    if (code == "w96u" || code == "w96f") {
        apply96(p, code == "w96f");
        return true;
    }
    return false;
}

namespace {

// A code names a file of the application folder, nothing beyond it.
bool isPlainCode(const std::string& code) {
    return !code.empty() && code.find_first_of(std::string("/\\\0", 3)) == std::string::npos &&
           code != "." && code != "..";
}

std::string lowered(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// Installations made on Windows may spell the code in another case than the file name.
fs::path plateFilePath(const fs::path& folder, const std::string& code) {
    const fs::path exact = folder / (code + ".dat");
    if (isRegularFile(exact)) {
        return exact;
    }
    std::error_code ec;
    const std::string wanted = lowered(code + ".dat");
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (lowered(it->path().filename().string()) == wanted && isRegularFile(it->path())) {
            return it->path();
        }
    }
    return exact;
}

bool readGeometry(FieldReader& r, PlateFormat& p) {
    const bool read = r.skipField() && r.skipField() && r.int16(p.rows) && r.number(p.rowPitch) &&
                      r.number(p.rowOffset) && r.int16(p.columns) && r.number(p.columnPitch) &&
                      r.number(p.columnOffset) && r.skipField();
    // Wells are numbered column x rows + row: a plate without rows or columns has no wells.
    return read && p.rows >= 1 && p.columns >= 1;
}

bool readChannelRecord(FieldReader& r, PlateFormat& p, int c) {
    std::int16_t well = 0, beam = 0;
    if (!r.skipField() || !r.int16(well) || !r.int16(beam)) {
        return false;
    }
    // A channel can only be one of 384 wells and one of 384 beams; larger numbers would size
    // the map beyond any plate.
    if (well >= kChannels || (well >= 0 && (beam < 0 || beam >= kChannels))) {
        return false;
    }
    p.wellOfChannel[c] = well;
    p.beamOfChannel[c] = beam;
    if (well >= 0) {
        p.largestWell = std::max(p.largestWell, well);
        p.largestBeam = std::max(p.largestBeam, beam);
    }
    return true;
}

PlateLoadStatus readPlateFileAt(const fs::path& file, PlateFormat& p) {
    PlateLoadStatus st;
    p.rowOffset = 0;
    p.columnOffset = 0;
    auto r = FieldReader::open(file);
    if (!r) {
        return st;
    }
    st.P = 1;
    if (!readGeometry(*r, p)) {
        return st;
    }
    // Channels a shorter file does not list lie in no well, rather than keeping the well of
    // the format loaded before.
    p.wellOfChannel.fill(-1);
    p.beamOfChannel.fill(0);
    p.largestWell = 0;
    p.largestBeam = 0;
    st.P = 2;
    for (int c = 0; c < kChannelSlots && !r->atEnd(); ++c) {
        if (!readChannelRecord(*r, p, c)) {
            return st;
        }
    }
    st.P = 3;
    st.ok = true;
    return st;
}

PlateLoadStatus readPlateFile(const fs::path& folder, const std::string& code, PlateFormat& p) {
    if (!isPlainCode(code)) {
        p.rowOffset = 0;
        p.columnOffset = 0;
        return {};
    }
    return readPlateFileAt(plateFilePath(folder, code), p);
}

}  // namespace

PlateLoadStatus loadPlateFormatFile(const fs::path& file, PlateFormat& plate) {
    PlateFormat read = plate;
    const PlateLoadStatus st = readPlateFileAt(file, read);
    if (st.ok) {
        buildMap(read);
        plate = std::move(read);
    }
    return st;
}

PlateLoadStatus loadPlateFormatWithoutFallback(const fs::path& applicationFolder,
                                               const std::string& code, PlateFormat& plate) {
    PlateFormat read = plate;
    const PlateLoadStatus st = readPlateFile(applicationFolder, code, read);
    if (st.ok) {
        buildMap(read);
        plate = std::move(read);
    }
    return st;
}

bool loadPlateFormat(const fs::path& applicationFolder, std::string& code, PlateFormat& plate,
                     Ui& ui) {
    const PlateLoadStatus st = readPlateFile(applicationFolder, code, plate);
    if (st.ok) {
        buildMap(plate);
        return true;
    }
    ui.message("Error [\\" + code + ".dat] ID#" + std::to_string(st.P) +
               " => Loading plate format from default: 384,96f or 96u...");
    if (code != "w96f" && code != "w384" && code != "w96u") {
        code = "w96f";
    }
    applyBuiltInPlateFormat(code, plate);
    buildMap(plate);
    return false;
}

}  // namespace qv

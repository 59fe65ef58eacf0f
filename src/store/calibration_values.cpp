#include "store/calibration_values.h"

#include <algorithm>
#include <optional>
#include <string>

#include "common/field_text.h"
#include "common/file_util.h"
#include "common/rounding.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFileName = "calvalue.dat";
constexpr const char* kQuotedHeader = "<Num_Channel>, <PinHole>, <Gain> ";
constexpr const char* kReadBackHeader = "channel, power, gain";

std::optional<std::int16_t> toInt16(std::string_view text) {
    const auto v = parseNumber(text);
    if (!v) {
        return std::nullopt;
    }
    const double r = roundHalfEvenReal(*v);
    if (r < -32768 || r > 32767) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(r);
}

// One data line, quotes already removed: the text between the first and second comma, and
// the text after the second. The channel number before the first comma is not used.
bool parseDataLine(const std::string& line, std::int16_t& pinHole, std::int16_t& gain) {
    const std::size_t first = line.find(',');
    if (first == std::string::npos) {
        return false;
    }
    const std::size_t second = line.find(',', first + 1);
    if (second == std::string::npos) {
        return false;
    }
    const auto p = toInt16(std::string_view(line).substr(first + 1, second - first - 1));
    const auto g = toInt16(std::string_view(line).substr(second + 1));
    if (!p || !g) {
        return false;
    }
    pinHole = *p;
    gain = *g;
    return true;
}

}  // namespace

CalibrationReadResult readCalibrationValues(const fs::path& folder, CalibrationValues& values) {
    CalibrationReadResult result;
    auto bytes = readFile(folder / kFileName);
    if (!bytes) {
        return result;
    }
    CalibrationValues read = values;
    const std::vector<std::string> lines = splitLines(*bytes);
    int k = 0;
    for (std::size_t i = 1; i < lines.size() && k < kCalibrationEntries; ++i) {
        std::string line = lines[i];
        line.erase(std::remove(line.begin(), line.end(), '"'), line.end());
        if (line.find_first_not_of(" \t") == std::string::npos) {
            continue;
        }
        const auto at = static_cast<std::size_t>(k);
        if (!parseDataLine(line, read.PinHole[at], read.Gain[at])) {
            result.status = CalibrationReadStatus::Malformed;
            result.entries = k;
            result.badLine = static_cast<int>(i) + 1;
            return result;
        }
        ++k;
    }
    result.entries = k;
    result.status =
        k >= kCalibrationChannels ? CalibrationReadStatus::Ok : CalibrationReadStatus::Short;
    if (result.status == CalibrationReadStatus::Ok) {
        values = read;
    }
    return result;
}

bool writeCalibrationValues(const fs::path& folder, const CalibrationValues& values,
                            CalibrationHeader header) {
    FieldWriter w;
    if (header == CalibrationHeader::Quoted) {
        w.text(kQuotedHeader).endRecord();
    } else {
        w.raw(kReadBackHeader);
    }
    for (int c = 0; c < kCalibrationChannels; ++c) {
        const auto at = static_cast<std::size_t>(c);
        w.number(std::int64_t{c}).number(std::int64_t{values.PinHole[at]});
        w.number(std::int64_t{values.Gain[at]}).endRecord();
    }
    return writeFileAtomic(folder / kFileName, w.str());
}

bool writeStartingCalibrationValues(const fs::path& folder, CalibrationValues& values) {
    values.PinHole.fill(kStartingPinHole);
    values.Gain.fill(kStartingGain);
    return writeCalibrationValues(folder, values);
}

}  // namespace qv

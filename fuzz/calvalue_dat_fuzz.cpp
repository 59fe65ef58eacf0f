// calvalue.dat: PinHole and Gain of every channel as the calibration step reads them. The
// tables change only when the whole file read; what was read writes and reads back the same.
#include "store/calibration_values.h"
#include "support/fuzz_support.h"

using namespace qv;
namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path app = fuzz::freshScratch();
    fuzz::writeBytes(app / "calvalue.dat", fuzz::asText(data, size));
    const auto before = fuzz::snapshot(app);

    CalibrationValues values;
    values.PinHole.fill(-7);
    values.Gain.fill(-9);
    const CalibrationValues previous = values;
    CalibrationReadResult result;
    fuzz::mustNotThrow("readCalibrationValues",
                       [&] { result = readCalibrationValues(app, values); });
    fuzz::expectUnchanged(before, fuzz::snapshot(app), "readCalibrationValues");
    fuzz::check(result.entries >= 0 && result.entries <= kCalibrationEntries,
                "entries out of range");
    if (result.status != CalibrationReadStatus::Ok) {
        fuzz::check(values.PinHole == previous.PinHole && values.Gain == previous.Gain,
                    "a failed read changed the tables");
        fuzz::check((result.status == CalibrationReadStatus::Malformed) == (result.badLine > 0),
                    "a bad line without a malformed status");
        return 0;
    }
    fuzz::check(result.entries >= kCalibrationChannels, "Ok with fewer than 384 entries");

    const fs::path copy = app / "copy";
    fs::create_directories(copy);
    fuzz::check(writeCalibrationValues(copy, values), "write failed");
    CalibrationValues back = previous;
    fuzz::check(readCalibrationValues(copy, back).status == CalibrationReadStatus::Ok,
                "a written file does not read");
    for (int c = 0; c < kCalibrationChannels; ++c) {
        fuzz::check(back.PinHole[c] == values.PinHole[c] && back.Gain[c] == values.Gain[c],
                    "the tables do not read back as written");
    }
    return 0;
}

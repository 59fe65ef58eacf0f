// multitsk.dat, the serial ports other instances hold: read, then one port released and the
// file read back.
#include "support/fuzz_support.h"
#include "tools/multitask_file.h"

using namespace qv;
namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::asText(data, size);
    const fs::path folder = fuzz::freshScratch();
    fuzz::writeBytes(folder / "multitsk.dat", bytes);
    const auto before = fuzz::snapshot(folder);

    MultitaskEntries entries{};
    fuzz::mustNotThrow("readMultitask", [&] { entries = readMultitask(folder); });
    fuzz::expectUnchanged(before, fuzz::snapshot(folder), "reading multitsk.dat");

    const int port = size == 0 ? 1 : data[0] % (kMultitaskPorts + 2);  // 0 and 16: no port
    bool released = false;
    fuzz::mustNotThrow("releaseMultitaskPort",
                       [&] { released = releaseMultitaskPort(folder, port); });
    fuzz::check(released, "multitsk.dat could not be rewritten");
    MultitaskEntries after{};
    fuzz::mustNotThrow("readMultitask", [&] { after = readMultitask(folder); });
    // The released port reads 0; every other entry that read back before reads the same.
    for (int p = 1; p <= kMultitaskPorts; ++p) {
        const int expected = p == port ? 0 : entries[p - 1];
        fuzz::check(after[p - 1] == expected, "port " + std::to_string(p) + " changed");
    }
    return 0;
}

// The virtual instrument's side of the line: the firmware model takes whatever bytes arrive,
// in chunks, at times the input gives, and answers what it makes of them.
//
// Input: one byte of configuration (block form, the fault chances), then chunks: a byte whose
// low six bits are the chunk length and high two bits the pause before it (0, 30, 120 or
// 1000 ms), followed by the chunk.
#include "common/clock.h"
#include "sim/firmware.h"
#include "support/fuzz_support.h"

using namespace qv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    sim::InstrumentConfig config;
    config.blockForm = static_cast<sim::BlockForm>(data[0] % 3);
    const double chance = ((data[0] >> 2) & 3) * 0.25;
    config.faults = {chance / 4, chance / 4, chance, chance, chance};
    config.seed = data[0];
    TestClock clock;
    sim::Firmware firmware(clock, config);

    std::size_t at = 1;
    std::size_t received = 0;
    static constexpr int kPauses[] = {0, 30, 120, 1000};
    while (at < size) {
        const int length = data[at] & 63;
        clock.advanceMs(kPauses[data[at] >> 6]);
        ++at;
        const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(length), size - at);
        fuzz::mustNotThrow("Firmware::receive", [&] {
            firmware.receive(std::vector<std::uint8_t>(data + at, data + at + n));
        });
        at += n;
        const auto next = firmware.nextOutputAt();
        fuzz::check(!next || *next >= 0, "output before time began");
        received += firmware.takeOutput(clock.monotonicMs()).size();
        // At most one reply of at most 192 bytes per frame, or a calibration's progress.
        fuzz::check(received <= (at / 5 + 1) * 192 * 2, "more output than frames could ask");
    }
    for (int c = 0; c < 384; ++c) {
        fuzz::check(firmware.setting(c) >= 0 && firmware.setting(c) <= 255, "setting out of byte");
        fuzz::check(firmware.clearLevel(c) >= 0 && firmware.clearLevel(c) <= 4095,
                    "light level out of range");
    }
    fuzz::check(firmware.rawTemperature() >= 0 && firmware.rawTemperature() <= 255,
                "raw temperature out of byte");
    return 0;
}

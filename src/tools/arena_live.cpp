#include "tools/arena_live.h"

#include <algorithm>
#include <string>

namespace qv {

namespace {

constexpr double kFullScale = 4096;
constexpr Color kBandColor{0, 160, 0};
constexpr Color kLevelColor{128, 128, 128};
constexpr Color kSignalColor{0, 0, 200};
constexpr Color kAboveColor{230, 0, 0};
constexpr Color kBelowColor{40, 90, 255};
constexpr Color kSelectedColor{255, 220, 0};
constexpr Color kMapGround{24, 24, 24};

Color frameColor(const TargetBand& band, int reading) {
    if (band.above(reading)) {
        return kAboveColor;
    }
    return band.below(reading) ? kBelowColor : kBandColor;
}

}  // namespace

void ArenaLive::clear() {
    latest.fill(0);
    levels.fill(kStartLevel);
    history_.assign(static_cast<std::size_t>(kArenaChannels) * kHistory, 0);
    newest_ = 0;
    count_ = 0;
}

void ArenaLive::record() {
    newest_ = (newest_ + 1) % kHistory;
    count_ = std::min(count_ + 1, kHistory);
    for (int c = 0; c < kArenaChannels; ++c) {
        history_[static_cast<std::size_t>(c * kHistory + newest_)] =
            static_cast<std::int16_t>(latest[static_cast<std::size_t>(c)]);
    }
}

int ArenaLive::past(int channel, int age) const {
    if (age < 0 || age >= count_) {
        return 0;
    }
    const int slot = (newest_ - age + kHistory) % kHistory;
    return history_[static_cast<std::size_t>(channel * kHistory + slot)];
}

void ArenaLive::drawSignal(Canvas& canvas, int channel, const TargetBand& band, double zoom) const {
    const double span = kFullScale / std::max(zoom, 1.0);
    const double level = levels[static_cast<std::size_t>(channel)];
    const double low = std::clamp(level - span / 2, 0.0, kFullScale - span);
    const double right = kHistory - 1;
    canvas.scale(0, low + span, right, low);
    canvas.clear(colors::white);
    canvas.line(0, band.lower, right, band.lower, kBandColor);
    canvas.line(0, band.upper, right, band.upper, kBandColor);
    canvas.line(0, level, right, level, kLevelColor);
    // Oldest on the left, the newest reading at the right edge.
    for (int age = std::min(count_, kHistory) - 1; age >= 1; --age) {
        canvas.line(right - age, past(channel, age), right - age + 1, past(channel, age - 1),
                    kSignalColor);
    }
    canvas.text(4, low + span - canvas.textHeight() * 0.2,
                "CH" + std::to_string(channel) + "  " +
                    std::to_string(latest[static_cast<std::size_t>(channel)]),
                colors::black);
}

void ArenaLive::drawPixelMap(Canvas& canvas, const PixelMapLook& look) const {
    canvas.scale(0, 0, kArenaColumns, kArenaRows);
    canvas.clear(kMapGround);
    const double margin = (1.0 - std::clamp(look.pixelSize, 1, 10) / 10.0) / 2;
    for (int c = 0; c < kArenaChannels; ++c) {
        const int reading = latest[static_cast<std::size_t>(c)];
        const double x = columnOf(c);
        const double y = rowOf(c);
        const int grey =
            std::clamp(static_cast<int>(reading * look.brightness * 255 / 4095), 0, 255);
        canvas.filledBox(x + margin, y + margin, x + 1 - margin, y + 1 - margin,
                         Color::grey(static_cast<std::uint8_t>(grey)));
        canvas.box(x + margin, y + margin, x + 1 - margin, y + 1 - margin,
                   frameColor(look.band, reading));
        if (look.enabled != nullptr && !look.enabled[c]) {
            canvas.line(x + margin, y + margin, x + 1 - margin, y + 1 - margin, kAboveColor);
            canvas.line(x + margin, y + 1 - margin, x + 1 - margin, y + margin, kAboveColor);
        }
    }
    const double x = columnOf(look.selected);
    const double y = rowOf(look.selected);
    canvas.setLineWidth(2);
    canvas.box(x, y, x + 1, y + 1, kSelectedColor);
    canvas.setLineWidth(1);
}

}  // namespace qv

#pragma once

#include <array>
#include <vector>

#include "common/canvas.h"
#include "tools/arena_device.h"

namespace qv {

// How the pixel map of the channels looks.
struct PixelMapLook {
    int selected = 0;
    TargetBand band;
    double brightness = 1.0;        // "Brillo Pixels": a reading x this x 255 / 4095 is its grey
    int pixelSize = 8;              // 1..10 tenths of a beam's cell
    const bool* enabled = nullptr;  // one flag per channel; none: all enabled
};

// The arena's live readings: the latest of every channel, the last 601 of each for the
// real-time plot, and a level per channel ("Auto Set Blank" takes the readings as levels).
class ArenaLive {
  public:
    static constexpr int kHistory = 601;
    static constexpr int kStartLevel = 2040;

    ArenaLive() { clear(); }

    // Everything back to the start: no readings, every level 2040.
    void clear();
    // `latest` as one more reading of every channel.
    void record();
    void autoSetBlank() { levels = latest; }
    // The reading `age` readings ago (0 the newest); 0 before there were that many.
    int past(int channel, int age) const;

    // The channel's history over the plot's width, its level and the band; the vertical span
    // is 4096 / zoom around the level.
    void drawSignal(Canvas& canvas, int channel, const TargetBand& band, double zoom) const;
    // The 16 x 24 channels as their beams lie: a grey square each, its frame green inside the
    // band, red above it, blue below; a cross on a disabled channel, a yellow frame around the
    // selected one.
    void drawPixelMap(Canvas& canvas, const PixelMapLook& look) const;

    Readings latest{};
    std::array<int, kArenaChannels> levels{};

  private:
    std::vector<std::int16_t> history_;  // kHistory per channel, a ring
    int newest_ = 0;
    int count_ = 0;
};

}  // namespace qv

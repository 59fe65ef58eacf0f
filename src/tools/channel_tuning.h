#pragma once

#include <functional>
#include <optional>

#include "tools/arena_rules.h"

namespace qv {

// How the automatic calibration of the arena chooses between gain and pinhole.
//   MaxGain: every channel from PinHole 3 Gain 7; the pinhole opens at full gain until the beam
//            is bright enough, then the gain comes down in single steps.
//   MaxPower: every channel from PinHole 7 Gain 0; the pinhole closes at zero gain until the
//            beam is dark enough, then the gain goes up in single steps.
enum class ArenaMode { MaxGain, MaxPower };

// Where each mode starts every channel before tuning them one by one.
ChannelSetting startingSetting(ArenaMode mode);

// Writes a setting to the channel, lets it settle and reads it: the channel's reading, or
// nullopt when the instrument failed (its message already shown).
using ApplySetting = std::function<std::optional<int>(const ChannelSetting&)>;

// Tunes one channel into the band from `setting` (where it is now, read as `reading`). On
// return `setting` is what the instrument holds; the result is its reading there, or nullopt
// when a write or read failed. A channel that cannot reach the band ends at the setting
// nearest to it from the dark side (or at the brightest or darkest setting the mode allows).
std::optional<int> tuneChannel(ArenaMode mode, ChannelSetting& setting, int reading,
                               const TargetBand& band, const ApplySetting& apply);

}  // namespace qv

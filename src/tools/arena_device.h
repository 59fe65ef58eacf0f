#pragma once

#include <array>

#include "acquisition/care_context.h"
#include "tools/arena_rules.h"

namespace qv {

// The latest reading of every channel, 0..4095.
using Readings = std::array<int, kArenaChannels>;

// Long work of the arena that a run or a disconnection took the instrument away from.
inline constexpr const char* kArenaInterrupted =
    "Stopped: a run started or the instrument was disconnected.";

// What the arena asks of the instrument, with the arena's own retries and messages, on the
// register protocol of the care context. Long work checks free() between steps: a run started
// from the main window owns the line from then on.
class ArenaDevice {
  public:
    explicit ArenaDevice(CareContext& care) : care_(care) {}

    // Whether the arena may use the instrument now: connected, and no run going.
    bool free() const;
    // free(), or false after saying why not.
    bool usable();
    // The instrument names itself. Asked before long work, so that a silent line ends the
    // work at once instead of after every retry of every channel; the identification also
    // brings the instrument back to the service form of block reads after a run.
    bool answers();

    // The service block at read index p (0, 32, 64 or 96): the readings of its 96 channels
    // (a negative reading stored as 0), in up to 3 tries 200 ms apart. False after the
    // sending error message, with the readings as they were.
    bool readBlock(int p, Readings& readings);
    // All four blocks; false at the first that fails.
    bool readAll(Readings& readings);

    // The verified channel write; false after its message. An instrument that has gone is
    // found by one plain send before it and gets the same message within seconds.
    bool write(int channel, ChannelSetting setting);
    // Set All's lighter write: the frame sent until the register comes back, at most 9 times,
    // fewer when a try gets no answer and the instrument no longer names itself.
    // The last answer (-1 when none came); `confirmed` says whether it was the echo.
    int writeUntilEcho(int channel, ChannelSetting setting, bool& confirmed);
    // All channels at once (both banks); false when a bank did not answer.
    bool writeAll(ChannelSetting setting);
    // The stored setting byte, in up to 8 tries 200 ms apart; -1 when none answered.
    int readSetting(int channel);
    // The pause after a write, so the beam's light has settled when it is read.
    void settle();

    CareContext& care() { return care_; }
    // 100 ms for the instrument; a batch run against the virtual one, whose light follows a
    // write at once, may shorten it.
    int settleMs = 100;

  private:
    // The setting's frame sent once: the answer (-1 when none came); `confirmed` when it was
    // the register's echo.
    int writeOnce(int channel, ChannelSetting setting, bool& confirmed);

    CareContext& care_;
};

}  // namespace qv

#pragma once

#include <cstddef>
#include <cstdint>

#include "common/clock.h"
#include "device/com_module.h"

namespace qv {

// Tells a quiet line from an instrument that has gone. A reply lost now and then is held over
// by the cycle; an instrument unplugged, switched off or whose line vanished answers nothing at
// all, and a run must say so instead of recording held samples as if they were measured. While
// it is gone the line is opened again every few seconds, so the run picks up when it returns.
class InstrumentWatch {
  public:
    // No byte for this long, over at least two whole passes, and the instrument counts as gone.
    static constexpr std::int64_t kSilentAfterMs = 2000;
    static constexpr std::int64_t kReopenEveryMs = 2000;
    // Empty replies in a row after which the rest of a pass is not asked for: on a real line
    // every silent read costs its full time-out.
    static constexpr int kEmptyRepliesToGiveUp = 2;

    InstrumentWatch(device::ComModule& com, Clock& clock) : com_(com), clock_(clock) {}

    void startRun();
    // A pass begins; then each reply of it is noted.
    void startPass();
    void noteReply(std::size_t bytes);
    // The rest of this pass is not worth asking for.
    bool givingUpPass() const { return emptyInARow_ >= kEmptyRepliesToGiveUp; }

    enum class Change { None, WentSilent, CameBack };
    // After the pass's replies: whether the instrument has just gone or just come back.
    Change endPass();
    bool silent() const { return silent_; }
    // Monotonic time of the last byte that came; the start of the run before any did.
    std::int64_t lastAnswerMs() const { return lastAnswerMs_; }

    // While silent: opens the port again (at most every kReopenEveryMs) and puts the
    // instrument back in plate mode, which also brings back the acquisition form of its
    // block reads.
    void reopenWhenDue(int plateMode);

  private:
    device::ComModule& com_;
    Clock& clock_;
    bool silent_ = false;
    bool passHeardAnything_ = false;
    int emptyInARow_ = 0;
    int silentPasses_ = 0;
    std::int64_t lastAnswerMs_ = 0;
    std::int64_t lastReopenMs_ = 0;
};

}  // namespace qv

#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim/rng.h"

namespace qv::sim {

inline constexpr int kBeamRows = 16;
inline constexpr int kBeamColumns = 24;
inline constexpr int kChannels = kBeamRows * kBeamColumns;

// What sits in the slot: a plate whose wells hold small organisms that swim in bouts and
// rest in between. Positions are in beam units (beam column x, beam row y; the beam of
// column c, row r crosses the plate at (c + 0.5, r + 0.5)). Motion is stepped on its own
// seeded generator, so it depends only on the seed and the time, never on who reads.
class Plate {
  public:
    struct Options {
        std::uint64_t seed = 1;
        double occupancy = 0.75;  // share of wells with organisms
        int organismsPerWell = 1;
        bool inserted = true;  // false: the slot is empty, no shadows at all
        // A 6-well plate (2 rows x 3 columns of round wells 35 mm across at a 39.12 mm pitch,
        // centred on the beam grid) with one zebrafish larva in each occupied well, instead
        // of a well per beam.
        bool sixWells = false;
        // Wells left empty whatever the occupancy, counted down each column first.
        std::vector<int> emptyWells;
    };

    explicit Plate(const Options& options);

    // Wells of 2 x 2 beams for the 96-well mode, of one beam otherwise.
    void setNinetySixWells(bool on);
    // Moves everyone forward to the given time (milliseconds, monotonic).
    void advanceTo(std::int64_t nowMs, bool lightOn);
    // How much of the beam's light the organisms take away, 0..0.9.
    double shadow(int channel) const;

    int organismCount() const { return static_cast<int>(organisms_.size()); }
    // The well an organism lives in (counted down each column first) and how far it has swum
    // so far, in beam spacings: what a tracking of its path can be held against.
    int wellOf(int organism) const { return organisms_[static_cast<std::size_t>(organism)].well; }
    double pathLength(int organism) const {
        return organisms_[static_cast<std::size_t>(organism)].travelled;
    }

  private:
    struct Organism {
        double x, y;            // position
        double heading;         // radians
        double speed;           // beam units per second while swimming
        double depth;           // share of light its body blocks
        double x0, y0, x1, y1;  // its well
        bool swimming;
        int well;
        double body;  // radius, beam units
        // A round well: its centre and the radius the body's centre keeps within.
        bool round;
        double cx, cy, radius;
        double travelled;
    };

    void populate();
    void populateSixWells();
    bool leftEmpty(int well);
    void keepInside(Organism& o) const;
    void step(Organism& o, double dt, bool lightOn);

    Options options_;
    Rng rng_;
    bool ninetySix_ = false;
    std::vector<Organism> organisms_;
    // The organisms of the well each beam crosses: they never leave their well, and a beam is
    // farther from the next well than any body reaches, so no other organism can shadow it.
    std::array<std::vector<int>, kChannels> inWellOf_;
    std::int64_t lastMs_ = 0;
    bool started_ = false;
};

}  // namespace qv::sim

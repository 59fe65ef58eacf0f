#include "sim/plate.h"

#include <algorithm>
#include <cmath>

namespace qv::sim {

namespace {

constexpr double kStepSeconds = 0.02;
constexpr int kMaxCatchUpSteps = 500;  // after a long silence the past need not be replayed
constexpr double kBeamRadius = 0.18;
constexpr double kBodyRadius = 0.14;
// A zebrafish larva seen from above shadows about a beam spacing of the plate.
constexpr double kLarvaRadius = 0.3;
// The 6-well plate in beam spacings (4.5 mm): wells 35 mm across, 39.12 mm apart.
constexpr double kSixWellPitch = 39.12 / 4.5;
constexpr double kSixWellSwimRadius = 3.3;

}  // namespace

Plate::Plate(const Options& options) : options_(options), rng_(options.seed * 7919 + 17) {
    populate();
}

void Plate::setNinetySixWells(bool on) {
    if (on != ninetySix_) {
        ninetySix_ = on;
        rng_ = Rng(options_.seed * 7919 + 17 + (on ? 1 : 0));
        populate();
    }
}

void Plate::populate() {
    organisms_.clear();
    for (auto& list : inWellOf_) {
        list.clear();
    }
    if (!options_.inserted) {
        return;
    }
    if (options_.sixWells) {
        populateSixWells();
        return;
    }
    const int size = ninetySix_ ? 2 : 1;
    for (int wc = 0; wc < kBeamColumns / size; ++wc) {
        for (int wr = 0; wr < kBeamRows / size; ++wr) {
            const int well = wc * (kBeamRows / size) + wr;
            if (!rng_.chance(options_.occupancy) || leftEmpty(well)) {
                continue;
            }
            const double x0 = wc * size, y0 = wr * size;
            for (int i = 0; i < options_.organismsPerWell; ++i) {
                Organism o{};
                o.x0 = x0;
                o.y0 = y0;
                o.x1 = x0 + size;
                o.y1 = y0 + size;
                o.x = rng_.uniform(x0 + 0.1, o.x1 - 0.1);
                o.y = rng_.uniform(y0 + 0.1, o.y1 - 0.1);
                o.heading = rng_.uniform(0, 6.283185307179586);
                o.speed = rng_.uniform(0.4, 1.2);
                o.depth = rng_.uniform(0.3, 0.55);
                o.swimming = rng_.chance(0.5);
                o.well = well;
                o.body = kBodyRadius;
                organisms_.push_back(o);
                const int index = static_cast<int>(organisms_.size()) - 1;
                for (int dc = 0; dc < size; ++dc) {
                    for (int dr = 0; dr < size; ++dr) {
                        const int channel = (wc * size + dc) * kBeamRows + wr * size + dr;
                        inWellOf_[static_cast<std::size_t>(channel)].push_back(index);
                    }
                }
            }
        }
    }
}

bool Plate::leftEmpty(int well) {
    const auto& empty = options_.emptyWells;
    return std::find(empty.begin(), empty.end(), well) != empty.end();
}

void Plate::populateSixWells() {
    constexpr double kReach = kBeamRadius + kLarvaRadius;
    for (int wc = 0; wc < 3; ++wc) {
        for (int wr = 0; wr < 2; ++wr) {
            const int well = wc * 2 + wr;
            if (!rng_.chance(options_.occupancy) || leftEmpty(well)) {
                continue;
            }
            Organism o{};
            o.round = true;
            o.cx = kBeamColumns / 2.0 + (wc - 1) * kSixWellPitch;
            o.cy = kBeamRows / 2.0 + (wr - 0.5) * kSixWellPitch;
            o.radius = kSixWellSwimRadius;
            const double angle = rng_.uniform(0, 6.283185307179586);
            const double r = rng_.uniform(0, 2.5);
            o.x = o.cx + r * std::cos(angle);
            o.y = o.cy + r * std::sin(angle);
            o.heading = rng_.uniform(0, 6.283185307179586);
            o.speed = rng_.uniform(0.6, 1.4);
            o.depth = rng_.uniform(0.35, 0.6);
            o.swimming = rng_.chance(0.5);
            o.well = well;
            o.body = kLarvaRadius;
            organisms_.push_back(o);
            const int index = static_cast<int>(organisms_.size()) - 1;
            for (int channel = 0; channel < kChannels; ++channel) {
                const double dx = channel / kBeamRows + 0.5 - o.cx;
                const double dy = channel % kBeamRows + 0.5 - o.cy;
                if (std::hypot(dx, dy) < o.radius + kReach) {
                    inWellOf_[static_cast<std::size_t>(channel)].push_back(index);
                }
            }
        }
    }
}

void Plate::advanceTo(std::int64_t nowMs, bool lightOn) {
    if (!started_) {
        started_ = true;
        lastMs_ = nowMs;
        return;
    }
    const auto stepMs = static_cast<std::int64_t>(kStepSeconds * 1000);
    const std::int64_t steps = (nowMs - lastMs_) / stepMs;
    if (steps <= 0) {
        return;
    }
    lastMs_ += steps * stepMs;
    const std::int64_t run = std::min<std::int64_t>(steps, kMaxCatchUpSteps);
    for (std::int64_t i = 0; i < run; ++i) {
        for (Organism& o : organisms_) {
            step(o, kStepSeconds, lightOn);
        }
    }
}

// Bouts of swimming and rest; light makes them livelier.
void Plate::step(Organism& o, double dt, bool lightOn) {
    const double liveliness = lightOn ? 1.5 : 1.0;
    if (o.swimming ? rng_.chance(0.5 * dt) : rng_.chance(0.35 * liveliness * dt)) {
        o.swimming = !o.swimming;
    }
    if (!o.swimming) {
        return;
    }
    o.heading += rng_.normal() * 2.0 * std::sqrt(dt);
    const double fromX = o.x, fromY = o.y;
    o.x += std::cos(o.heading) * o.speed * liveliness * dt;
    o.y += std::sin(o.heading) * o.speed * liveliness * dt;
    keepInside(o);
    o.travelled += std::hypot(o.x - fromX, o.y - fromY);
}

// The well's wall turns it back.
void Plate::keepInside(Organism& o) const {
    if (o.round) {
        const double dx = o.x - o.cx, dy = o.y - o.cy;
        const double d = std::hypot(dx, dy);
        if (d > o.radius) {
            o.heading += 3.141592653589793;
            o.x = o.cx + dx / d * o.radius;
            o.y = o.cy + dy / d * o.radius;
        }
        return;
    }
    const double m = kBodyRadius * 0.5;
    if (o.x < o.x0 + m || o.x > o.x1 - m) {
        o.heading = 3.141592653589793 - o.heading;
        o.x = std::clamp(o.x, o.x0 + m, o.x1 - m);
    }
    if (o.y < o.y0 + m || o.y > o.y1 - m) {
        o.heading = -o.heading;
        o.y = std::clamp(o.y, o.y0 + m, o.y1 - m);
    }
}

double Plate::shadow(int channel) const {
    const double bx = channel / kBeamRows + 0.5;
    const double by = channel % kBeamRows + 0.5;
    double s = 0;
    for (int index : inWellOf_[static_cast<std::size_t>(channel)]) {
        const Organism& o = organisms_[static_cast<std::size_t>(index)];
        const double reach = kBeamRadius + o.body;
        const double dx = o.x - bx;
        const double dy = o.y - by;
        const double squared = dx * dx + dy * dy;
        if (squared < reach * reach) {
            s += o.depth * (1.0 - std::sqrt(squared) / reach);
        }
    }
    return std::min(s, 0.9);
}

}  // namespace qv::sim

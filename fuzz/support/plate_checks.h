#pragma once

#include <string>

#include "analysis/report_map.h"
#include "store/plate_format.h"
#include "support/fuzz_support.h"

// What every consumer of a channel-to-well map relies on, whichever reader built it.
namespace qv::fuzz {

// Every filled cell names a channel that lies in that well at that beam, every channel in a
// well is found in its cell, and no cell lies outside the table.
inline void checkPlate(const PlateFormat& p, const std::string& who) {
    check(p.channelOfWell.size() == static_cast<std::size_t>(std::max<int>(p.largestWell, 0)) + 1,
          who + ": map rows differ from largest well");
    for (int w = 0; w <= p.largestWell; ++w) {
        const int beams = p.beamsOfWell(w);
        check(beams >= 0 && beams <= p.largestBeam + 1, who + ": beam count out of range");
        for (int b = -1; b <= beams; ++b) {
            const int c = p.channelOf(w, b);
            if (c >= 0) {
                check(c < kChannels && p.wellOfChannel[c] == w && p.beamOfChannel[c] == b,
                      who + ": cell names a channel of another well");
            }
        }
    }
    for (int c = 0; c < kChannels; ++c) {
        const int w = p.wellOfChannel[c];
        if (w >= 0 && w <= p.largestWell) {
            const int owner = p.channelOf(w, p.beamOfChannel[c]);
            check(owner >= c, who + ": a channel in a well is missing from its cell");
        }
    }
    check(p.realWellCount() >= 0 && p.realWellCount() <= p.largestWell + 1,
          who + ": more wells than the map holds");
}

inline void checkReportMap(const ReportMap& m, const std::string& who) {
    check(m.channelOfWell.size() == static_cast<std::size_t>(m.largestWell + 1),
          who + ": map rows differ from largest well");
    for (int w = 0; w <= m.largestWell; ++w) {
        for (std::size_t b = 0; b < m.channelOfWell[w].size(); ++b) {
            const int c = m.channelOfWell[w][b];
            check(c >= -1 && c < kChannels, who + ": cell outside the channels");
            if (c >= 0) {
                check(m.wellOfChannel[c] == w && m.beamOfChannel[c] == static_cast<int>(b),
                      who + ": cell names a channel of another well");
            }
        }
        if (m.wellHasChannels(w)) {
            const int beam0 = m.beamZeroChannel(w);
            check(beam0 >= -1 && beam0 < kChannels, who + ": beam 0 outside the channels");
            check(!wellLabel(w, m.rows).empty(), who + ": no label");
        }
    }
}

}  // namespace qv::fuzz

#pragma once

#include <string>

#include "analysis/report_map.h"
#include "store/plate_format.h"
#include "support/fuzz_support.h"

// What every consumer of a channel-to-well map relies on, whichever reader built it.
namespace qv::fuzz {

// A check whose text is made only when it fails: maps run to hundreds of thousands of cells.
inline void expect(bool condition, const std::string& who, const char* what) {
    if (!condition) {
        finding(who + ": " + what);
    }
}

// Every filled cell names a channel that lies in that well at that beam, every channel in a
// well is found in its cell, and no cell lies outside the table.
inline void checkPlate(const PlateFormat& p, const std::string& who) {
    expect(p.channelOfWell.size() == static_cast<std::size_t>(std::max<int>(p.largestWell, 0)) + 1,
           who, "map rows differ from largest well");
    for (int w = 0; w <= p.largestWell; ++w) {
        const int beams = p.beamsOfWell(w);
        expect(beams >= 0 && beams <= p.largestBeam + 1, who, "beam count out of range");
        for (int b = -1; b <= beams; ++b) {
            const int c = p.channelOf(w, b);
            if (c >= 0) {
                expect(c < kChannels && p.wellOfChannel[c] == w && p.beamOfChannel[c] == b, who,
                       "cell names a channel of another well");
            }
        }
    }
    for (int c = 0; c < kChannels; ++c) {
        const int w = p.wellOfChannel[c];
        if (w >= 0 && w <= p.largestWell) {
            const int owner = p.channelOf(w, p.beamOfChannel[c]);
            expect(owner >= c, who, "a channel in a well is missing from its cell");
        }
    }
    expect(p.realWellCount() >= 0 && p.realWellCount() <= p.largestWell + 1, who,
           "more wells than the map holds");
}

inline void checkReportMap(const ReportMap& m, const std::string& who) {
    expect(m.channelOfWell.size() == static_cast<std::size_t>(m.largestWell + 1), who,
           "map rows differ from largest well");
    for (int w = 0; w <= m.largestWell; ++w) {
        for (std::size_t b = 0; b < m.channelOfWell[w].size(); ++b) {
            const int c = m.channelOfWell[w][b];
            expect(c >= -1 && c < kChannels, who, "cell outside the channels");
            if (c >= 0) {
                expect(m.wellOfChannel[c] == w && m.beamOfChannel[c] == static_cast<int>(b), who,
                       "cell names a channel of another well");
            }
        }
        if (m.wellHasChannels(w)) {
            const int beam0 = m.beamZeroChannel(w);
            expect(beam0 >= -1 && beam0 < kChannels, who, "beam 0 outside the channels");
            expect(!wellLabel(w, m.rows).empty(), who, "no label");
        }
    }
}

}  // namespace qv::fuzz

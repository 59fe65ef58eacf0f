#include "acquisition/self_test_grading.h"

#include <functional>

namespace qv {

namespace {

std::string plain(int v) {
    return std::to_string(v);
}

std::string entries(const ChannelLevels& levels, const std::vector<int>& channels) {
    std::string list;
    for (int c : channels) {
        list += "CH" + plain(c) + "[" + plain(levelPercent(levels[static_cast<std::size_t>(c)])) +
                "%], ";
    }
    return list;
}

// Splits the channels into those of the tested line, which should be on, and the others.
struct LineCheck {
    int goodLine = 0;
    int goodOthers = 0;
    std::vector<int> badLine;
    std::vector<int> badOthers;
};

LineCheck checkLine(const ChannelLevels& levels, const std::function<bool(int)>& inLine) {
    LineCheck k;
    for (int c = 0; c < kTestChannels; ++c) {
        const int level = levels[static_cast<std::size_t>(c)];
        if (inLine(c) && beamOn(level)) {
            ++k.goodLine;
        } else if (inLine(c)) {
            k.badLine.push_back(c);
        } else if (beamOff(level)) {
            ++k.goodOthers;
        } else {
            k.badOthers.push_back(c);
        }
    }
    return k;
}

Grading gradeLine(const ChannelLevels& levels, Grading::Kind kind, int index,
                  const std::string& name, const std::function<bool(int)>& inLine) {
    const LineCheck k = checkLine(levels, inLine);
    Grading g;
    g.kind = kind;
    g.index = index;
    g.failingOn = k.badLine;
    g.failingOff = k.badOthers;
    g.pass = k.badLine.empty() && k.badOthers.empty();
    const std::string head = name + "[" + plain(index + 1) + "]: ";
    if (g.pass) {
        g.label = head + "PASS!";
        g.reportLines = {g.label};
        return g;
    }
    g.label = head + "CHECK!";
    g.reportLines = {plain(k.goodLine) + head + "NONPASS " +
                     "CH > 80% (NONOK:" + entries(levels, k.badLine) + "); " + plain(k.goodOthers) +
                     "CH < 20% (NONOK:" + entries(levels, k.badOthers) + ")"};
    return g;
}

}  // namespace

Grading gradeAllOn(const ChannelLevels& levels) {
    Grading g;
    g.kind = Grading::Kind::AllOn;
    for (int c = 0; c < kTestChannels; ++c) {
        if (!beamOn(levels[static_cast<std::size_t>(c)])) {
            g.failingOn.push_back(c);
        }
    }
    g.pass = g.failingOn.empty();
    const int good = kTestChannels - static_cast<int>(g.failingOn.size());
    if (g.pass) {
        g.label = "[Test100%=PASS!]";
        g.reportLines = {"", "Test_all_100%: OK PASS!", "Number of Channels > 80% = 384"};
    } else {
        g.label = "[Test100%= CHECK!]";
        g.reportLines = {"", "Test_all_100%:  NEEDS REVISION!",
                         "Number of Channels > 80% = " + plain(good),
                         "Channels < 80%: " + entries(levels, g.failingOn)};
    }
    return g;
}

Grading gradeAllOff(const ChannelLevels& levels) {
    Grading g;
    g.kind = Grading::Kind::AllOff;
    for (int c = 0; c < kTestChannels; ++c) {
        if (!beamOff(levels[static_cast<std::size_t>(c)])) {
            g.failingOff.push_back(c);
        }
    }
    g.pass = g.failingOff.empty();
    const int good = kTestChannels - static_cast<int>(g.failingOff.size());
    if (g.pass) {
        g.label = "[Test0%=PASS!]";
        g.reportLines = {"", "Test_all_0%: OK PASS!", "Number of Channels < 20% = 384"};
    } else {
        g.label = "[Test0%= CHECK!]";
        g.reportLines = {"", "Test_all_0%:  NEEDS REVISION!",
                         "Number of Channels < 20% = " + plain(good),
                         "Channels > 20%: " + entries(levels, g.failingOff)};
    }
    return g;
}

Grading gradeColumn(const ChannelLevels& levels, int column) {
    return gradeLine(levels, Grading::Kind::Column, column, "Col",
                     [column](int c) { return c / kTestRows == column; });
}

Grading gradeRow(const ChannelLevels& levels, int row) {
    return gradeLine(levels, Grading::Kind::Row, row, "Row",
                     [row](int c) { return c % kTestRows == row; });
}

std::vector<std::string> reducedPowerLines(const ChannelLevels& levels) {
    std::vector<std::string> lines = {"", "Gain/Power[2] Values:"};
    for (int c = 0; c < kTestChannels; ++c) {
        lines.push_back("CH[" + plain(c) + "] " +
                        plain(levelPercent(levels[static_cast<std::size_t>(c)])) + "%");
    }
    return lines;
}

std::vector<int> rowChannels(int row) {
    std::vector<int> channels;
    for (int column = 0; column < kTestColumns; ++column) {
        channels.push_back(row + kTestRows * column);
    }
    return channels;
}

std::vector<int> columnChannels(int column) {
    std::vector<int> channels;
    for (int row = 0; row < kTestRows; ++row) {
        channels.push_back(kTestRows * column + row);
    }
    return channels;
}

}  // namespace qv

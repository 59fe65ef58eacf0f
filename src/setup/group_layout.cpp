#include "setup/group_layout.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "common/number_format.h"

namespace qv {

namespace {

// A plate file may hold 0 rows; the well arithmetic then treats it as one row so that no
// division fails, and no well lies on the plate anyway.
int plateRows(const PlateFormat& plate) {
    return std::max<int>(plate.rows, 1);
}

bool isFree(int group) {
    return group < 0;
}

std::string groupNameFor(int group) {
    return "Group" + std::to_string(group);
}

// Leading decimal digits of a text as a number; nullopt when it starts with none.
std::optional<int> leadingNumber(std::string_view s) {
    int value = 0;
    std::size_t i = 0;
    while (i < s.size() && i < 6 && std::isdigit(static_cast<unsigned char>(s[i]))) {
        value = value * 10 + (s[i] - '0');
        ++i;
    }
    return i == 0 ? std::nullopt : std::optional<int>(value);
}

// A well counts as free for the auto-arrange when it has enabled channels and none of them is
// in a group yet. Disabled channels never join a group, so they cannot keep a well "free".
bool isFreeWell(const GroupsModel& model, const PlateFormat& plate, int well) {
    bool any = false;
    for (int c : channelsOfWell(plate, well)) {
        if (!model.channelEnabled[c]) {
            continue;
        }
        if (!isFree(model.channelGroup[c])) {
            return false;
        }
        any = true;
    }
    return any;
}

int firstFreeWell(const GroupsModel& model, const PlateFormat& plate) {
    for (int w = 0; w <= plate.largestWell; ++w) {
        if (isFreeWell(model, plate, w)) {
            return w;
        }
    }
    return 0;
}

}  // namespace

std::string storableName(std::string typed) {
    for (char& ch : typed) {
        if (ch == '"') {
            ch = '\'';
        } else if (ch == '\r' || ch == '\n' || ch == '\t') {
            ch = ' ';
        }
    }
    return typed;
}

int wellAt(const PlateFormat& plate, WellCell cell) {
    return cell.column * plateRows(plate) + cell.row;
}

WellCell cellOf(const PlateFormat& plate, int well) {
    return {well % plateRows(plate), well / plateRows(plate)};
}

bool isOnPlate(const PlateFormat& plate, WellCell cell) {
    return cell.row >= 0 && cell.row < plate.rows && cell.column >= 0 &&
           cell.column < plate.columns;
}

std::optional<WellCell> cellAtPoint(const PlateFormat& plate, double x, double y) {
    const double width = plate.columnPitch * 100;
    const double height = plate.rowPitch * 100;
    if (!(width > 0) || !(height > 0)) {
        return std::nullopt;
    }
    const double column = std::floor((x - plate.columnOffset * 100) / width);
    const double row = std::floor((y - plate.rowOffset * 100) / height);
    if (!(column >= 0 && column < plate.columns && row >= 0 && row < plate.rows)) {
        return std::nullopt;
    }
    return WellCell{static_cast<int>(row), static_cast<int>(column)};
}

std::string wellLabel(const PlateFormat& plate, int well) {
    const WellCell cell = cellOf(plate, well);
    return std::string(1, static_cast<char>('A' + cell.row)) + std::to_string(cell.column + 1);
}

std::string channelLabel(const PlateFormat& plate, int channel) {
    return wellLabel(plate, plate.wellOfChannel[channel]) + "." +
           std::to_string(plate.beamOfChannel[channel]);
}

int wellOfLabel(const PlateFormat& plate, std::string_view label) {
    if (label.size() < 2) {
        return -1;
    }
    const int row = static_cast<unsigned char>(label[0]) - 'A';
    const std::optional<int> number = leadingNumber(label.substr(1));
    if (!number) {
        return -1;
    }
    const WellCell cell{row, *number - 1};
    return isOnPlate(plate, cell) ? wellAt(plate, cell) : -1;
}

std::vector<int> channelsOfWell(const PlateFormat& plate, int well) {
    std::vector<int> channels;
    if (well < 0) {
        return channels;
    }
    for (int c = 0; c < kChannels; ++c) {
        if (plate.wellOfChannel[c] == well) {
            channels.push_back(c);
        }
    }
    return channels;
}

void assignWell(GroupsModel& model, const PlateFormat& plate, int well, int group, bool onlyFree) {
    if (!isGroupNumber(group)) {
        return;
    }
    for (int c : channelsOfWell(plate, well)) {
        if (model.channelEnabled[c] && (!onlyFree || isFree(model.channelGroup[c]))) {
            model.channelGroup[c] = static_cast<std::int16_t>(group);
        }
    }
}

void freeWell(GroupsModel& model, const PlateFormat& plate, int well) {
    for (int c : channelsOfWell(plate, well)) {
        if (model.channelEnabled[c]) {
            model.channelGroup[c] = kFreeGroup;
        }
    }
}

std::vector<int> channelsInGroup(const GroupsModel& model, const PlateFormat& plate, int group) {
    std::vector<int> channels;
    for (int c = 0; c < kChannels; ++c) {
        if (!model.channelEnabled[c] || plate.wellOfChannel[c] < 0) {
            continue;
        }
        const int g = model.channelGroup[c];
        if (group == kFreeGroup ? isFree(g) : g == group) {
            channels.push_back(c);
        }
    }
    return channels;
}

std::string groupEntry(int group, const std::string& name) {
    return formatPadded(group, 3) + "_" + name;
}

int groupOfEntry(std::string_view entry) {
    if (entry.size() < 3) {
        return -1;
    }
    const std::optional<int> n = leadingNumber(entry.substr(0, 3));
    return n.value_or(-1);
}

std::vector<std::string> groupListEntries(GroupsModel& model) {
    std::array<bool, kChannels> used{};
    int highest = -1;
    for (int c = 0; c < kChannels; ++c) {
        const int g = model.channelGroup[c];
        if (isGroupNumber(g)) {
            used[g] = true;
            highest = std::max(highest, g);
        }
    }
    const int last = std::min(highest + 1, kChannels - 1);
    std::vector<std::string> entries;
    for (int g = 0; g <= last; ++g) {
        // Named before the entry is made, so the list never shows "Free" for a group in use.
        if (used[g] && model.groupName[g] == kFreeGroupName) {
            model.groupName[g] = groupNameFor(g);
        }
        entries.push_back(groupEntry(g, model.groupName[g]));
    }
    return entries;
}

void clearGroups(GroupsModel& model) {
    model.channelGroup.fill(kFreeGroup);
    model.groupName.fill(kFreeGroupName);
}

std::vector<BlockSize> blockSizes(const PlateFormat& plate) {
    std::vector<BlockSize> sizes;
    for (int c = 1; c <= 16; ++c) {
        if (plate.columns % c != 0) {
            continue;
        }
        for (int r = 1; r <= 16; ++r) {
            if (plate.rows % r == 0) {
                sizes.push_back({r, c});
            }
        }
    }
    return sizes;
}

std::string blockSizeEntry(BlockSize size) {
    return formatPadded(size.rows, 2) + "x" + formatPadded(size.columns, 2) + " [RowsxColumn]";
}

std::vector<std::string> blockSizeEntries(const PlateFormat& plate) {
    std::vector<std::string> entries;
    for (BlockSize size : blockSizes(plate)) {
        entries.push_back(blockSizeEntry(size));
    }
    return entries;
}

std::optional<BlockSize> parseBlockSize(std::string_view entry) {
    if (entry.size() < 5) {
        return std::nullopt;
    }
    const std::optional<int> rows = leadingNumber(entry.substr(0, 2));
    const std::optional<int> columns = leadingNumber(entry.substr(3, 2));
    if (!rows || !columns || *rows < 1 || *columns < 1) {
        return std::nullopt;
    }
    return BlockSize{*rows, *columns};
}

void autoArrange(GroupsModel& model, const PlateFormat& plate, BlockSize size) {
    clearGroups(model);
    if (size.rows < 1 || size.columns < 1) {
        return;
    }
    const int rows = plateRows(plate);
    const int lastGroup = plate.largestWell / (size.rows * size.columns);
    for (int g = 0; g <= lastGroup && isGroupNumber(g); ++g) {
        const int start = firstFreeWell(model, plate);
        for (int j = 0; j < size.rows; ++j) {
            for (int k = 0; k < size.columns; ++k) {
                assignWell(model, plate, start + j + k * rows, g, true);
                model.groupName[g] = groupNameFor(g);
            }
        }
    }
}

}  // namespace qv

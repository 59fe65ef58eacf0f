#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/plate_format.h"
#include "store/project_setup.h"

namespace qv {

// The group tables a group editor works on: the project's own (setup window) or an
// acquisition's copy (offline browser). Group numbers run 0..383; a negative number is free.
struct GroupsModel {
    std::array<std::int16_t, kChannelSlots>& channelGroup;
    std::array<std::string, kChannelSlots>& groupName;
    const std::array<bool, kChannelSlots>& channelEnabled;

    static GroupsModel of(ProjectSetup& s) {
        return {s.channelGroup, s.groupName, s.channelEnabled};
    }
};

inline constexpr std::int16_t kFreeGroup = -1;
inline constexpr const char* kFreeGroupName = "Free";

// A number that names a group of the tables (0..383). Anything else stored in chgroup.dat is
// no group: such a channel is neither listed nor counted as in use.
inline bool isGroupNumber(int g) {
    return g >= 0 && g < kChannels;
}

// A name typed by the user as the settings files can hold it: a double quote would end the
// quoted field early and a line end would shift every line after it, so they become a single
// quote and a blank.
std::string storableName(std::string typed);

// Row and column of a well on the plate, from 0.
struct WellCell {
    int row = 0;
    int column = 0;
};

// Wells are numbered down each column: well = column x rows + row.
int wellAt(const PlateFormat& plate, WellCell cell);
WellCell cellOf(const PlateFormat& plate, int well);
bool isOnPlate(const PlateFormat& plate, WellCell cell);

// The cell under a point of the plate drawing (one beam spacing = 100 units); nullopt when the
// point lies outside the plate's rows and columns.
std::optional<WellCell> cellAtPoint(const PlateFormat& plate, double x, double y);

// "B3": the row letter and the column number.
std::string wellLabel(const PlateFormat& plate, int well);
// "B3.1": the well label, "." and the channel's beam in its well.
std::string channelLabel(const PlateFormat& plate, int channel);
// The well a channel label names, read back from its letter and number; -1 when the label
// names no well of the plate.
int wellOfLabel(const PlateFormat& plate, std::string_view label);

// Every channel of the 16 x 24 grid that lies in the well, in channel order.
std::vector<int> channelsOfWell(const PlateFormat& plate, int well);

// The free enabled channels of the well join the group (onlyFree), or all its enabled
// channels do, whatever group they were in.
void assignWell(GroupsModel& model, const PlateFormat& plate, int well, int group, bool onlyFree);
// Every enabled channel of the well becomes free.
void freeWell(GroupsModel& model, const PlateFormat& plate, int well);

// Enabled channels that lie in a well and belong to the group (free for kFreeGroup).
std::vector<int> channelsInGroup(const GroupsModel& model, const PlateFormat& plate, int group);

// "003_Treated".
std::string groupEntry(int group, const std::string& name);
// The number in the first three characters of an entry; -1 when there is none.
int groupOfEntry(std::string_view entry);
// Groups 0 to one past the highest group in use, so there is always an empty group to fill
// next. A group in use that is still named "Free" is named "Group" + number first.
std::vector<std::string> groupListEntries(GroupsModel& model);

// Every channel free and every group named "Free".
void clearGroups(GroupsModel& model);

// A block of wells for the auto-arrange: block rows x block columns.
struct BlockSize {
    int rows = 1;
    int columns = 1;
};

// Block sizes that tile the plate: every width 1..16 dividing the plate columns and, within
// it, every height 1..16 dividing the plate rows.
std::vector<BlockSize> blockSizes(const PlateFormat& plate);
// "02x03 [RowsxColumn]".
std::string blockSizeEntry(BlockSize size);
std::vector<std::string> blockSizeEntries(const PlateFormat& plate);
// Rows from the first two characters and columns from the two starting at the fourth, as in
// "02x03 [RowsxColumn]"; nullopt when they are no positive numbers.
std::optional<BlockSize> parseBlockSize(std::string_view entry);

// Clears the groups, then tiles the plate column by column into blocks, one group per block,
// numbered from 0.
void autoArrange(GroupsModel& model, const PlateFormat& plate, BlockSize size);

}  // namespace qv

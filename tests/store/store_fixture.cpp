#include "store_fixture.h"

#include "common/field_text.h"

namespace qv::testing {

std::string setupText(int number, const std::string& name, int fill, const std::string& plate) {
    const std::string six = [fill] {
        std::string s;
        for (int i = 0; i < 6; ++i) {
            s += (i ? "," : "") + std::to_string(fill);
        }
        return s;
    }();
    std::vector<std::string> lines = {
        "\"Project Setup: <Num_proj>,<Name>,<Working_folder>,<Plate_format>\"",
        std::to_string(number) + ",\"" + name + "\",\"C:\\QV\\p0000" + std::to_string(number) +
            "\\\",\"" + plate + "\""};
    for (int g = 0; g < 9; ++g) {
        lines.push_back("\"header " + std::to_string(g) + "\"");
        lines.push_back(six);
    }
    return joinCrLf(lines);
}

std::vector<std::string> linesOf(const std::string& text) {
    return splitLines(text);
}

std::string joinCrLf(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) {
        out += l + "\r\n";
    }
    return out;
}

void writeChannelFiles(const std::filesystem::path& folder) {
    std::string status = "\"<Channel>, <Enabled>\"\r\n", thr = "\"<Channel>, <Threshold>\"\r\n",
                groups = "\"<Group_Number>, <Group_Name>\"\r\n",
                chg = "\"<Channel>, <Group: -1=Free>\"\r\n";
    for (int c = 0; c < 384; ++c) {
        const std::string i = std::to_string(c) + ",";
        status += i + (c % 3 == 0 ? "0" : "1") + "\r\n";
        thr += i + std::to_string(c % 10) + ".5\r\n";
        groups += i + "\"G" + std::to_string(c) + "\"\r\n";
        chg += i + std::to_string(c % 5 - 1) + "\r\n";
    }
    writeBytes(folder / "status.dat", status);
    writeBytes(folder / "threshld.dat", thr);
    writeBytes(folder / "groups.dat", groups);
    writeBytes(folder / "chgroup.dat", chg);
}

}  // namespace qv::testing

// Every reader of subproj.dat, tags_id.dat, foldview.dat, repoconf.dat and calvalue.dat fed
// empty, truncated, oversized and random-byte files: none may crash, hang or return a value
// outside what its callers are promised.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "common/clock.h"
#include "common/scripted_ui.h"
#include "store/acquisition_description.h"
#include "store/calibration_values.h"
#include "store/report_config.h"
#include "store/tags.h"
#include "store/watched_folders.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using testing::TempDir;
using testing::writeBytes;

std::string randomBytes(std::mt19937& rng, std::size_t n) {
    // Weighted towards the bytes the readers treat specially.
    const std::string special = "\",\r\n \t[]K0123456789-.";
    std::string s(n, '\0');
    for (char& c : s) {
        const unsigned v = rng();
        c = (v & 1) ? special[(v >> 1) % special.size()] : static_cast<char>((v >> 8) & 0xff);
    }
    return s;
}

std::vector<std::string> badContents(const std::string& good) {
    std::mt19937 rng(20240614);
    std::vector<std::string> out = {"", "\"", "\r\n", std::string(1, '\0'), "\"\"\"\r\n\","};
    for (std::size_t cut = 1; cut < good.size(); cut += 1 + good.size() / 23) {
        out.push_back(good.substr(0, cut));
    }
    std::string big;
    while (big.size() < (1u << 20)) {
        big += good;
    }
    out.push_back(big);
    out.push_back(std::string(300000, 'x'));
    for (int i = 0; i < 40; ++i) {
        out.push_back(randomBytes(rng, 1 + rng() % 3000));
    }
    return out;
}

bool inRange(int v, int lo, int hi) {
    return v >= lo && v <= hi;
}

TEST(SmallFilesRobustness, AcquisitionDescription) {
    for (const std::string& bytes : badContents("\"Name\"\r\n\"a\r\nb\"\r\n")) {
        TempDir dir;
        ScriptedUi ui;
        writeBytes(dir / "subproj.dat", bytes);
        readAcquisitionName(dir.path());
        EXPECT_EQ(readAcquisitionComments(dir.path()).find('"'), std::string::npos);
        EXPECT_EQ(renameAcquisition(dir.path(), "N", ui), "N");
        EXPECT_EQ(readAcquisitionName(dir.path()), "N");
        EXPECT_EQ(setAcquisitionComments(dir.path(), "c", ui), "ok");
        EXPECT_EQ(readAcquisitionComments(dir.path()), "c");
    }
}

TEST(SmallFilesRobustness, Tags) {
    for (const std::string& bytes : badContents("20240614_1530 [K1][K2]\r\n20240615_0900\r\n")) {
        TempDir dir;
        TestClock clock;
        writeBytes(dir / "tags_id.dat", bytes);
        tagsOfAcquisition(dir.path(), "20240614_1530");
        acquisitionsWithTag(dir.path(), "[K1]");
        ASSERT_TRUE(updateTags(dir.path(), "20990101_0000", "[K3]", clock));
        EXPECT_EQ(tagsOfAcquisition(dir.path(), "20990101_0000"), "[K3]");
    }
}

TEST(SmallFilesRobustness, WatchedFolders) {
    for (const std::string& bytes : badContents("/tmp\r\n_folder2\r\n")) {
        TempDir dir;
        writeBytes(dir / "foldview.dat", bytes);
        const WatchedFolders f = readWatchedFolders(dir.path());
        for (int i = 0; i < kWatchedFolderCount; ++i) {
            const std::string& caption = f.captions[static_cast<std::size_t>(i)];
            EXPECT_TRUE(caption == watchedFolderPlaceholder(i + 1) ||
                        std::filesystem::is_directory(caption))
                << caption;
        }
    }
}

TEST(SmallFilesRobustness, ReportConfig) {
    const std::string good =
        "\"<User_defined>, <Bin>, <filetype>, <spacer>, <stdError>, <stdDev>, <n>, "
        "<out_format>, <organism>, <method>, <threshold>, <rawexport>\"\r\n"
        "1,60,1,\";\",0,1,0,2,3,2,25,1\r\n";
    for (const std::string& bytes : badContents(good)) {
        TempDir dir;
        ScriptedUi ui;
        writeBytes(dir / "repoconf.dat", bytes);
        ReportConfig c;
        const int flag = loadReportConfig(dir.path(), 1, c, ",", ui);
        EXPECT_TRUE(flag == 0 || flag == 1);
        EXPECT_TRUE(inRange(c.Bin, 2, 1440) && inRange(c.threshold, 5, 30) &&
                    inRange(c.out_format, 0, 3) && inRange(c.method, 0, 2) &&
                    inRange(c.organism, 0, 3) && inRange(c.filetype, 0, 1));
        EXPECT_LE(ui.messages.size(), 1u);
        // Whatever came in, what is on disk now loads without a message.
        ScriptedUi again;
        ReportConfig reread;
        EXPECT_EQ(loadReportConfig(dir.path(), 1, reread, ",", again), flag);
        EXPECT_TRUE(again.messages.empty());
    }
}

TEST(SmallFilesRobustness, CalibrationValues) {
    std::string good = "\"<Num_Channel>, <PinHole>, <Gain> \"\r\n";
    for (int c = 0; c < 384; ++c) {
        good += std::to_string(c) + ",2,3\r\n";
    }
    for (const std::string& bytes : badContents(good)) {
        TempDir dir;
        writeBytes(dir / "calvalue.dat", bytes);
        CalibrationValues v;
        v.Gain.fill(7);
        const auto r = readCalibrationValues(dir.path(), v);
        EXPECT_TRUE(inRange(r.entries, 0, kCalibrationEntries));
        if (r.status != CalibrationReadStatus::Ok) {
            EXPECT_EQ(v.Gain[0], 7);
        }
    }
}

}  // namespace
}  // namespace qv

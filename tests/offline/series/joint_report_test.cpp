// The joint report file: its lines, its name, never over another file, and opened for the user.
#include "offline/series/joint_report.h"
#include "offline/series/picture_export.h"

#include <gtest/gtest.h>

#include "series_fixture.h"

namespace qv {
namespace {

using testing::readBytes;
using testing::SeriesFolder;

KineticSeries sample() {
    KineticSeries s;
    s.tag = "[K1]";
    s.acquisitions = {"20240614_0600", "20240615_1200"};
    s.minutes = {0, 1800};
    s.unit = "h";
    s.timeLabels = {"0.0", "30.0"};
    s.groupSlots = {0, kSeriesFreeSlot};
    s.values = {{12, 7}, {100, 150.5}};
    return s;
}

TEST(JointReport, LinesWithTheSeparatorAndCarriageReturnLineFeed) {
    const DateTime now{2024, 6, 16, 9, 5, 7, 0};
    EXPECT_EQ(jointReportText(sample(), now, ";"),
              "Joint Report [2024-06-16 09:05.07]\r\n"
              "Acq:;20240614_0600;20240615_1200\r\n"
              "Group/Time[h];0.0;30.0\r\n"
              "[#000];12;7\r\n"
              "[#999];100;150\r\n");
    EXPECT_EQ(jointReportSeparator(""), ";");
    EXPECT_EQ(jointReportSeparator(","), ",");
}

TEST(JointReport, WrittenIntoTheProjectFolderStampedAndOpened) {
    SeriesFolder f;
    f.clock.set({2024, 6, 16, 9, 5, 7, 0});
    const auto path = writeJointReport(f.project(), sample(), ";", f.clock, f.ui);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(*path, f.project() / "joint_report20240616090507.csv");
    EXPECT_EQ(readBytes(*path).substr(0, 36), "Joint Report [2024-06-16 09:05.07]\r\n");
    ASSERT_EQ(f.ui.opened.size(), 1u);
    EXPECT_EQ(f.ui.opened[0].path, path->string());
    EXPECT_EQ(f.ui.opened[0].kind, ExternalKind::Document);

    // A second report in the same second keeps the first.
    const std::string first = readBytes(*path);
    auto changed = sample();
    changed.values[0] = {1, 2};
    const auto second = writeJointReport(f.project(), changed, ";", f.clock, f.ui);
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(*second, f.project() / "joint_report20240616090507_1.csv");
    EXPECT_EQ(readBytes(*path), first);
}

TEST(JointReport, AFolderThatCannotBeWrittenIsSaid) {
    SeriesFolder f;
    const auto path = writeJointReport(f.project() / "gone", sample(), ";", f.clock, f.ui);
    EXPECT_FALSE(path.has_value());
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_NE(f.ui.messages[0].find("could not be written"), std::string::npos);
    EXPECT_TRUE(f.ui.opened.empty());
}

TEST(JointReport, SeparatorFromTheReportSettingsWithoutRewritingThem) {
    SeriesFolder f;
    const auto file = f.app() / "repoconf.dat";
    std::string text = readBytes(file);
    // The installed settings hold "," as spacer: make it "|".
    const auto at = text.find("\",\"");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 3, "\"|\"");
    testing::writeBytes(file, text);
    EXPECT_EQ(jointReportSeparatorOf(f.app(), f.ui), "|");
    EXPECT_EQ(readBytes(file), text);
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

TEST(PictureExport, BitmapThenPngAndSvgBesideItThenTheImageViewer) {
    testing::SeriesFolder f;
    std::vector<std::filesystem::path> saved;
    const auto keep = [&](const std::filesystem::path& p) {
        saved.push_back(p);
        return true;
    };
    const auto path = exportPicture(f.app(), PictureExport::Track, keep, keep, f.ui);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(saved,
              (std::vector<std::filesystem::path>{
                  f.app() / "trackimg.bmp", f.app() / "trackimg.png", f.app() / "trackimg.svg"}));
    ASSERT_EQ(f.ui.opened.size(), 1u);
    EXPECT_EQ(f.ui.opened[0].path, (f.app() / "trackimg.bmp").string());
    EXPECT_EQ(f.ui.opened[0].kind, ExternalKind::ImageViewer);
    EXPECT_EQ(pictureExportStem(PictureExport::Plot), "image1");
    EXPECT_EQ(pictureExportStem(PictureExport::LinePlot), "lineimg");
    EXPECT_EQ(pictureExportStem(PictureExport::Plate), "plateimg");

    // A bitmap that cannot be saved is said, and nothing is opened.
    const auto failed = exportPicture(
        f.app(), PictureExport::Plot, [](const auto&) { return false; }, {}, f.ui);
    EXPECT_FALSE(failed.has_value());
    EXPECT_EQ(f.ui.messages.back(), "image1.bmp could not be saved in " + f.app().string());
    EXPECT_EQ(f.ui.opened.size(), 1u);
}

}  // namespace
}  // namespace qv

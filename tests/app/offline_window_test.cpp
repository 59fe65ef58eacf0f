#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>
#include <filesystem>

#include "analysis/recorded_run.h"
#include "app/application.h"
#include "app/offline_window_view.h"
#include "app/qt_canvas.h"
#include "app/report_window_view.h"
#include "app/start_screen_view.h"
#include "offline/offline_plots.h"
#include "offline/offline_series.h"
#include "offline/offline_tracking.h"
#include "store/project_files.h"
#include "store/project_setup.h"
#include "support/temp_dir.h"
#include "windows_ui.h"

namespace qv::app {

namespace fs = std::filesystem;

class OfflineWindowTest : public QObject, private WindowsRig {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void browsesPlotsAndRegroupsARecordedAcquisition();
    void tagsASeriesAndTracksAFish();

  private:
    void writeProject(const std::string& folder, const std::string& name,
                      const std::vector<std::string>& runs);
    void writeFishProject();
    void doubleClickRow(QListWidget* list, const QString& containing);
    void selectRow(QListWidget* list, const QString& containing, Qt::KeyboardModifiers keys);
    void rightClickPicture(const QString& expectedMenu);
    void click(const char* name);
    void screenshot(const QString& name);
    OfflineWindowView& view() { return app_->offlineWindowView(); }
};

void OfflineWindowTest::init() {
    QVERIFY(layApplicationFolder());
}

void OfflineWindowTest::cleanup() {
    tearDown();
}

// A project folder with its settings and runs recorded as the acquisition leaves them (raw
// samples and counts through the block-end writer), each numbered after its project.
void OfflineWindowTest::writeProject(const std::string& folder, const std::string& name,
                                     const std::vector<std::string>& runs) {
    auto numbered = [&](const fs::path& path) {
        std::string setup = testing::readBytes(path / "setup.dat");
        setup.replace(setup.find("\r\n3,") + 2, 1, folder.substr(folder.find_first_not_of("p0")));
        testing::writeBytes(path / "setup.dat", setup);
        for (const char* file : {"status.dat", "threshld.dat"}) {
            fs::copy_file(dir_ / file, path / file, fs::copy_options::overwrite_existing);
        }
    };
    testing::AcquisitionFixture settings;
    settings.write(dir_ / folder, {});
    fs::remove(dir_ / folder / "counts.bin");
    fs::remove(dir_ / folder / "subproj.dat");
    numbered(dir_ / folder);
    ScriptedUi quiet;
    QCOMPARE(renameStoredName(dir_ / folder, name, quiet), name);
    int seed = 1;
    for (const std::string& run : runs) {
        testing::RecordedRun recorded;
        recorded.blocks = 60;  // a quarter of an hour, two pages of raw signal
        recorded.seed = static_cast<std::uint32_t>(seed++);
        recorded.acquisition.name = name + " run " + run.substr(9);
        recorded.write(dir_ / folder / run);
        numbered(dir_ / folder / run);
    }
}

// Project p00005 with one run of a 6-well plate of zebrafish, whose model blocks dip beams as
// swimming animals would.
void OfflineWindowTest::writeFishProject() {
    writeProject("p00005", "Fish", {});
    testing::RecordedRun recorded;
    recorded.blocks = 12;
    recorded.acquisition.plateFormat = "w6";
    recorded.acquisition.organism = 1;
    recorded.acquisition.groupNames = {"Dose0", "Dose1", "Dose2", "Dose3", "Dose4", "Dose5"};
    recorded.acquisition.name = "Fish run";
    const fs::path folder = dir_ / "p00005" / "20240801_1000";
    recorded.write(folder);
    std::string setup = testing::readBytes(folder / "setup.dat");
    setup.replace(setup.find("\r\n3,") + 2, 1, "5");
    testing::writeBytes(folder / "setup.dat", setup);
}

void OfflineWindowTest::selectRow(QListWidget* list, const QString& containing,
                                  Qt::KeyboardModifiers keys) {
    const auto found = list->findItems(containing, Qt::MatchContains);
    QVERIFY2(!found.isEmpty(), qPrintable(containing));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, keys,
                      list->visualItemRect(found.first()).center());
}

void OfflineWindowTest::rightClickPicture(const QString& expectedMenu) {
    QTest::mouseClick(&view().picture(), Qt::RightButton, {}, QPoint(300, 200));
    QCoreApplication::processEvents();
    QVERIFY(view().lastPopup() != nullptr);
    QCOMPARE(view().lastPopup()->menuAction()->objectName(), expectedMenu);
    view().lastPopup()->close();
}

void OfflineWindowTest::doubleClickRow(QListWidget* list, const QString& containing) {
    const auto found = list->findItems(containing, Qt::MatchContains);
    QVERIFY2(!found.isEmpty(), qPrintable(containing));
    const QRect at = list->visualItemRect(found.first());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at.center());
}

void OfflineWindowTest::click(const char* name) {
    auto* b = child<QPushButton>(view(), name);
    QVERIFY(b != nullptr);
    QVERIFY2(b->isVisible() && b->isEnabled(), name);
    QTest::mouseClick(b, Qt::LeftButton);
}

void OfflineWindowTest::screenshot(const QString& name) {
    QVERIFY(saveScreenshot(view(), name));
}

void OfflineWindowTest::browsesPlotsAndRegroupsARecordedAcquisition() {
    writeProject("p00003", "Larvae screen", {"20240614_1530", "20240615_0900", "20240616_1000"});
    writeProject("p00004", "Flies", {"20240701_1200", "20240702_1300"});
    makeApplication();
    QVERIFY(app_->start(""));
    QVERIFY2(ui_->messages.empty(), ui_->messages.empty() ? "" : ui_->messages[0].c_str());

    // "Analyze recorded experiments" on the start screen.
    QTest::mouseClick(child<QWidget>(app_->startScreenView(), "fra_option3"), Qt::LeftButton);
    QVERIFY(view().isVisible());
    QVERIFY(!app_->startScreenView().isVisible());
    QCOMPARE(view().windowTitle(),
             QString("<Quorvel> Acquisition Software  --------> Report analysis"));
    const auto missing = view().binding().unboundControls();
    QVERIFY2(missing.empty(), missing.empty() ? "" : missing[0].c_str());
    auto* list = child<QListWidget>(view(), "Listpj");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(0)->text(), QString("+ 2024.0701\tp00004_Flies"));
    doubleClickRow(list, "p00003_Larvae screen");
    QCOMPARE(list->count(), 5);
    screenshot("offline_list.png");

    doubleClickRow(list, "ACQ09:00");
    QCOMPARE(app_->offlineWindow().item().acquisition, std::string("20240615_0900"));
    QVERIFY(child<QPushButton>(view(), "cmdchannels")->isEnabled());
    QCOMPARE(child<QPlainTextEdit>(view(), "Txt_description")->toPlainText(), QString("first run"));
    auto* groups = child<QListWidget>(view(), "lstgrup_plot");
    QCOMPARE(groups->count(), 4);

    click("Cmd_lineplot");
    QCOMPARE(app_->offlineWindow().plots().mode(), PlotMode::Lines);
    screenshot("offline_lines.png");
    click("Cmd_barplot");
    QCOMPARE(app_->offlineWindow().plots().mode(), PlotMode::Bars);
    screenshot("offline_bars.png");
    click("cmdchannels");
    QCOMPARE(child<QLineEdit>(view(), "Txtpage")->text(), QString("1/2"));
    child<QScrollBar>(view(), "scrollpage")->setValue(2);
    QCOMPARE(child<QLineEdit>(view(), "Txtpage")->text(), QString("2/2"));
    screenshot("offline_signal.png");
    click("Cmd_analyze");
    QVERIFY(app_->offlineWindow().plots().wellAnalysis().has_value());
    screenshot("offline_analyze.png");
    click("Cmd_leegroups");
    click("Cmd_gridplot");
    QCOMPARE(app_->offlineWindow().plots().mode(), PlotMode::HeatMap);
    screenshot("offline_heatmap.png");

    // The plate's menu under the right button, and from it the group editor.
    CanvasWidget& picture = view().picture();
    QTest::mouseClick(&picture, Qt::RightButton, {}, QPoint(200, 200));
    QCoreApplication::processEvents();
    QVERIFY(view().lastPopup() != nullptr);
    QCOMPARE(view().lastPopup()->menuAction()->objectName(), QString("Mnplate"));
    view().lastPopup()->close();
    child<QAction>(view(), "mn_plateedit")->trigger();
    QVERIFY(child<QWidget>(view(), "Framegrup")->isVisible());
    QVERIFY(!list->isEnabled());
    QVERIFY(!child<QWidget>(view(), "Cmd_lineplot")->isVisible());

    // A right click on well A1 frees it.
    const PlateFormat& plate = app_->offlineWindow().item().plate;
    const CanvasMapping& m = picture.canvas().mapping();
    const QPoint a1(
        static_cast<int>(m.toPixelX((plate.columnOffset + 0.5 * plate.columnPitch) * 100)),
        static_cast<int>(m.toPixelY((plate.rowOffset + 0.5 * plate.rowPitch) * 100)));
    QTest::mouseClick(&picture, Qt::RightButton, {}, a1);
    QCOMPARE(app_->offlineWindow().item().setup.channelGroup[0], std::int16_t{-1});
    screenshot("offline_group_edit.png");
    ui_->queueAnswer(Answer::Yes);
    click("cmdcancelgrups");
    QCOMPARE(ui_->messages.back(), std::string("New Groups applied and saved"));
    const fs::path acq = dir_ / "p00003" / "20240615_0900";
    QVERIFY(fs::exists(acq / "chgroup.bak"));
    QVERIFY(fs::exists(acq / "chgroup202406141530.bak"));
    QVERIFY(testing::readBytes(acq / "chgroup.dat").find("\r\n0,-1\r\n") != std::string::npos);
    QVERIFY(!child<QWidget>(view(), "Framegrup")->isVisible());
    QVERIFY(list->isEnabled());
    QCOMPARE(groups->item(0)->text(), QString("999_Free"));

    // The report window on the opened acquisition.
    click("Cmd_report");
    QVERIFY(app_->reportWindowView().isVisible());
    QCOMPARE(child<QLineEdit>(app_->reportWindowView(), "Txt_inputfile")->text(),
             QString::fromStdString(acq.string()));
    app_->reportWindowView().close();

    click("Cmd_main");
    QVERIFY(!view().isVisible());
    QVERIFY(app_->startScreenView().isVisible());
}

void OfflineWindowTest::tagsASeriesAndTracksAFish() {
    writeProject("p00003", "Larvae screen", {"20240614_1530", "20240615_0900", "20240616_1000"});
    writeFishProject();
    makeApplication();
    QVERIFY(app_->start(""));
    QTest::mouseClick(child<QWidget>(app_->startScreenView(), "fra_option3"), Qt::LeftButton);
    auto* list = child<QListWidget>(view(), "Listpj");
    doubleClickRow(list, "p00003_Larvae screen");

    // Two runs picked together and tagged [K2] from the list's menu.
    selectRow(list, "ACQ15:30", {});
    selectRow(list, "ACQ09:00", Qt::ControlModifier);
    const auto at = list->visualItemRect(list->findItems("ACQ09:00", Qt::MatchContains)[0]);
    emit list->customContextMenuRequested(at.center());
    QVERIFY(view().lastPopup() != nullptr);
    QCOMPARE(view().lastPopup()->menuAction()->objectName(), QString("mnpj"));
    auto* tagMenu = child<QAction>(view(), "mntag_jk");
    QVERIFY(tagMenu->isEnabled() && tagMenu->menu() != nullptr);
    QCOMPARE(tagMenu->text(), QString("Kinetic Group TAG"));
    QCOMPARE(child<QAction>(view(), "tagjk_2")->text(), QString("[K2]"));
    view().lastPopup()->close();
    child<QAction>(view(), "tagjk_2")->trigger();
    QCOMPARE(testing::readBytes(dir_ / "p00003" / "tags_id.dat"),
             std::string("20240615_0900 [K2]\r\n20240614_1530 [K2]\r\n"));

    // The tag list of an opened run, and the series of its tag.
    doubleClickRow(list, "ACQ15:30");
    auto* tags = child<QListWidget>(view(), "List_tags");
    QVERIFY(tags->isVisible());
    QCOMPARE(tags->count(), 1);
    doubleClickRow(tags, "[K2]");
    QVERIFY(app_->offlineWindow().series().shown());
    QCOMPARE(app_->offlineWindow().series().series()->points(), std::size_t{2});
    screenshot("offline_kinetics.png");
    rightClickPicture("MnRelativize");
    child<QAction>(view(), "mnrel0")->trigger();
    QVERIFY(child<QAction>(view(), "mnrel0")->isChecked());
    screenshot("offline_kinetics_relative.png");
    child<QAction>(view(), "mn_jointexport")->trigger();
    QVERIFY(!ui_->opened.empty());
    const fs::path report = ui_->opened.back().path;
    QCOMPARE(report.parent_path(), dir_ / "p00003");
    QVERIFY(report.filename().string().rfind("joint_report", 0) == 0);
    QVERIFY(testing::readBytes(report).find("Acq:") != std::string::npos);

    // Path tracking of the fish, played on the window's own timer.
    doubleClickRow(list, "p00005_Fish");
    doubleClickRow(list, "ACQ10:00");
    auto* track = child<QPushButton>(view(), "cmd_track");
    QVERIFY(track->isVisible());
    QVERIFY(!child<QWidget>(view(), "chk_bmp")->isVisible());
    click("cmd_track");
    QCOMPARE(app_->offlineWindow().plots().mode(), PlotMode::Tracking);
    QVERIFY(child<QWidget>(view(), "chk_bmp")->isVisible());
    QVERIFY(!child<QWidget>(view(), "txt_binsize")->isVisible());
    auto* position = child<QLineEdit>(view(), "Txtpage");
    QTRY_VERIFY_WITH_TIMEOUT(std::stoi(position->text().toStdString()) > 250, 60000);
    click("cmd_track");  // pause
    QVERIFY(!app_->offlineWindow().Timer_play.enabled);
    screenshot("offline_tracking.png");
    rightClickPicture("MnTrack");
    child<QAction>(view(), "mn_datatrack")->trigger();
    const fs::path table = dir_ / "p00005" / "20240801_1000" / "report.csv";
    QVERIFY(fs::exists(table));
    QCOMPARE(ui_->opened.back().path, table.string());
    QCOMPARE(app_->offlineWindow().plots().mode(), PlotMode::AfterTrackingExport);
}

}  // namespace qv::app

QTEST_MAIN(qv::app::OfflineWindowTest)
#include "offline_window_test.moc"

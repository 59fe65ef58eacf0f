#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/application.h"
#include "app/main_window_view.h"
#include "app/qt_canvas.h"
#include "app/setup_window_view.h"
#include "app/start_screen_view.h"
#include "common/scripted_ui.h"
#include "device/com_names.h"
#include "device/in_process_backend.h"
#include "setup/group_layout.h"
#include "sim/firmware.h"
#include "store/installation.h"
#include "store/project_load.h"
#include "store/store.h"
#include "windows_ui.h"

namespace qv::app {

class SetupWindowTest : public QObject, private WindowsRig {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void dragRenameAndSaveReachTheGroupFiles();
    void the384WellPlate();
    void aNewUserCreatesAProjectGroupsItsWellsAndContinuesToRun();

  private:
    void startApplication();
    void openSetupFromTheStartScreen();
    void createProject(const std::string& name);
    void choosePlate(const QString& name);
    void dragOverWells(WellCell from, WellCell to, Qt::MouseButton button = Qt::LeftButton);
    void continueToRun();
    QPoint pointOfWell(WellCell cell);
    void doubleClickRow(QListWidget& list, int row);
    void screenshot(QWidget& window, const QString& name);
    SetupWindowView& setup() { return app_->setupWindowView(); }
};

void SetupWindowTest::init() {
    QVERIFY(layApplicationFolder());
}

void SetupWindowTest::cleanup() {
    tearDown();
}

void SetupWindowTest::startApplication() {
    makeApplication();
    QVERIFY(app_->start(""));
    QVERIFY2(ui_->messages.empty(), ui_->messages.empty() ? "" : ui_->messages[0].c_str());
    const auto missing = setup().binding().unboundControls();
    QVERIFY2(missing.empty(), missing.empty() ? "" : missing[0].c_str());
}

void SetupWindowTest::openSetupFromTheStartScreen() {
    QTest::mouseClick(child<QWidget>(app_->startScreenView(), "fra_option1"), Qt::LeftButton);
    QVERIFY(setup().isVisible());
    QVERIFY(!app_->startScreenView().isVisible());
    QCOMPARE(setup().windowTitle(), QString("<Quorvel> Acquisition Software  --------> Setup"));
}

void SetupWindowTest::createProject(const std::string& name) {
    ui_->queueAnswer(Answer::Ok);
    ui_->queueInput(name);
    QTest::mouseClick(child<QPushButton>(setup(), "Cmdnewpj"), Qt::LeftButton);
    QVERIFY(ui_->scriptUsedUp());
}

// The plate list holds its choice back through the window's short timer.
void SetupWindowTest::choosePlate(const QString& name) {
    auto* plates = child<QComboBox>(setup(), "Combowell");
    const int index = plates->findText(name);
    QVERIFY(index >= 0);
    ui_->queueAnswer(Answer::Yes);
    plates->setCurrentIndex(index);
    emit plates->activated(index);
    QTRY_VERIFY(ui_->scriptUsedUp());
    QTRY_COMPARE(app_->store().setup().Plate_format, name.toStdString());
}

QPoint SetupWindowTest::pointOfWell(WellCell cell) {
    const PlateFormat& p = app_->store().plate();
    const CanvasMapping& m = setup().plate().canvas().mapping();
    const double x = (p.columnOffset + (cell.column + 0.5) * p.columnPitch) * 100;
    const double y = (p.rowOffset + (cell.row + 0.5) * p.rowPitch) * 100;
    return QPoint(qRound(m.toPixelX(x)), qRound(m.toPixelY(y)));
}

void SetupWindowTest::dragOverWells(WellCell from, WellCell to, Qt::MouseButton button) {
    QWidget& picture = setup().plate();
    QTest::mousePress(&picture, button, {}, pointOfWell(from));
    QTest::mouseMove(&picture, pointOfWell(to));
    QTest::mouseRelease(&picture, button, {}, pointOfWell(to));
}

// What a double-click sends: press and release, then the double-click and its release.
void SetupWindowTest::doubleClickRow(QListWidget& list, int row) {
    const QPoint at = list.visualItemRect(list.item(row)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, at);
}

void SetupWindowTest::continueToRun() {
    QTest::mouseClick(child<QPushButton>(setup(), "Command_main"), Qt::LeftButton);
    QVERIFY(!setup().isVisible());
    QVERIFY(app_->mainWindowView().isVisible());
}

void SetupWindowTest::screenshot(QWidget& window, const QString& name) {
    QVERIFY(saveScreenshot(window, name));
}

void SetupWindowTest::dragRenameAndSaveReachTheGroupFiles() {
    startApplication();
    openSetupFromTheStartScreen();
    createProject("Screen A");
    QCOMPARE(child<QLineEdit>(setup(), "txtprj")->text(), QString("1_Screen A"));
    choosePlate("w96");
    auto* groups = child<QListWidget>(setup(), "combogrup");
    QCOMPARE(groups->count(), 1);
    QCOMPARE(groups->item(0)->text(), QString("000_Free"));

    // Rows A-B of columns 1-3 into group 0, then C1-C2 into group 1.
    dragOverWells({0, 0}, {1, 2});
    QCOMPARE(child<QListWidget>(setup(), "lstgrup")->count(), 12);  // two beams per well
    QCOMPARE(groups->count(), 2);
    QTest::mouseClick(groups->viewport(), Qt::LeftButton, {},
                      groups->visualItemRect(groups->item(1)).center());
    dragOverWells({2, 0}, {2, 1});
    QCOMPARE(child<QListWidget>(setup(), "lstgrup")->count(), 4);
    QCOMPARE(child<QLabel>(setup(), "lblnchannel")->text(), QString("10"));
    // Enter on a free channel moves its well into the current group (D1), Enter on an
    // assigned one frees it again.
    auto* free = child<QListWidget>(setup(), "lstchgrup");
    free->setCurrentRow(0);
    QTest::keyClick(free, Qt::Key_Return);
    QCOMPARE(child<QListWidget>(setup(), "lstgrup")->count(), 6);
    auto* assigned = child<QListWidget>(setup(), "lstgrup");
    QCOMPARE(assigned->item(1)->text(), QString("D1.0"));
    assigned->setCurrentRow(1);
    QTest::keyClick(assigned, Qt::Key_Return);
    QCOMPARE(child<QListWidget>(setup(), "lstgrup")->count(), 4);

    ui_->queueInput(std::string("Treated"));
    doubleClickRow(*groups, 0);
    QCOMPARE(groups->item(0)->text(), QString("000_Treated"));
    screenshot(setup(), "setup_window_96.png");

    ui_->queueAnswer(Answer::Yes);
    QTest::mouseClick(child<QPushButton>(setup(), "Cmdsavepj"), Qt::LeftButton);
    QCOMPARE(ui_->questions.back(), std::string("Do you like to Update <1_Screen A> values?"));
    QVERIFY2(ui_->messages.empty(), ui_->messages.empty() ? "" : ui_->messages[0].c_str());

    // What the files on disk say.
    ScriptedUi quiet;
    ProjectSetup saved;
    loadChannelFiles(dir_ / "p00001", 1, saved, quiet);
    QVERIFY(quiet.messages.empty());
    QCOMPARE(saved.groupName[0], std::string("Treated"));
    QCOMPARE(saved.groupName[1], std::string("Group1"));
    PlateFormat plate;
    QVERIFY(loadPlateFormatWithoutFallback(dir_, "w96", plate).ok);
    for (int c = 0; c < kChannels; ++c) {
        const int well = plate.wellOfChannel[c];
        const int expected = well < 0                       ? -1
                             : (well % 8 < 2 && well < 24)  ? 0
                             : (well % 8 == 2 && well < 16) ? 1
                                                            : -1;
        QCOMPARE(int(saved.channelGroup[c]), expected);
    }
}

void SetupWindowTest::the384WellPlate() {
    {
        ScriptedUi quiet;
        Store writer(dir_, quiet);
        writer.startUp();
        writer.setup().Plate_format = "w384";
        writer.loadPlateFormat();
        GroupsModel model = GroupsModel::of(writer.setup());
        autoArrange(model, writer.plate(), {4, 6});
        QVERIFY(writer.saveProjectSettings());
    }
    startApplication();
    openSetupFromTheStartScreen();
    QCOMPARE(child<QComboBox>(setup(), "Combowell")->currentText(), QString("w384"));
    QCOMPARE(child<QListWidget>(setup(), "lstgrup")->count(), 24);
    QTest::mouseClick(child<QPushButton>(setup(), "cmd_advanced"), Qt::LeftButton);
    QVERIFY(child<QWidget>(setup(), "Frame_advanced")->isVisible());
    QCOMPARE(child<QPushButton>(setup(), "cmd_advanced")->text(),
             QString("[Advanced Tools]    <-"));
    screenshot(setup(), "setup_window_384.png");
    // A right drag frees the first block.
    dragOverWells({0, 0}, {3, 5}, Qt::RightButton);
    QCOMPARE(child<QListWidget>(setup(), "lstgrup")->count(), 0);
    QCOMPARE(child<QListWidget>(setup(), "lstchgrup")->count(), 24);
    // "<< Back" goes to the start screen.
    QTest::mouseClick(child<QPushButton>(setup(), "Cmdoffline"), Qt::LeftButton);
    QVERIFY(!setup().isVisible());
    QVERIFY(app_->startScreenView().isVisible());
}

void SetupWindowTest::aNewUserCreatesAProjectGroupsItsWellsAndContinuesToRun() {
    sim::InstrumentConfig config;
    config.serialNumber = 42;
    attachInstrument(config);
    startApplication();
    openSetupFromTheStartScreen();
    createProject("Larvae");
    dragOverWells({0, 0}, {7, 1});
    child<QLineEdit>(setup(), "Txt_description")->setText("first screen");
    continueToRun();

    MainWindowView& main = app_->mainWindowView();
    QVERIFY(app_->state().link.connected);
    QCOMPARE(child<QLineEdit>(main, "txt_projecto")->text(), QString("1_Larvae"));
    QCOMPARE(child<QLabel>(main, "lbl_detection")->text(),
             QString("Detection Mode1, C.elegans [snr 1.8]"));
    QCOMPARE(child<QLineEdit>(main, "Txt_description")->text(), QString("first screen"));
    QCOMPARE(app_->store().config().Actual_Project_Number, std::int16_t{1});
    QVERIFY2(ui_->messages.empty(), ui_->messages.empty() ? "" : ui_->messages[0].c_str());
    screenshot(main, "main_window_after_setup.png");

    // ">Edit" brings the setup back on the same project.
    QTest::mouseClick(child<QPushButton>(main, "Cmdsetup"), Qt::LeftButton);
    QVERIFY(setup().isVisible());
    QCOMPARE(child<QLineEdit>(setup(), "txtprj")->text(), QString("1_Larvae"));
    QCOMPARE(child<QListWidget>(setup(), "lstgrup")->count(), 32);  // A1..H2, two beams each
    continueToRun();

    // Play is not refused: the run records into the new project's first acquisition folder.
    main.findChild<QTimer*>("Timeradq")->blockSignals(true);
    ui_->queueInput(std::string("first plate"));
    const std::size_t before = ui_->messages.size();
    QTest::mouseClick(child<QPushButton>(main, "CmdPlay"), Qt::LeftButton);
    QVERIFY(ui_->scriptUsedUp());
    QVERIFY2(ui_->messages.size() == before,
             ui_->messages.size() == before ? "" : ui_->messages.back().c_str());
    QCOMPARE(app_->state().runState, std::int16_t{1});
    std::vector<std::filesystem::path> acquisitions;
    for (const auto& entry : std::filesystem::directory_iterator(app_->store().projectFolder(1))) {
        if (entry.is_directory() && entry.path().filename().string().size() == 13) {
            acquisitions.push_back(entry.path());  // yyyymmdd_hhmm
        }
    }
    QCOMPARE(acquisitions.size(), std::size_t{1});
    QVERIFY(std::filesystem::exists(acquisitions[0] / "setup.dat"));
    QTest::mouseClick(child<QPushButton>(main, "CmdStop"), Qt::LeftButton);
    QCOMPARE(app_->state().runState, std::int16_t{0});
}

}  // namespace qv::app

QTEST_MAIN(qv::app::SetupWindowTest)
#include "setup_window_test.moc"

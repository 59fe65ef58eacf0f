#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "acquisition/timer_driver.h"
#include "app/application.h"
#include "app/main_window_view.h"
#include "app/start_screen_view.h"
#include "common/scripted_ui.h"
#include "device/com_names.h"
#include "device/in_process_backend.h"
#include "sim/firmware.h"
#include "store/installation.h"
#include "store/store.h"
#include "windows_ui.h"

namespace qv::app {

// A run in the desktop program on the virtual instrument, on virtual time: Play, the live
// views while it records, a pause, and the end at the lapse.
class AcquisitionWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void aRunRecordsWhileTheLiveViewsFollowIt();

  private:
    void screenshot(QWidget& window, const QString& name);
    void runTicks(int ticks);
    QPushButton* button(const char* name);

    std::unique_ptr<QTemporaryDir> folder_;
    WindowsUi ui_;
    TestClock clock_;
    std::unique_ptr<Application> app_;
};

void AcquisitionWindowTest::screenshot(QWidget& window, const QString& name) {
    app_->syncAll();
    QVERIFY(saveScreenshot(window, name));
}

// The acquisition timer's ticks on virtual time, the windows following as they would.
void AcquisitionWindowTest::runTicks(int ticks) {
    MainWindow& main = app_->mainWindow();
    int n = 0;
    TimerDriver(clock_, main.Timeradq, [&] {
        main.Timeradq_Timer();
        if (++n % 50 == 0) {
            app_->syncAll();
        }
    }).runWhile([&] { return n < ticks && app_->state().runState != 0; });
    app_->syncAll();
}

QPushButton* AcquisitionWindowTest::button(const char* name) {
    return app_->mainWindowView().findChild<QPushButton*>(name);
}

void AcquisitionWindowTest::aRunRecordsWhileTheLiveViewsFollowIt() {
    folder_ = std::make_unique<QTemporaryDir>();
    const std::filesystem::path app = folder_->path().toStdString();
    QCOMPARE(layInstallationData(std::filesystem::path(QV_SOURCE_DIR) / "data", app, false).status,
             InstallStatus::Ok);
    {
        ScriptedUi quiet;
        Store writer(app, quiet);
        writer.startUp();
        std::filesystem::create_directories(writer.projectFolder(1));
        writer.config().Actual_Project_Number = 1;
        writer.config().Last_Project = 1;
        writer.setProjectPath(writer.projectFolder(1));
        writer.setup().Name = "Larvae";
        writer.setup().Aq_lapse = 1;
        writer.setup().Menu3 = 1;
        QVERIFY(writer.saveProjectSettings());
        QVERIFY(writer.saveConfiguration());
    }
    device::InProcessBackend ports(clock_);
    sim::InstrumentConfig config;
    config.occupancy = 0.9;
    sim::Firmware instrument(clock_, config);
    device::ModelLine<sim::Firmware> line(instrument);
    ports.attach(device::comName(4), line);
    app_ = std::make_unique<Application>(app, ui_, clock_, ports);
    ui_.app = app_.get();
    QVERIFY(app_->start(""));
    const auto missing = app_->mainWindowView().binding().unboundControls();
    QVERIFY2(missing.empty(), missing.empty() ? "" : missing[0].c_str());
    QTest::mouseClick(app_->startScreenView().findChild<QWidget*>("fra_option2"), Qt::LeftButton);
    MainWindowView& view = app_->mainWindowView();
    QVERIFY(view.isVisible());
    view.resize(1200, 820);
    // The ticks come from the virtual clock here, not from the window's timer in real time.
    view.findChild<QTimer*>("Timeradq")->blockSignals(true);

    ui_.queueInput(std::string("dose response"));
    QTest::mouseClick(button("CmdPlay"), Qt::LeftButton);
    QCOMPARE(app_->state().runState, std::int16_t{1});
    QVERIFY(!button("CmdPlay")->isEnabled());
    QVERIFY(button("CmdPause")->isEnabled());
    QCOMPARE(view.findChild<QLineEdit*>("txt_subproject")->text(), QString("dose response"));

    runTicks(2 * 500 + 120);
    MainWindow& main = app_->mainWindow();
    QCOMPARE(main.cycle().progress().blocks, 2);
    QCOMPARE(view.findChild<QLineEdit*>("txt_time")->text(), QString("00:00:33 [0d]"));
    QVERIFY(view.findChild<QLabel*>("lbl_temperature")->text().startsWith("T="));
    QTest::mouseClick(button("Cmd_groupplot"), Qt::LeftButton);
    screenshot(view, "acquisition_running_group.png");
    QTest::mouseClick(button("Cmd_barplot"), Qt::LeftButton);
    screenshot(view, "acquisition_running_bars.png");
    QTest::mouseClick(button("Cmd_gridplot"), Qt::LeftButton);
    screenshot(view, "acquisition_running_plate.png");
    // The heat map shows the wells that moved darker than the quiet ones.
    QVERIFY(main.display().viewMode() == LiveDisplay::kPlateGrid);

    ui_.queueAnswer(Answer::No);
    QTest::mouseClick(button("CmdPause"), Qt::LeftButton);
    QCOMPARE(app_->state().runState, std::int16_t{2});
    QVERIFY(view.findChild<QWidget*>("frm_autotext")->isVisible());
    QCOMPARE(view.findChild<QLabel*>("lbl_autotext")->text(), QString("<< PAUSED >>"));
    screenshot(view, "acquisition_paused.png");
    QTest::mouseClick(button("CmdPause"), Qt::LeftButton);
    QCOMPARE(app_->state().runState, std::int16_t{1});

    runTicks(100'000);
    QCOMPARE(app_->state().runState, std::int16_t{0});
    QCOMPARE(main.cycle().progress().blocks, 4);
    QCOMPARE(ui_.messages.back(), std::string("Acquisition finished"));
    QVERIFY(button("CmdPlay")->isEnabled());
    screenshot(view, "acquisition_finished.png");
    app_.reset();  // before the instrument it holds a line to
}

}  // namespace qv::app

QTEST_MAIN(qv::app::AcquisitionWindowTest)
#include "acquisition_window_test.moc"

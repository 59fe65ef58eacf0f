// The channel calibration arena and the factory settings window as a technician sees them, on
// the offscreen platform with the virtual instrument inside the process; screenshots are kept
// in the build tree.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/application.h"
#include "app/arena_view.h"
#include "app/factory_view.h"
#include "app/main_window_view.h"
#include "app/qt_canvas.h"
#include "device/com_names.h"
#include "device/in_process_backend.h"
#include "sim/firmware.h"
#include "store/calibration_values.h"
#include "store/installation.h"
#include "windows_ui.h"

namespace qv::app {

// The shared scripted Ui, with a look at the windows during long work.
class LookingUi : public WindowsUi {
  public:
    std::function<void()> during;
    void processEvents() override {
        WindowsUi::processEvents();
        if (during) {
            during();
        }
    }
};

class ToolsWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void arenaReadsLiveTunesAndSaves();
    void factorySettingsCorrectTheSensor();

  private:
    void startConnected(sim::InstrumentConfig config);
    void screenshot(QWidget& window, const QString& name);
    template <class W>
    W* child(QWidget& window, const char* name) {
        auto* w = window.findChild<W*>(name);
        if (w == nullptr) {
            qWarning("missing control %s", name);
        }
        return w;
    }

    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<LookingUi> ui_;
    std::unique_ptr<TestClock> clock_;
    std::unique_ptr<device::InProcessBackend> ports_;
    std::unique_ptr<sim::Firmware> instrument_;
    std::unique_ptr<device::ModelLine<sim::Firmware>> line_;
    std::unique_ptr<Application> app_;
};

void ToolsWindowsTest::init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(folder_->isValid());
    const auto laid = layInstallationData(std::filesystem::path(QV_SOURCE_DIR) / "data",
                                          folder_->path().toStdString(), false);
    QCOMPARE(laid.status, InstallStatus::Ok);
    ui_ = std::make_unique<LookingUi>();
    clock_ = std::make_unique<TestClock>();
    ports_ = std::make_unique<device::InProcessBackend>(*clock_);
}

void ToolsWindowsTest::cleanup() {
    app_.reset();
    line_.reset();
    instrument_.reset();
    ports_.reset();
    ui_.reset();
    folder_.reset();
}

void ToolsWindowsTest::startConnected(sim::InstrumentConfig config) {
    instrument_ = std::make_unique<sim::Firmware>(*clock_, config);
    line_ = std::make_unique<device::ModelLine<sim::Firmware>>(*instrument_);
    ports_->attach(device::comName(4), *line_);
    app_ = std::make_unique<Application>(folder_->path().toStdString(), *ui_, *clock_, *ports_);
    ui_->app = app_.get();
    QVERIFY(app_->start(""));
    app_->mainWindow().showForAcquisition();
    app_->syncAll();
    QVERIFY(app_->state().link.connected);
    for (ControlBinding* b : {&app_->mainWindowView().binding(), &app_->arenaView().binding(),
                              &app_->factoryView().binding()}) {
        const auto missing = b->unboundControls();
        QVERIFY2(missing.empty(), missing.empty() ? "" : missing[0].c_str());
    }
}

void ToolsWindowsTest::screenshot(QWidget& window, const QString& name) {
    QDir().mkpath(QV_SCREENSHOT_DIR);
    app_->syncAll();
    QCoreApplication::processEvents();
    QVERIFY(window.grab().save(QDir(QV_SCREENSHOT_DIR).filePath(name), "PNG"));
}

void ToolsWindowsTest::arenaReadsLiveTunesAndSaves() {
    sim::InstrumentConfig config;
    config.plateInserted = false;
    config.deadBeams = {200};
    startConnected(config);
    QAction* menu = child<QAction>(app_->mainWindowView(), "mn_arena");
    QVERIFY(menu != nullptr && menu->isVisible());
    menu->trigger();
    ArenaView& view = app_->arenaView();
    ArenaWindow& arena = app_->arenaWindow();
    QVERIFY(view.isVisible());
    QCOMPARE(child<QLineEdit>(view, "Txtajuste")->text(), QString("80"));

    child<QPushButton>(view, "Cmd_online")->click();
    QVERIFY(arena.Timerreal.enabled);
    for (int tick = 0; tick < 40; ++tick) {
        view.binding().handle([&] { arena.Timerreal_Timer(); });
    }
    // A click on the pixel map picks the beam under it: column 6, row D is channel 83.
    auto* map = child<CanvasWidget>(view, "Picwell");
    const CanvasMapping& m = map->canvas().mapping();
    const QPoint beam(static_cast<int>(m.toPixelX(5.5)), static_cast<int>(m.toPixelY(3.5)));
    QTest::mouseClick(map, Qt::LeftButton, {}, beam);
    QCOMPARE(child<QLabel>(view, "lblcanal")->text(), QString("83"));
    QCOMPARE(child<QComboBox>(view, "Combofila")->currentText(), QString("D"));
    QCOMPARE(child<QComboBox>(view, "Combocol")->currentText(), QString("6"));
    screenshot(view, "arena_live.png");

    // The scroll bar writes the channel's setting.
    child<QScrollBar>(view, "scrollgain")->setValue(6);
    const ChannelSetting s = arena.settings()[83];
    QCOMPARE(s.gain, 6);
    QCOMPARE(instrument_->setting(83), s.gain * 32 + s.pinHole);
    QCOMPARE(child<QLineEdit>(view, "txtgain")->text(), QString("6"));

    // Calibrating shows each channel as it goes and ends with the dead beam named.
    QString seen;
    ui_->during = [&] {
        if (seen.isEmpty() && arena.lblprogress.text == "Calibrating CH100") {
            seen = child<QLabel>(view, "lblprogress")->text();
            screenshot(view, "arena_calibrating.png");
        }
    };
    child<QPushButton>(view, "Cmdcalibrar")->click();
    ui_->during = nullptr;
    QCOMPARE(seen, QString("Calibrating CH100"));
    QVERIFY(arena.lastCalibration().completed);
    QVERIFY(child<QLabel>(view, "lblout")->text().contains("1 outside the band: CH 200"));
    QVERIFY(!child<QLabel>(view, "lblprogress")->isVisible());
    QVERIFY(child<QPushButton>(view, "Cmd_online")->isEnabled());
    screenshot(view, "arena_calibrated.png");

    child<QPushButton>(view, "cmd_setcalibra")->click();
    QCOMPARE(QString::fromStdString(ui_->messages.back()), QString("Calibration Saving OK"));
    CalibrationValues saved;
    QVERIFY(readCalibrationValues(folder_->path().toStdString(), saved).status ==
            CalibrationReadStatus::Ok);
    QCOMPARE(int(saved.Gain[17]) * 32 + saved.PinHole[17], instrument_->setting(17));

    // The calibration left the last channel it tuned selected.
    QCOMPARE(child<QLabel>(view, "lblcanal")->text(), QString("383"));
    ui_->queueAnswer(Answer::Yes);
    QTest::mouseDClick(child<QLabel>(view, "lblstatus"), Qt::LeftButton);
    QCOMPARE(child<QLabel>(view, "lblstatus")->text(), QString("DISABLED"));
    QVERIFY(!app_->store().setup().channelEnabled[383]);
    QVERIFY(app_->store().setup().channelEnabled[83]);

    view.close();
    QVERIFY(!arena.Frm_Arena.visible);
    QVERIFY(!arena.Timerreal.enabled);
}

void ToolsWindowsTest::factorySettingsCorrectTheSensor() {
    sim::InstrumentConfig config;
    config.serialNumber = 42;
    config.sensorBiasC = 1.5;
    startConnected(config);
    child<QAction>(app_->mainWindowView(), "mn_factory")->trigger();
    FactoryView& view = app_->factoryView();
    FactoryWindow& factory = app_->factoryWindow();
    QVERIFY(view.isVisible());
    QVERIFY(factory.Timer_temp.enabled);
    QCOMPARE(child<QLabel>(view, "lblserial")->text(), QString("SERIAL : QRVL00042"));
    QCOMPARE(child<QLineEdit>(view, "txt_mensaje")->text(),
             QString("OK Last Factory Calibration 06/24 [mm/yy]"));
    view.binding().handle([&] { factory.Timer_temp_Timer(); });
    QCOMPARE(child<QLineEdit>(view, "txt_current_temp")->text(), QString("23.5"));
    screenshot(view, "factory_before.png");

    clock_->set(DateTime{2027, 3, 2, 9, 0, 0, 0});
    child<QLineEdit>(view, "txt_set_temp")->setText("22,0");  // a comma is a decimal point too
    child<QPushButton>(view, "Cmd_temp")->click();
    QVERIFY(factory.lastSet().calibrated);
    QCOMPARE(child<QLineEdit>(view, "txt_mensaje")->text(),
             QString("OK Last Factory Calibration 03/27 [mm/yy]"));
    view.binding().handle([&] { factory.Timer_temp_Timer(); });
    QCOMPARE(child<QLineEdit>(view, "txt_current_temp")->text(), QString("22.0"));
    screenshot(view, "factory_set.png");

    view.close();
    QVERIFY(!factory.Timer_temp.enabled);
    QVERIFY(!factory.Frm_Factory.visible);
}

}  // namespace qv::app

QTEST_MAIN(qv::app::ToolsWindowsTest)
#include "tools_windows_test.moc"

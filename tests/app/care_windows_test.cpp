// The main window's calibration, light and temperature panels and the device test as a user
// sees them, on the offscreen platform with the virtual instrument inside the process;
// screenshots are kept in the build tree.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/application.h"
#include "app/main_window_view.h"
#include "app/qt_canvas.h"
#include "common/scripted_ui.h"
#include "store/store.h"
#include "windows_ui.h"

namespace qv::app {

class CareWindowsTest : public QObject, private WindowsRig {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void fastCalibrationShowsItsProgress();
    void lightAndTemperaturePanelsFollowTheButtons();
    void deviceTestShowsTheBeamsAndWritesItsReport();

  private:
    void startConnected(sim::InstrumentConfig config);
    void screenshot(const QString& name);
    template <class W>
    W* child(const char* name) {
        return app::child<W>(app_->mainWindowView(), name);
    }
};

void CareWindowsTest::init() {
    QVERIFY(layApplicationFolder());
    ScriptedUi quiet;
    Store writer(dir_, quiet);
    writer.startUp();
    writer.setup().Menu1 = 1;
    writer.setup().Menu2 = 1;
    writer.setup().Menu3 = 1;
    writer.setup().Mn2 = {1, 8, 20, 0, 10, 50};
    writer.setup().Mn3 = {1, 250, 0, 0, 0, 0};
    QVERIFY(writer.saveProjectSettings());
}

void CareWindowsTest::cleanup() {
    tearDown();
}

void CareWindowsTest::startConnected(sim::InstrumentConfig config) {
    attachInstrument(config);
    makeApplication();
    QVERIFY(app_->start(""));
    const auto missing = app_->mainWindowView().binding().unboundControls();
    QVERIFY2(missing.empty(), missing.empty() ? "" : missing[0].c_str());
    app_->mainWindow().showForAcquisition();
    app_->syncAll();
    QVERIFY(app_->state().link.connected);
    QVERIFY(app_->mainWindowView().isVisible());
}

void CareWindowsTest::screenshot(const QString& name) {
    app_->syncAll();
    QVERIFY(saveScreenshot(app_->mainWindowView(), name));
}

void CareWindowsTest::fastCalibrationShowsItsProgress() {
    sim::InstrumentConfig config;
    config.plateInserted = false;
    startConnected(config);
    child<QAction>("mncal_on")->trigger();
    QCheckBox* autoCal = child<QCheckBox>("mnCalibra");
    QVERIFY(autoCal->isVisible());
    autoCal->click();
    QPushButton* fast = child<QPushButton>("cmd_calibra");
    QVERIFY(fast->isVisible());
    QVERIFY(fast->isEnabled());

    bool shot = false;
    QString seen;
    ui_->during = [&] {
        const QString line = child<QLabel>("lbl_autochannel")->text();
        if (!shot && line.startsWith("Calibrating... [") && line != "Calibrating... [383]") {
            shot = true;
            seen = line;
            QVERIFY(child<QWidget>("frm_autotext")->isVisible());
            QCOMPARE(child<QLabel>("lbl_autotext")->text(), QString("<FAST CALIBRATION>"));
            // The bar: dark blue from the left edge on the light yellow ground.
            const QImage& bar = child<CanvasWidget>("picturecal")->canvas().image();
            QCOMPARE(bar.pixelColor(1, bar.height() / 2), QColor(0, 0, 160));
            QCOMPARE(bar.pixelColor(bar.width() - 2, bar.height() / 2), QColor(255, 255, 192));
            screenshot("calibration_in_progress.png");
        }
    };
    QTest::mouseClick(fast, Qt::LeftButton);
    ui_->during = nullptr;
    QVERIFY(shot);
    QCOMPARE(child<QLabel>("lbl_autochannel")->text(), QString("Calibration OK"));
    QVERIFY(ui_->messages.empty());
    screenshot("calibration_done.png");
}

void CareWindowsTest::lightAndTemperaturePanelsFollowTheButtons() {
    startConnected({});
    QVERIFY(child<QWidget>("Frame_light")->isVisible());
    QVERIFY(child<QWidget>("Frame_temp")->isVisible());
    QWidget* lamp = child<QWidget>("shape_light");
    QVERIFY(lamp->styleSheet().contains("rgb(255, 0, 0)"));
    QTest::mouseClick(child<QPushButton>("cmd_luz"), Qt::LeftButton);
    QCOMPARE(child<QPushButton>("cmd_luz")->text(), QString("ON"));
    QVERIFY(lamp->styleSheet().contains("rgb(0, 255, 0)"));
    QVERIFY(lamp->styleSheet().contains("border-radius"));
    QTest::mouseClick(child<QPushButton>("cmd_frio"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("cmd_ontemp"), Qt::LeftButton);
    QCOMPARE(child<QPushButton>("cmd_frio")->text(), QString("HEAT"));
    QCOMPARE(child<QPushButton>("cmd_ontemp")->text(), QString("ON"));
    QVERIFY(child<QPushButton>("cmd_ontemp")->styleSheet().contains("rgb(255, 0, 0)"));
    QCOMPARE(instrument_->controlWord(), 7);
    // A set point out of range is put back when the box loses the focus.
    QLineEdit* setPoint = child<QLineEdit>("txttemp");
    setPoint->setFocus();
    setPoint->setText("60");
    app_->mainWindowView().binding().handle([this] { app_->mainWindow().txttemp_LostFocus(); });
    QCOMPARE(ui_->messages, std::vector<std::string>{"Invalid value: 5.0 to 50.0"});
    QCOMPARE(setPoint->text(), QString("20"));
    // The pulse panel comes and goes with its button.
    QPushButton* pulses = child<QPushButton>("cmd_cyclepulse");
    const bool shown = child<QWidget>("frm_pulse")->isVisible();
    QTest::mouseClick(pulses, Qt::LeftButton);
    QCOMPARE(child<QWidget>("frm_pulse")->isVisible(), !shown);
    if (!child<QWidget>("frm_pulse")->isVisible()) {
        QTest::mouseClick(pulses, Qt::LeftButton);
    }
    screenshot("light_and_temperature.png");
    // The Tools menu hides a panel.
    child<QAction>("lght_ctl")->trigger();
    QVERIFY(!child<QWidget>("Frame_light")->isVisible());
    QCOMPARE(app_->store().setup().Menu2, std::int16_t{0});
}

void CareWindowsTest::deviceTestShowsTheBeamsAndWritesItsReport() {
    sim::InstrumentConfig config;
    config.plateInserted = false;
    config.serialNumber = 88;
    config.deadBeams = {5, 200};
    startConnected(config);
    QAction* test = child<QAction>("mnstatustest");
    QVERIFY(test->isVisible());
    ui_->queueAnswer(Answer::Ok);
    ui_->queueAnswer(Answer::Yes);
    test->trigger();
    MainWindow& logic = app_->mainWindow();
    QVERIFY(logic.Timer_test.enabled);
    QCOMPARE(child<QLabel>("lbl_autorestart")->text(),
             QString("Open and close Quorvel Door to see sensing changes"));
    // The ticks, driven here instead of waiting for the 100 ms timer.
    while (logic.Timer_test.enabled) {
        app_->mainWindowView().binding().handle([&] { logic.Timer_test_Timer(); });
        if (logic.selfTest.step() == 45) {
            QCOMPARE(child<QLabel>("lbl_temperature")->text(), QString("Col[6]: PASS!"));
            QVERIFY(child<QLabel>("lbl_autorestart")->isVisible());
            screenshot("device_test.png");
        }
    }
    QVERIFY(logic.selfTest.completed());
    QCOMPARE(child<QLabel>("lbl_temperature")->text(), QString::fromUtf8("T = __ \u00B0C"));
    QVERIFY(!child<QLabel>("lbl_autorestart")->isVisible());
    // The plot shows the live view again (its white ground).
    QCOMPARE(child<CanvasWidget>("Picact")->canvas().image().pixelColor(5, 5), QColor(Qt::white));
    QCOMPARE(ui_->opened.size(), std::size_t{1});
    const QString report = QString::fromStdString(ui_->opened[0].path);
    QVERIFY(report.endsWith("testdev88.txt"));
    QFile file(report);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(file.readAll());
    QVERIFY(text.contains("Channels < 80%: CH5[0%], CH200[0%], \r\n"));
    QVERIFY(text.contains("Test_all_0%: OK PASS!"));
}

}  // namespace qv::app

QTEST_MAIN(qv::app::CareWindowsTest)
#include "care_windows_test.moc"

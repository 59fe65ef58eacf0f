#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

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

class AppWindowsTest : public QObject, private WindowsRig {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void startScreenShowsStatusAndExitsAfterSureToQuit();
    void mainWindowOpensOfflineAndClosesWithoutQuestion();
    void mainWindowConnectsToTheInstrumentAndExitsAfterItsQuestion();

  private:
    void startApplication();
    void screenshot(QWidget& window, const QString& name);
};

void AppWindowsTest::init() {
    QVERIFY(layApplicationFolder());
}

void AppWindowsTest::cleanup() {
    tearDown();
}

void AppWindowsTest::startApplication() {
    makeApplication();
    QVERIFY(app_->start(""));
    QVERIFY2(ui_->messages.empty(), ui_->messages.empty() ? "" : ui_->messages[0].c_str());
    // Every control the logic names has its widget.
    for (ControlBinding* b :
         {&app_->startScreenView().binding(), &app_->mainWindowView().binding()}) {
        const auto missing = b->unboundControls();
        QVERIFY2(missing.empty(), missing.empty() ? "" : missing[0].c_str());
    }
}

void AppWindowsTest::screenshot(QWidget& window, const QString& name) {
    QVERIFY(saveScreenshot(window, name));
}

void AppWindowsTest::startScreenShowsStatusAndExitsAfterSureToQuit() {
    startApplication();
    StartScreenView& start = app_->startScreenView();
    QVERIFY(start.isVisible());
    QVERIFY(start.isEnabled());
    QVERIFY(!app_->mainWindowView().isVisible());
    QCOMPARE(child<QLabel>(start, "LblNews")->text(), QString("status = not connected yet"));
    QCOMPARE(child<QLabel>(start, "lbl_option2")->text(), QString("Run Latest Project"));

    // The pointer over an option shows its frame.
    QWidget* option2 = child<QWidget>(start, "fra_option2");
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(option2, &enter);
    QVERIFY(child<QWidget>(start, "shp_option2")->isVisible());
    QVERIFY(!child<QWidget>(start, "shp_option1")->isVisible());
    screenshot(start, "start_screen.png");

    // Refused first, then confirmed.
    ui_->queueAnswer(Answer::No);
    QTest::mouseClick(child<QWidget>(start, "fra_option4"), Qt::LeftButton);
    QVERIFY(!app_->state().ended);
    QVERIFY(start.isVisible());
    ui_->queueAnswer(Answer::Yes);
    QTest::mouseClick(child<QWidget>(start, "fra_option4"), Qt::LeftButton);
    QCOMPARE(ui_->questions, (std::vector<std::string>{"Sure to Quit?", "Sure to Quit?"}));
    QVERIFY(app_->state().ended);
    QVERIFY(!start.isVisible());
}

void AppWindowsTest::mainWindowOpensOfflineAndClosesWithoutQuestion() {
    {
        // A project with every tool panel, so the screenshot shows them all.
        ScriptedUi quiet;
        Store writer(dir_, quiet);
        writer.startUp();
        writer.setup().Menu2 = 1;
        writer.setup().Menu3 = 1;
        writer.setup().Mn2 = {1, 8, 20, 2, 15, 300};
        writer.setup().Mn3 = {1, 285, 0, 0, 0, 0};
        QVERIFY(writer.saveProjectSettings());
    }
    startApplication();
    // No instrument on any port: <Enter> at the port question goes offline, and the start
    // screen comes back.
    ui_->queueInput(std::string());
    QTest::mouseClick(child<QWidget>(app_->startScreenView(), "fra_option2"), Qt::LeftButton);
    QVERIFY(app_->state().link.offline);
    QCOMPARE(ui_->messages, (std::vector<std::string>{"PORT NOT FOUND"}));
    QVERIFY(app_->startScreenView().isVisible());
    MainWindowView& main = app_->mainWindowView();
    QVERIFY(!main.isVisible());
    // The window as it stands offline.
    app_->mainWindow().Frm_Main.visible = true;
    app_->syncAll();
    QVERIFY(main.isVisible());
    QCOMPARE(main.windowTitle(), QString("<Quorvel> Acquisition Software  --------> Main"));
    QCOMPARE(child<QLineEdit>(main, "txt_projecto")->text(), QString("0_Default"));
    QCOMPARE(child<QLineEdit>(main, "txttemp")->text(), QString("28.5"));
    QCOMPARE(child<QLineEdit>(main, "txt_pulseon")->text(), QString("1.5"));
    QVERIFY(child<QWidget>(main, "frm_pulse")->isVisible());
    QVERIFY(!child<QLineEdit>(main, "txt_lon")->isEnabled());
    QCOMPARE(child<QComboBox>(main, "combo_minutes")->currentText(), QString("30"));
    QCOMPARE(child<QComboBox>(main, "Cmb_organism")->currentText(), QString("C elegans(>L4)"));
    QVERIFY(child<QWidget>(main, "Frame_light")->isVisible());
    QVERIFY(child<QWidget>(main, "Frame_temp")->isVisible());
    QVERIFY(!child<QWidget>(main, "frm_autotext")->isVisible());
    QVERIFY(!child<QCheckBox>(main, "chk_bodybends")->isEnabled());
    QVERIFY(!child<QWidget>(main, "frm_autotext")->isVisible());
    screenshot(main, "main_window_offline.png");

    main.close();
    QVERIFY(ui_->questions.empty());
    QVERIFY(app_->state().ended);
}

void AppWindowsTest::mainWindowConnectsToTheInstrumentAndExitsAfterItsQuestion() {
    sim::InstrumentConfig config;
    config.serialNumber = 42;
    attachInstrument(config);
    startApplication();
    QTest::mouseClick(child<QWidget>(app_->startScreenView(), "fra_option2"), Qt::LeftButton);
    MainWindowView& main = app_->mainWindowView();
    QVERIFY(main.isVisible());
    QVERIFY(app_->state().link.connected);
    QCOMPARE(app_->state().link.serialNumber, std::int16_t{42});
    QVERIFY(child<QAction>(main, "mncom1_4")->isChecked());
    QVERIFY(!child<QAction>(main, "mncom1_5")->isChecked());
    QCOMPARE(child<QAction>(main, "mncom1")->text(), QString("COM"));
    QVERIFY(!child<QWidget>(main, "frm_autotext")->isVisible());
    screenshot(main, "main_window_connected.png");

    ui_->queueAnswer(Answer::No);
    child<QAction>(main, "mnexit")->trigger();
    QCOMPARE(ui_->questions,
             (std::vector<std::string>{"Update values to project 0_Default before Exit?"}));
    QVERIFY(app_->state().ended);
    QVERIFY(!main.isVisible());
    QVERIFY(!app_->device().comm.isOpen(4));
}

}  // namespace qv::app

QTEST_MAIN(qv::app::AppWindowsTest)
#include "app_windows_test.moc"

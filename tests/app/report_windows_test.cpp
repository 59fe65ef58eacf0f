#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "analysis/activity_files.h"
#include "analysis/recorded_run.h"
#include "app/application.h"
#include "app/main_window_view.h"
#include "app/report_settings_view.h"
#include "app/report_window_view.h"
#include "common/scripted_ui.h"
#include "device/in_process_backend.h"
#include "store/installation.h"
#include "support/temp_dir.h"
#include "windows_ui.h"

namespace qv::app {

class ReportWindowsTest : public QObject, private WindowsRig {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void showMyReportGeneratesTheReport();
    void reportSettingsApplyTicksUserDefinedBinSize();
    void rawDataReanalysedAndReplaced();

  private:
    void startWithARecordedRun();
    void screenshot(QWidget& window, const QString& name);
    // An option button reacts on its indicator and caption, not on the rest of its row.
    static void clickOption(QRadioButton* option) {
        QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
    }
    std::filesystem::path acquisition() const { return dir_ / "20240614_1530"; }
};

void ReportWindowsTest::init() {
    QVERIFY(layApplicationFolder());
}

void ReportWindowsTest::cleanup() {
    tearDown();
}

// Twelve one-minute blocks of project 0 with their raw samples, and the main window shown as
// after that run; every control of the report windows has its widget.
void ReportWindowsTest::startWithARecordedRun() {
    testing::RecordedRun run;
    run.blocks = 12;
    run.stamp = [](int b) { return b; };
    run.write(acquisition());
    makeApplication();
    QVERIFY(app_->start(""));
    for (ControlBinding* b :
         {&app_->reportWindowView().binding(), &app_->reportSettingsView().binding(),
          &app_->mainWindowView().binding()}) {
        const auto missing = b->unboundControls();
        QVERIFY2(missing.empty(), missing.empty() ? "" : missing[0].c_str());
    }
    app_->mainWindow().Frm_Main.visible = true;
    app_->mainWindow().currentAcquisition = "20240614_1530";
    app_->syncAll();
}

void ReportWindowsTest::screenshot(QWidget& window, const QString& name) {
    QVERIFY(saveScreenshot(window, name));
}

void ReportWindowsTest::showMyReportGeneratesTheReport() {
    startWithARecordedRun();
    MainWindowView& main = app_->mainWindowView();
    QTest::mouseClick(child<QPushButton>(main, "Cmd_showreport"), Qt::LeftButton);
    ReportWindowView& report = app_->reportWindowView();
    QVERIFY(report.isVisible());
    QCOMPARE(report.windowTitle(), QString("Report Output"));
    QCOMPARE(child<QLineEdit>(report, "Txt_inputfile")->text(),
             QString::fromStdString(acquisition().string()));
    QVERIFY(child<QRadioButton>(report, "Option_output_0")->isChecked());
    QVERIFY(!child<QRadioButton>(report, "Option_output_4")->isVisible());
    QVERIFY(!child<QWidget>(report, "Frame_reanalysis")->isVisible());
    QCOMPARE(child<QComboBox>(report, "Cmb_binsize")->currentText(), QString("30"));
    screenshot(report, "report_window.png");

    // The layout the user picks is what the report is written in.
    clickOption(child<QRadioButton>(report, "Option_output_1"));
    child<QComboBox>(report, "Cmb_binsize")->setEditText("5");
    QTest::mouseClick(child<QPushButton>(report, "Cmd_generate"), Qt::LeftButton);
    QVERIFY2(ui_->messages.empty(), ui_->messages.empty() ? "" : ui_->messages[0].c_str());
    QCOMPARE(ui_->opened.size(), std::size_t{1});
    QCOMPARE(ui_->opened[0].path, (acquisition() / "report.csv").string());
    const std::string text = testing::readBytes(acquisition() / "report.csv");
    // The List layout: time, group and value per line, and none of the Rows' sample counts.
    QVERIFY(text.find("Value") != std::string::npos);
    QVERIFY(text.find("#Samples") == std::string::npos);
    QCOMPARE(child<QComboBox>(report, "Cmb_binsize")->currentText(), QString("5"));
}

void ReportWindowsTest::reportSettingsApplyTicksUserDefinedBinSize() {
    startWithARecordedRun();
    MainWindowView& main = app_->mainWindowView();
    auto* userBin = child<QAction>(main, "mn_userbin");
    QVERIFY(!userBin->isChecked());
    userBin->trigger();
    QVERIFY(!userBin->isChecked());  // choosing it ticks nothing yet
    ReportSettingsView& settings = app_->reportSettingsView();
    QVERIFY(settings.isVisible());
    QCOMPARE(settings.windowTitle(), QString("User Defined Report"));
    QVERIFY(child<QRadioButton>(settings, "Option_report_0")->isChecked());
    QVERIFY(child<QCheckBox>(settings, "Chk_statistic_2")->isChecked());
    screenshot(settings, "report_settings.png");

    clickOption(child<QRadioButton>(settings, "Option_report_1"));
    child<QComboBox>(settings, "Cmb_binsize")->setEditText("60");
    QTest::mouseClick(child<QPushButton>(settings, "Cmd_generate"), Qt::LeftButton);
    QCOMPARE(ui_->messages, std::vector<std::string>{"User Configuration Applied"});
    QVERIFY(!settings.isVisible());
    QVERIFY(userBin->isChecked());
    QCOMPARE(app_->store().report().filetype, std::int16_t{1});
    QCOMPARE(app_->store().report().Bin, std::int16_t{60});

    QTest::mouseClick(child<QPushButton>(main, "Cmd_showreport"), Qt::LeftButton);
    ReportWindowView& report = app_->reportWindowView();
    QVERIFY(child<QRadioButton>(report, "Option_report_1")->isChecked());
    QCOMPARE(child<QComboBox>(report, "Cmb_binsize")->currentText(), QString("60"));
}

void ReportWindowsTest::rawDataReanalysedAndReplaced() {
    startWithARecordedRun();
    const std::string before = testing::readBytes(countsFilePath(acquisition()));
    app_->showReport(acquisition(), false);
    ReportWindowView& report = app_->reportWindowView();
    QVERIFY(report.isVisible());
    const int shortHeight = report.height();
    child<QAction>(report, "mn_analyzeraw")->trigger();
    QVERIFY(child<QWidget>(report, "Frame_reanalysis")->isVisible());
    QVERIFY(report.height() > shortHeight);  // the window grew to show the panel
    QCOMPARE(child<QLabel>(report, "frmlbl_status")->text(), QString("Block xx/xx"));
    QCOMPARE(child<QComboBox>(report, "Cmb_dspmethod")->currentIndex(), 1);

    auto* organism = child<QComboBox>(report, "Cmb_organism");
    organism->setCurrentIndex(3);
    emit organism->activated(3);
    QCOMPARE(child<QComboBox>(report, "Cmb_dspmethod")->currentIndex(), 3);
    QCOMPARE(child<QLineEdit>(report, "frmtxt_threshold")->text(), QString("0.8"));
    QTest::mouseClick(child<QCheckBox>(report, "Chk_replacedata"), Qt::LeftButton);
    QVERIFY(!child<QLineEdit>(report, "frmtxt_datalapse")->isEnabled());
    screenshot(report, "report_reanalysis_panel.png");

    QTest::mouseClick(child<QPushButton>(report, "cmd_runframe"), Qt::LeftButton);
    QVERIFY2(ui_->messages.empty(), ui_->messages.empty() ? "" : ui_->messages[0].c_str());
    QVERIFY(ui_->eventPumps > 0);
    QCOMPARE(child<QLabel>(report, "frmlbl_status")->text(), QString("Block 12/12"));
    QCOMPARE(testing::readBytes(acquisition() / "counts.bak"), before);
    QVERIFY(testing::readBytes(countsFilePath(acquisition())) != before);
    QCOMPARE(ui_->opened.size(), std::size_t{1});
    QVERIFY(child<QPushButton>(report, "cmd_runframe")->isEnabled());
    const std::string text = testing::readBytes(acquisition() / "report.csv");
    QVERIFY(text.find("Mode3 [snr=0.8]") != std::string::npos);
    screenshot(report, "report_reanalysis_done.png");
}

}  // namespace qv::app

QTEST_MAIN(qv::app::ReportWindowsTest)
#include "report_windows_test.moc"

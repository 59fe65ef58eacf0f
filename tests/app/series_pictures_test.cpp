// The kinetics plot and a path-tracking frame drawn on the desktop program's canvas, saved as
// the exports save them and kept as screenshots.
#include <QDir>
#include <QtTest>

#include "analysis/activity_files.h"
#include "analysis/report_fixture.h"
#include "app/qt_canvas.h"
#include "common/scripted_ui.h"
#include "offline/series/kinetics_plot.h"
#include "offline/series/path_tracking.h"
#include "offline/series/picture_export.h"
#include "store/installation.h"
#include "support/temp_dir.h"

namespace qv::app {

class SeriesPicturesTest : public QObject {
    Q_OBJECT

  private slots:
    void kineticsPlotOfThreeTimePoints();
    void trackingFrameOfTwoLarvae();

  private:
    static QString shot(const QString& name) {
        QDir().mkpath(QV_SCREENSHOT_DIR);
        return QString(QV_SCREENSHOT_DIR) + "/" + name;
    }
    // How many pixels of the image have this colour.
    static int count(const QImage& image, QColor colour) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                n += image.pixelColor(x, y) == colour;
            }
        }
        return n;
    }
};

void SeriesPicturesTest::kineticsPlotOfThreeTimePoints() {
    KineticSeries s;
    s.tag = "[K1]";
    s.acquisitions = {"20240614_0600", "20240615_0000", "20240615_1200"};
    s.minutes = {0, 1080, 1800};
    s.unit = "h";
    s.timeLabels = {"0.0", "18.0", "30.0"};
    s.groupSlots = {0, 1, 2, kSeriesFreeSlot};
    s.values = {{120, 95, 60}, {118, 121, 130}, {40, 55, 80}, {5, 6, 4}};
    s.largest = 130;
    ImageCanvas canvas(800, 560);
    drawKineticsPlot(canvas, s);
    QVERIFY(count(canvas.image(), QColor(0, 0, 255)) > 50);  // group 1's line
    testing::TempDir app;
    ScriptedUi ui;
    const auto saved = exportPicture(
        app.path(), PictureExport::Plot,
        [&](const std::filesystem::path& p) { return canvas.save(p.string()); }, {}, ui);
    QVERIFY(saved.has_value());
    QVERIFY(std::filesystem::file_size(*saved) > 800u * 560u * 3u);
    QVERIFY(std::filesystem::exists(app / "image1.png"));
    QVERIFY(canvas.save(shot("kinetics_plot.png").toStdString()));
}

void SeriesPicturesTest::trackingFrameOfTwoLarvae() {
    testing::TempDir dir;
    const auto app = dir / "app";
    layInstallationData(std::filesystem::path(QV_SOURCE_DIR) / "data", app, false);
    testing::AcquisitionFixture settings;
    settings.plateFormat = "w6";
    settings.organism = 1;
    const auto acq = app / "p00001" / "20240614_1530";
    settings.write(acq, testing::makeRecords({0}, [](int, int) { return 1; }));
    PlateFormat plate;
    QVERIFY(loadPlateFormatWithoutFallback(app, "w6", plate).ok);
    // Larvae in wells 0 and 3 swim along their beams: one beam later and further each time.
    std::vector<std::pair<int, int>> dips;
    for (const int well : {0, 3}) {
        int step = 20;
        for (const auto& [beam, channel] : beamsOfWell(plate, well)) {
            if (beam % 3 == 0) {
                dips.emplace_back(channel, step);
                step += 12;
            }
        }
    }
    SampleBlock b;
    for (int s = 0; s <= 500; ++s) {
        for (int c = 0; c < 384; ++c) {
            b.at(c, s) = static_cast<std::int16_t>(1000 + 2 * (s % 2));
        }
    }
    for (const auto& [channel, first] : dips) {
        for (int s = first; s < first + 3; ++s) {
            b.at(channel, s) = 600;
        }
    }
    QVERIFY(appendRawBlock(acq, 0, b));
    ScriptedUi ui;
    PathTracker tracker;
    QVERIFY(tracker.start(acq, app, ui));
    for (int s = 0; s < 130; ++s) {
        tracker.step();
    }
    QVERIFY(tracker.wells()[0].distance > 0);
    ImageCanvas canvas(720, 480);
    drawTrackingFrame(canvas, tracker);
    QVERIFY(count(canvas.image(), QColor(255, 0, 0)) > 100);  // the larvae and their trails
    QVERIFY(canvas.save(shot("tracking_frame.png").toStdString()));
    const auto frame = trackingFramePath(acq, 130);
    std::filesystem::create_directories(frame.parent_path());
    QVERIFY(canvas.save(frame.string()));
    QCOMPARE(QString::fromStdString(frame.filename().string()), QString("00130.bmp"));
}

}  // namespace qv::app

QTEST_MAIN(qv::app::SeriesPicturesTest)
#include "series_pictures_test.moc"

#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/application.h"
#include "common/scripted_ui.h"
#include "device/com_names.h"
#include "device/in_process_backend.h"
#include "sim/firmware.h"
#include "store/installation.h"

namespace qv::app {

// Answers from a script, as the logic tests do, but lets the real windows paint and follow
// their logic during every event pass.
class WindowsUi : public ScriptedUi {
  public:
    Application* app = nullptr;
    std::function<void()> during;  // lets a test look at the windows in the middle of work
    void processEvents() override {
        ScriptedUi::processEvents();
        if (app != nullptr) {
            app->syncAll();
        }
        QCoreApplication::processEvents();
        if (during) {
            during();
        }
    }
};

// A PNG of the window as it is now, for a person to open and look at.
inline bool saveScreenshot(QWidget& window, const QString& name) {
    QDir().mkpath(QV_SCREENSHOT_DIR);
    QCoreApplication::processEvents();
    return window.grab().save(QDir(QV_SCREENSHOT_DIR).filePath(name), "PNG");
}

template <class W>
W* child(QWidget& window, const char* name) {
    auto* w = window.findChild<W*>(name);
    if (w == nullptr) {
        qWarning("missing control %s", name);
    }
    return w;
}

// What every window test stands on: a fresh application folder with the installation data,
// the scripted Ui, virtual time, serial ports inside the process (a virtual instrument behind
// COM4 when a test puts one there) and the application itself. A test class derives from it
// after QObject, lays the folder in init() and tears it down in cleanup().
class WindowsRig {
  protected:
    // False when the folder or its installation data could not be made.
    bool layApplicationFolder() {
        folder_ = std::make_unique<QTemporaryDir>();
        if (!folder_->isValid()) {
            return false;
        }
        dir_ = folder_->path().toStdString();
        const auto laid =
            layInstallationData(std::filesystem::path(QV_SOURCE_DIR) / "data", dir_, false);
        ui_ = std::make_unique<WindowsUi>();
        clock_ = std::make_unique<TestClock>();
        ports_ = std::make_unique<device::InProcessBackend>(*clock_);
        return laid.status == InstallStatus::Ok;
    }

    void attachInstrument(const sim::InstrumentConfig& config) {
        instrument_ = std::make_unique<sim::Firmware>(*clock_, config);
        line_ = std::make_unique<device::ModelLine<sim::Firmware>>(*instrument_);
        ports_->attach(device::comName(4), *line_);
    }

    // The application on the folder; start() still to be called by the test.
    Application& makeApplication() {
        app_ = std::make_unique<Application>(dir_, *ui_, *clock_, *ports_);
        ui_->app = app_.get();
        return *app_;
    }

    // The application goes first: it holds lines to the instrument and the ports.
    void tearDown() {
        app_.reset();
        line_.reset();
        instrument_.reset();
        ports_.reset();
        ui_.reset();
        folder_.reset();
    }

    std::unique_ptr<QTemporaryDir> folder_;
    std::filesystem::path dir_;
    std::unique_ptr<WindowsUi> ui_;
    std::unique_ptr<TestClock> clock_;
    std::unique_ptr<device::InProcessBackend> ports_;
    std::unique_ptr<sim::Firmware> instrument_;
    std::unique_ptr<device::ModelLine<sim::Firmware>> line_;
    std::unique_ptr<Application> app_;
};

}  // namespace qv::app

#pragma once

#include <QObject>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/app_state.h"
#include "acquisition/main_window.h"
#include "acquisition/start_screen.h"
#include "analysis/report_settings_window.h"
#include "analysis/report_window.h"
#include "common/clock.h"
#include "common/ui.h"
#include "offline/offline_window.h"
#include "setup/setup_window.h"
#include "store/store.h"
#include "tools/arena_window.h"
#include "tools/factory_window.h"

namespace qv::app {

class ArenaView;
class ControlBinding;
class FactoryView;
class MainWindowView;
class OfflineWindowView;
class PlaceholderView;
class SetupWindowView;
class ReportSettingsView;
class ReportWindowView;
class StartScreenView;

// The whole desktop program: the store, the application state, each window's logic and its Qt
// window, kept in step. After every handler of any window all windows are brought up to date,
// and the program's event loop ends once the state says the program has ended.
class Application : public QObject {
    Q_OBJECT
  public:
    // The serial ports come from the backend: the real ports for the program, instruments
    // inside the process for tests.
    Application(const std::filesystem::path& applicationFolder, Ui& ui, Clock& clock,
                device::SerialBackend& ports);
    ~Application() override;

    // The main window's load step; false when the program must end at once.
    bool start(const std::string& commandLine);
    // Every window follows its logic; during long work the Ui calls this before events.
    void syncAll();

    AppState& state() { return state_; }
    Store& store() { return store_; }
    DeviceLink& device() { return device_; }
    StartScreen& startScreen() { return *startScreen_; }
    MainWindow& mainWindow() { return *mainWindow_; }
    SetupWindow& setupWindow() { return *setupWindow_; }
    StartScreenView& startScreenView() { return *startScreenView_; }
    MainWindowView& mainWindowView() { return *mainWindowView_; }
    SetupWindowView& setupWindowView() { return *setupWindowView_; }
    OfflineWindow& offlineWindow() { return *offlineWindow_; }
    OfflineWindowView& offlineWindowView() { return *offlineWindowView_; }
    ReportWindow& reportWindow() { return *reportWindow_; }
    ReportSettingsWindow& reportSettings() { return *reportSettings_; }
    ReportWindowView& reportWindowView() { return *reportWindowView_; }
    ReportSettingsView& reportSettingsView() { return *reportSettingsView_; }
    // The maintenance windows of the main window's Tools menu.
    ArenaWindow& arenaWindow() { return *arena_; }
    FactoryWindow& factoryWindow() { return *factory_; }
    ArenaView& arenaView() { return *arenaView_; }
    FactoryView& factoryView() { return *factoryView_; }
    // The report window on an acquisition as "Show my report" opens it; with autoreport it
    // writes the report by itself and hides again.
    void showReport(const std::filesystem::path& acquisitionFolder, bool autoreport);

  private:
    void onHandled();
    void closeAll();

    Store store_;
    AppState state_;
    DeviceLink device_;
    AppContext context_;
    std::unique_ptr<StartScreen> startScreen_;
    std::unique_ptr<MainWindow> mainWindow_;
    std::unique_ptr<SetupWindow> setupWindow_;
    std::unique_ptr<OfflineWindow> offlineWindow_;
    Controls placeholders_;
    std::unique_ptr<StartScreenView> startScreenView_;
    std::unique_ptr<MainWindowView> mainWindowView_;
    std::unique_ptr<SetupWindowView> setupWindowView_;
    std::unique_ptr<OfflineWindowView> offlineWindowView_;
    std::unique_ptr<ReportWindow> reportWindow_;
    std::unique_ptr<ReportSettingsWindow> reportSettings_;
    std::unique_ptr<ReportWindowView> reportWindowView_;
    std::unique_ptr<ReportSettingsView> reportSettingsView_;
    std::vector<std::unique_ptr<PlaceholderView>> placeholderViews_;
    CareContext toolsContext_;
    std::unique_ptr<ArenaWindow> arena_;
    std::unique_ptr<FactoryWindow> factory_;
    std::unique_ptr<ArenaView> arenaView_;
    std::unique_ptr<FactoryView> factoryView_;
    std::vector<ControlBinding*> bindings_;
    bool syncing_ = false;
    bool syncAgain_ = false;
};

}  // namespace qv::app

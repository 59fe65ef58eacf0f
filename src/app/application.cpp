#include "app/application.h"

#include <QApplication>

#include "app/arena_view.h"
#include "app/factory_view.h"

#include "app/main_window_view.h"
#include "app/offline_window_view.h"
#include "app/placeholder_view.h"
#include "app/report_settings_view.h"
#include "app/report_window_view.h"
#include "app/setup_window_view.h"
#include "app/start_screen_view.h"

namespace qv::app {

Application::Application(const std::filesystem::path& applicationFolder, Ui& ui, Clock& clock,
                         device::SerialBackend& ports)
    : store_(applicationFolder, ui),
      device_(ports, clock, ui, state_, store_),
      context_{store_, state_, ui, clock, device_},
      toolsContext_{store_, state_, ui, clock, device_.com} {
    startScreen_ = std::make_unique<StartScreen>(context_);
    mainWindow_ = std::make_unique<MainWindow>(context_, *startScreen_);
    setupWindow_ = std::make_unique<SetupWindow>(store_, ui);
    setupWindow_->attach(setupNeighbours(*mainWindow_, *startScreen_));
    Control& setupForm = setupWindow_->Frm_setup;
    offlineWindow_ = std::make_unique<OfflineWindow>(applicationFolder, ui, clock);
    Control& offlineForm = offlineWindow_->Frm_offline;
    startScreen_->attach(*mainWindow_, setupForm, offlineForm);
    mainWindow_->attachWindows(setupForm, offlineForm);
    reportWindow_ = std::make_unique<ReportWindow>(store_, ui, clock);
    reportSettings_ = std::make_unique<ReportSettingsWindow>(store_, ui);
    reportWindow_->runActive = [this] { return state_.runState != 0; };
    mainWindow_->attachReportWindows(*reportWindow_, *reportSettings_);
    offlineWindow_->attach(
        {[this] { startScreen_->show(); },
         [this](const std::filesystem::path& folder) { reportWindow_->openOn(folder); }});

    startScreenView_ = std::make_unique<StartScreenView>(*startScreen_);
    mainWindowView_ = std::make_unique<MainWindowView>(*mainWindow_);
    setupWindowView_ = std::make_unique<SetupWindowView>(*setupWindow_);
    offlineWindowView_ = std::make_unique<OfflineWindowView>(*offlineWindow_);
    reportWindowView_ = std::make_unique<ReportWindowView>(*reportWindow_);
    reportSettingsView_ = std::make_unique<ReportSettingsView>(*reportSettings_);
    arena_ = std::make_unique<ArenaWindow>(toolsContext_);
    factory_ = std::make_unique<FactoryWindow>(toolsContext_);
    // The arena's EXIT ends the program as the main window's Exit does.
    arena_->endApplication = [this] { mainWindow_->Form_Unload(); };
    mainWindow_->attachToolWindows(arena_->Frm_Arena, factory_->Frm_Factory);
    arenaView_ = std::make_unique<ArenaView>(*arena_);
    factoryView_ = std::make_unique<FactoryView>(*factory_);
    bindings_ = {&startScreenView_->binding(),  &mainWindowView_->binding(),
                 &setupWindowView_->binding(),  &offlineWindowView_->binding(),
                 &reportWindowView_->binding(), &reportSettingsView_->binding(),
                 &arenaView_->binding(),        &factoryView_->binding()};
    for (auto& view : placeholderViews_) {
        bindings_.push_back(&view->binding());
    }
    for (ControlBinding* b : bindings_) {
        connect(b, &ControlBinding::handled, this, &Application::onHandled);
    }
}

// Windows going away may still report events (a focus leaving a box); none of them may reach
// the logic, part of which is gone already.
Application::~Application() {
    for (ControlBinding* b : bindings_) {
        disconnect(b, nullptr, this, nullptr);
    }
    bindings_.clear();
}

bool Application::start(const std::string& commandLine) {
    const bool ok = mainWindow_->Form_Load(commandLine);
    syncAll();
    if (!ok) {
        closeAll();
    }
    return ok;
}

// A handler may show another window, which activates it and runs its handlers at once; the
// windows are then brought up to date once more instead of recursing.
void Application::syncAll() {
    if (syncing_) {
        syncAgain_ = true;
        return;
    }
    syncing_ = true;
    do {
        syncAgain_ = false;
        mainWindow_->followConnection();
        for (ControlBinding* b : bindings_) {
            b->apply();
        }
    } while (syncAgain_);
    syncing_ = false;
}

void Application::onHandled() {
    syncAll();
    if (state_.ended) {
        closeAll();
        QCoreApplication::exit(0);
    }
}

void Application::showReport(const std::filesystem::path& acquisitionFolder, bool autoreport) {
    reportWindow_->showMyReport(acquisitionFolder, autoreport);
    syncAll();
}

void Application::closeAll() {
    startScreenView_->hide();
    mainWindowView_->hide();
    setupWindowView_->hide();
    offlineWindowView_->hide();
    reportWindowView_->hide();
    reportSettingsView_->hide();
    arenaView_->hide();
    factoryView_->hide();
    for (auto& view : placeholderViews_) {
        view->hide();
    }
}

}  // namespace qv::app

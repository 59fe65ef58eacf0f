#pragma once

#include <array>

#include "common/controls.h"

namespace qv {

struct AppContext;
class MainWindow;

// The start screen Frm_Init: four framed options, highlighted while the pointer is over them,
// and the status line LblNews.
class StartScreen {
  public:
    static constexpr int kOptions = 4;
    enum Option { SetupProject = 1, RunLatest = 2, Analyze = 3, Exit = 4 };

    explicit StartScreen(AppContext& app);

    // The windows the options open. The setup and offline windows are given as their form
    // controls, so that this screen does not depend on the folders that build them.
    void attach(MainWindow& main, Control& setupForm, Control& offlineForm);

    // Shows the screen, loading it first if it has not been loaded yet.
    void show();
    void Form_Load();
    void Form_Activate();
    // The pointer is over option n (1..4), or over the screen's background (0).
    void optionHover(int n);
    void optionClick(int n);
    // The program has been asked to end (here or in another window).
    bool ended() const;

    Controls controls;
    Control& Frm_Init;
    Control& LblNews;
    std::array<Control*, kOptions> lbl_option{};
    std::array<Control*, kOptions> shp_option{};

  private:
    AppContext& app_;
    MainWindow* main_ = nullptr;
    Control* setupForm_ = nullptr;
    Control* offlineForm_ = nullptr;
    bool loaded_ = false;
};

}  // namespace qv

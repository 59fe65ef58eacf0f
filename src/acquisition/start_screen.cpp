#include "acquisition/start_screen.h"

#include <string>

#include "acquisition/main_window.h"

namespace qv {

namespace {

constexpr std::array<const char*, StartScreen::kOptions> kCaptions = {
    "Setup a New Project", "Run Latest Project", "Analyze recorded experiments", "EXIT"};

}  // namespace

StartScreen::StartScreen(AppContext& app)
    : Frm_Init(controls.add("Frm_Init", ControlKind::Form, "<Quorvel> Acquisition Software")),
      LblNews(controls.add("LblNews", ControlKind::Label, "Equipment Status = unknown")),
      app_(app) {
    Frm_Init.visible = false;
    for (int i = 0; i < kOptions; ++i) {
        const std::string n = std::to_string(i + 1);
        shp_option[i] = &controls.add("shp_option" + n, ControlKind::Shape);
        shp_option[i]->visible = false;
        lbl_option[i] = &controls.add("lbl_option" + n, ControlKind::Label, kCaptions[i]);
    }
}

void StartScreen::attach(MainWindow& main, Control& setupForm, Control& offlineForm) {
    main_ = &main;
    setupForm_ = &setupForm;
    offlineForm_ = &offlineForm;
}

void StartScreen::show() {
    if (!loaded_) {
        Form_Load();
    }
    Frm_Init.visible = true;
}

void StartScreen::Form_Load() {
    loaded_ = true;
    app_.state.link.connected = false;
    // The main and setup windows exist from here on, hidden until an option opens them.
    if (main_ != nullptr) {
        main_->Frm_Main.visible = false;
    }
    if (setupForm_ != nullptr) {
        setupForm_->visible = false;
    }
}

void StartScreen::Form_Activate() {
    if (app_.state.link.connected) {
        LblNews.text = "status: Connected in COM" + std::to_string(app_.store.config().Serial_COM);
    }
}

void StartScreen::optionHover(int n) {
    for (int i = 0; i < kOptions; ++i) {
        shp_option[i]->visible = (i + 1 == n);
    }
}

void StartScreen::optionClick(int n) {
    switch (n) {
        case SetupProject:
            Frm_Init.visible = false;
            if (setupForm_ != nullptr) {
                setupForm_->visible = true;
            }
            break;
        case RunLatest:
            Frm_Init.visible = false;
            if (main_ != nullptr) {
                main_->showForAcquisition();
            }
            break;
        case Analyze:
            Frm_Init.visible = false;
            if (offlineForm_ != nullptr) {
                offlineForm_->visible = true;
            }
            break;
        case Exit:
            if (app_.ui.ask("Sure to Quit?", Buttons::YesNo) == Answer::Yes) {
                if (main_ != nullptr) {
                    main_->closePort();
                }
                app_.state.ended = true;
            }
            break;
        default:
            break;
    }
}

bool StartScreen::ended() const {
    return app_.state.ended;
}

}  // namespace qv

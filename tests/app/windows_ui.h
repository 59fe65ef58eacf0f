#pragma once

#include <QCoreApplication>

#include "app/application.h"
#include "common/scripted_ui.h"

namespace qv::app {

// Answers from a script, as the logic tests do, but lets the real windows paint and follow
// their logic during every event pass.
class WindowsUi : public ScriptedUi {
  public:
    Application* app = nullptr;
    void processEvents() override {
        ScriptedUi::processEvents();
        if (app != nullptr) {
            app->syncAll();
        }
        QCoreApplication::processEvents();
    }
};

}  // namespace qv::app

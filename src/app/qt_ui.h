#pragma once

#include <functional>
#include <vector>

#include "common/ui.h"

class QWidget;

namespace qv::app {

// The desktop Ui: message boxes, questions and inputs as Qt dialogs over the active window,
// event passes through the Qt event loop, outside files through the desktop's handlers.
class QtUi : public Ui {
  public:
    void message(const std::string& text, const std::string& title = {}) override;
    Answer ask(const std::string& text, Buttons buttons) override;
    std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText) override;
    // Brings every window up to date with its logic before the events are handled, so a
    // status text set during long work is painted.
    void processEvents() override;
    void openExternal(const std::string& path, ExternalKind kind) override;

    void setBeforeEvents(std::function<void()> refresh) { beforeEvents_ = std::move(refresh); }

  private:
    std::function<void()> beforeEvents_;
};

// The window dialogs belong to: the active one, else none.
QWidget* dialogParent();

}  // namespace qv::app

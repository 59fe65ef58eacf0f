#pragma once

#include <QMainWindow>

#include "app/control_binding.h"
#include "offline/offline_window.h"

class QGroupBox;
class QMenu;

namespace qv::app {

class CanvasWidget;

// The Qt window of the offline browser: the list of projects and acquisitions with the notes
// on the left, the plot picture with its buttons in the middle, the plot group list and the
// group editing frame on the right. Everything it shows comes from the OfflineWindow logic; it
// runs the logic's load step whenever it is shown.
class OfflineWindowView : public QMainWindow {
    Q_OBJECT
  public:
    explicit OfflineWindowView(OfflineWindow& logic);

    ControlBinding& binding() { return *binding_; }
    CanvasWidget& picture() { return *picture_; }
    // The context menu the last handler asked for, popped up (and the request cleared); the
    // tests look at the menus the user would see.
    QMenu* lastPopup() const { return lastPopup_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void buildMenus();
    QWidget* buildListColumn();
    QWidget* buildPlotArea();
    QWidget* buildSignalRow();
    QWidget* buildGroupColumn();
    QGroupBox* buildGroupFrame();
    void bindList();
    void bindPlots();
    void bindGroups();
    // Enter in the named widget does what `handler` does.
    void onEnter(const char* name, const std::function<void()>& handler);
    void popUpRequestedMenu();

    OfflineWindow& logic_;
    ControlBinding* binding_ = nullptr;
    CanvasWidget* picture_ = nullptr;
    QMenu* lastPopup_ = nullptr;
};

}  // namespace qv::app

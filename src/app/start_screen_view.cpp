#include "app/start_screen_view.h"

#include <QCloseEvent>
#include <QEnterEvent>
#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

namespace qv::app {

namespace {

// One option: a frame holding its caption, with the highlight shape laid over it. Pointer and
// click reach the frame also through the caption, which lets mouse events pass.
class OptionFrame : public QFrame {
  public:
    OptionFrame(int n, StartScreen& logic, ControlBinding*& binding)
        : n_(n), logic_(logic), binding_(binding) {
        setObjectName(QStringLiteral("fra_option%1").arg(n));
        setFrameShape(QFrame::StyledPanel);
        setCursor(Qt::PointingHandCursor);
        setMinimumHeight(52);
    }

  protected:
    void enterEvent(QEnterEvent*) override {
        binding_->handle([this] { logic_.optionHover(n_); });
    }
    void leaveEvent(QEvent*) override {
        binding_->handle([this] { logic_.optionHover(0); });
    }
    void mouseReleaseEvent(QMouseEvent*) override {
        binding_->handle([this] { logic_.optionClick(n_); });
    }
    void resizeEvent(QResizeEvent*) override {
        if (auto* shape = findChild<QFrame*>(QStringLiteral("shp_option%1").arg(n_))) {
            shape->setGeometry(rect());
        }
    }

  private:
    int n_;
    StartScreen& logic_;
    ControlBinding*& binding_;
};

}  // namespace

StartScreenView::StartScreenView(StartScreen& logic) : logic_(logic) {
    setObjectName("Frm_Init");
    setFixedWidth(420);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel("QUORVEL");
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet("font-size: 26px; font-weight: bold; color: #1d4f91; padding: 8px;");
    layout->addWidget(title);
    auto* subtitle = new QLabel("Activity monitor - acquisition and analysis");
    subtitle->setAlignment(Qt::AlignCenter);
    layout->addWidget(subtitle);
    for (int n = 1; n <= StartScreen::kOptions; ++n) {
        layout->addWidget(makeOption(n));
    }
    auto* news = new QLabel;
    news->setObjectName("LblNews");
    news->setFrameShape(QFrame::Panel);
    news->setFrameShadow(QFrame::Sunken);
    news->setMinimumHeight(24);
    layout->addWidget(news);
    binding_ = new ControlBinding(logic_.controls, *this);
}

QWidget* StartScreenView::makeOption(int n) {
    auto* frame = new OptionFrame(n, logic_, binding_);
    auto* inner = new QVBoxLayout(frame);
    auto* caption = new QLabel;
    caption->setObjectName(QStringLiteral("lbl_option%1").arg(n));
    caption->setAlignment(Qt::AlignCenter);
    caption->setStyleSheet("font-size: 15px;");
    caption->setAttribute(Qt::WA_TransparentForMouseEvents);
    inner->addWidget(caption);
    auto* shape = new QFrame(frame);
    shape->setObjectName(QStringLiteral("shp_option%1").arg(n));
    shape->setStyleSheet("border: 2px solid #1d4f91; border-radius: 4px; background: transparent;");
    shape->setAttribute(Qt::WA_TransparentForMouseEvents);
    return frame;
}

// Closing the screen is the EXIT option: it asks first and may be refused.
void StartScreenView::closeEvent(QCloseEvent* event) {
    if (!logic_.ended()) {
        binding_->handle([this] { logic_.optionClick(StartScreen::Exit); });
    }
    if (logic_.ended()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void StartScreenView::showEvent(QShowEvent*) {
    binding_->handle([this] { logic_.Form_Activate(); });
}

void StartScreenView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        binding_->handle([this] { logic_.Form_Activate(); });
    }
    QWidget::changeEvent(event);
}

}  // namespace qv::app

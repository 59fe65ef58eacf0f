#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QtTest>

#include "app/control_binding.h"
#include "app/qt_canvas.h"
#include "common/canvas.h"

namespace qv::app {

// The binding pieces the windows share: lists, pictures the logic draws on, mouse events in
// the picture's own coordinates.
class ControlBindingTest : public QObject {
    Q_OBJECT

  private slots:
    void listsFollowTheLogicAndReportTheUsersChoice();
    void picturesGiveTheLogicTheirCanvasAndMouseInUserUnits();
    void aWindowShownByItsLogicActivatesWithTheLogicsState();
    void backColoursKeepTheViewsOwnStyle();
};

namespace {

// A window whose showing runs a handler, as activation does, through the binding.
class ActivatedWindow : public QWidget {
  public:
    ControlBinding* binding = nullptr;
    std::function<void()> onShow;

  protected:
    void showEvent(QShowEvent*) override { binding->handle(onShow); }
};

}  // namespace

void ControlBindingTest::listsFollowTheLogicAndReportTheUsersChoice() {
    Controls controls;
    Control& single = controls.add("lst_single", ControlKind::ListBox);
    Control& multi = controls.add("lst_multi", ControlKind::ListBox);
    multi.multiSelect = true;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* singleList = new QListWidget;
    singleList->setObjectName("lst_single");
    auto* multiList = new QListWidget;
    multiList->setObjectName("lst_multi");
    layout->addWidget(singleList);
    layout->addWidget(multiList);
    ControlBinding binding(controls, window);
    QVERIFY(binding.unboundControls().empty());

    single.items = {"A1.1", "A2.1", "A3.1"};
    single.listIndex = 1;
    multi.items = {"one", "two", "three"};
    multi.selectedRows = {0, 2};
    binding.apply();
    QCOMPARE(singleList->count(), 3);
    QCOMPARE(singleList->currentRow(), 1);
    QVERIFY(multiList->item(0)->isSelected());
    QVERIFY(!multiList->item(1)->isSelected());
    QVERIFY(multiList->item(2)->isSelected());

    int clicks = 0;
    int doubleClicks = 0;
    binding.on("lst_single", [&] { ++clicks; });
    binding.onDoubleClick("lst_single", [&] { ++doubleClicks; });
    singleList->setCurrentRow(2);
    emit singleList->itemClicked(singleList->item(2));
    QCOMPARE(clicks, 1);
    QCOMPARE(single.listIndex, 2);
    emit singleList->itemDoubleClicked(singleList->item(2));
    QCOMPARE(doubleClicks, 1);

    multiList->item(1)->setSelected(true);
    binding.handle([] {});
    QCOMPARE(multi.selectedRows, (std::vector<int>{0, 1, 2}));
}

void ControlBindingTest::picturesGiveTheLogicTheirCanvasAndMouseInUserUnits() {
    Controls controls;
    Control& plate = controls.add("Picplate", ControlKind::Picture);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* picture = new CanvasWidget;
    picture->setObjectName("Picplate");
    picture->setFixedSize(241, 121);
    layout->addWidget(picture);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ControlBinding binding(controls, window);
    QCOMPARE(plate.canvas, &picture->canvas());

    // Twelve columns across, eight rows down: pixel (120, 60) is the middle of the plate.
    plate.canvas->scale(0, 0, 12, 8);
    std::vector<MouseEvent> seen;
    binding.onMouse("Picplate", [&](const MouseEvent& e) { seen.push_back(e); });
    QTest::mousePress(picture, Qt::LeftButton, Qt::NoModifier, QPoint(120, 60));
    QTest::mouseRelease(picture, Qt::LeftButton, Qt::NoModifier, QPoint(240, 0));
    QCOMPARE(seen.size(), std::size_t{2});
    QCOMPARE(seen[0].kind, MouseEvent::Kind::Down);
    QCOMPARE(seen[0].button, 1);
    QCOMPARE(seen[0].x, 6.0);
    QCOMPARE(seen[0].y, 4.0);
    QCOMPARE(seen[1].kind, MouseEvent::Kind::Up);
    QCOMPARE(seen[1].x, 12.0);
    QCOMPARE(seen[1].y, 0.0);
}

// Showing the window reads every widget back before its handler runs, so the widgets must
// hold what the logic set before the window appears; option buttons are read back too.
void ControlBindingTest::aWindowShownByItsLogicActivatesWithTheLogicsState() {
    Controls controls;
    Control& form = controls.add("frm_test", ControlKind::Form, "Test");
    Control& folder = controls.add("Txt_folder", ControlKind::TextBox);
    Control& option0 = controls.add("Option_kind_0", ControlKind::CheckBox, "first");
    Control& option1 = controls.add("Option_kind_1", ControlKind::CheckBox, "second");
    form.visible = false;
    ActivatedWindow window;
    window.setObjectName("frm_test");
    auto* layout = new QVBoxLayout(&window);
    auto* folderBox = new QLineEdit;
    folderBox->setObjectName("Txt_folder");
    layout->addWidget(folderBox);
    auto* first = new QRadioButton;
    first->setObjectName("Option_kind_0");
    auto* second = new QRadioButton;
    second->setObjectName("Option_kind_1");
    layout->addWidget(first);
    layout->addWidget(second);
    ControlBinding binding(controls, window);
    window.binding = &binding;
    std::string seen;
    window.onShow = [&] { seen = folder.text; };
    binding.apply();

    folder.text = "/data/p00001/20240614_1530";
    option1.checked = true;
    form.visible = true;
    binding.apply();
    QVERIFY(window.isVisible());
    QCOMPARE(seen, std::string("/data/p00001/20240614_1530"));
    QVERIFY(second->isChecked());
    QVERIFY(option1.checked);

    first->setChecked(true);
    binding.handle([] {});
    QVERIFY(option0.checked);
    QVERIFY(!option1.checked);
}

void ControlBindingTest::backColoursKeepTheViewsOwnStyle() {
    Controls controls;
    Control& lamp = controls.add("shape_lamp", ControlKind::Shape);
    Control& knob = controls.add("cmd_knob", ControlKind::Button, "OFF");
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* lampWidget = new QFrame;
    lampWidget->setObjectName("shape_lamp");
    lampWidget->setProperty("qvStyle", "border-radius: 9px;");
    auto* knobWidget = new QPushButton;
    knobWidget->setObjectName("cmd_knob");
    layout->addWidget(lampWidget);
    layout->addWidget(knobWidget);
    ControlBinding binding(controls, window);

    binding.apply();
    QCOMPARE(lampWidget->styleSheet(), QString());
    lamp.backColor = Color{0, 255, 0}.packed();
    knob.backColor = colors::blue.packed();
    binding.apply();
    QCOMPARE(lampWidget->styleSheet(),
             QString("border-radius: 9px;background-color: rgb(0, 255, 0);"));
    QCOMPARE(knobWidget->styleSheet(), QString("background-color: rgb(0, 0, 255);"));
    knob.backColor = -1;
    binding.apply();
    QCOMPARE(knobWidget->styleSheet(), QString());
}

}  // namespace qv::app

QTEST_MAIN(qv::app::ControlBindingTest)
#include "control_binding_test.moc"

#include <QApplication>
#include <QStringList>

#include "app/application.h"
#include "app/qt_text.h"
#include "app/qt_ui.h"
#include "device/posix_backend.h"

// The program: the Qt application, its Ui and clock, and the windows on the application folder.
int main(int argc, char* argv[]) {
    QApplication qt(argc, argv);
    qv::app::QtUi ui;
    qv::SystemClock clock;
    qv::device::PosixBackend ports(clock);
    qv::app::Application app(qv::applicationFolder(argv[0]), ui, clock, ports);
    ui.setBeforeEvents([&app] { app.syncAll(); });

    // The automatic-run switch is judged on the whole command line after the program name.
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (!app.start(qv::app::fromQt(args.join(' ')))) {
        return 1;
    }
    return qt.exec();
}

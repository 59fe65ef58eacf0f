#include "app/qt_ui.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

#include "app/qt_text.h"

namespace qv::app {

namespace {

const QString kTitle = QStringLiteral("Quorvel");

QMessageBox::StandardButtons standardButtons(Buttons b) {
    switch (b) {
        case Buttons::Ok:
            return QMessageBox::Ok;
        case Buttons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case Buttons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case Buttons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

Answer answerOf(int button) {
    switch (button) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

}  // namespace

QWidget* dialogParent() {
    return QApplication::activeWindow();
}

void QtUi::message(const std::string& text, const std::string& title) {
    QMessageBox::information(dialogParent(), title.empty() ? kTitle : toQt(title), toQt(text));
}

Answer QtUi::ask(const std::string& text, Buttons buttons) {
    const auto standard = standardButtons(buttons);
    return answerOf(QMessageBox::question(dialogParent(), kTitle, toQt(text), standard));
}

std::optional<std::string> QtUi::input(const std::string& prompt, const std::string& title,
                                       const std::string& defaultText) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(dialogParent(), title.empty() ? kTitle : toQt(title), toQt(prompt),
                              QLineEdit::Normal, toQt(defaultText), &ok);
    if (!ok) {
        return std::nullopt;
    }
    return fromQt(answer);
}

void QtUi::processEvents() {
    if (beforeEvents_) {
        beforeEvents_();
    }
    QCoreApplication::processEvents();
}

// A relative name is taken against the current directory, as the help document's is. A file
// shown in the file browser opens the folder that holds it.
void QtUi::openExternal(const std::string& path, ExternalKind kind) {
    QString file = QDir::current().absoluteFilePath(toQt(path));
    if (kind == ExternalKind::FileBrowser && QFileInfo(file).isFile()) {
        file = QFileInfo(file).absolutePath();
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

}  // namespace qv::app

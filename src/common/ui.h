#pragma once

#include <optional>
#include <string>

namespace qv {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };
enum class ExternalKind { TextViewer, FileBrowser, ImageViewer, Document };

// Every message box, question and input of the core goes through here, so that behaviour is
// tested without a display. Texts are in the core's encoding (Windows-1252).
class Ui {
  public:
    virtual ~Ui() = default;

    // A message box; the title is the box's caption where the system gives one.
    virtual void message(const std::string& text, const std::string& title = {}) = 0;
    virtual Answer ask(const std::string& text, Buttons buttons) = 0;
    // nullopt when the user cancels.
    virtual std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                             const std::string& defaultText) = 0;
    // Lets the window handle pending events during long work.
    virtual void processEvents() = 0;
    // Opens a file or folder in the outside program of its kind.
    virtual void openExternal(const std::string& path, ExternalKind kind) = 0;
};

}  // namespace qv

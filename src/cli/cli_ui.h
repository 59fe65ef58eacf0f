#pragma once

#include <iosfwd>
#include <string>

#include "common/ui.h"

namespace qv::cli {

// The Ui of the command-line programs. Messages go to standard error, one per line, as
// "title: text" when the message has a title (converted to UTF-8).
//
// A script must never hang on a question nobody will answer, so standard input is read only
// when `interactive` is set (quorvel-tool --interactive). Otherwise every question is written
// to standard error with the answer taken for it (No, Cancel, or OK where that is the only
// button) and every input is withdrawn, as if the user had pressed Cancel; the command's own
// options (--yes, --port N, ...) answer the questions a script needs answered.
class CliUi : public Ui {
  public:
    CliUi(std::istream& in, std::ostream& err) : in_(in), err_(err) {}

    // Set before the command runs; only then is standard input read.
    bool interactive = false;

    void message(const std::string& text, const std::string& title = {}) override;
    Answer ask(const std::string& text, Buttons buttons) override;
    std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText) override;
    void processEvents() override {}
    // A batch run opens nothing: the command prints the path it wrote in its JSON.
    void openExternal(const std::string&, ExternalKind) override {}

    // A line of progress for long work, on standard error.
    void progress(const std::string& text);

    // Questions and inputs that went unanswered because standard input was not to be read.
    int unanswered() const { return unanswered_; }

  private:
    std::istream& in_;
    std::ostream& err_;
    int unanswered_ = 0;
};

// Text for the terminal: kept as it is when it is already UTF-8 (paths, command-line text),
// otherwise read as the core's Windows-1252.
std::string terminalText(const std::string& text);

}  // namespace qv::cli

#pragma once

#include <iosfwd>
#include <string>

#include "common/ui.h"

namespace qv::cli {

// The Ui of the command-line programs: messages go to standard error, one per line
// (converted from the core's Windows-1252 to UTF-8); questions and inputs read a line from
// standard input. With no input left, a question gets No (or Cancel) and an input is cancelled.
class CliUi : public Ui {
  public:
    CliUi(std::istream& in, std::ostream& err) : in_(in), err_(err) {}

    void message(const std::string& text, const std::string& title = {}) override;
    Answer ask(const std::string& text, Buttons buttons) override;
    std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText) override;
    void processEvents() override {}
    void openExternal(const std::string& path, ExternalKind kind) override;

  private:
    std::istream& in_;
    std::ostream& err_;
};

}  // namespace qv::cli

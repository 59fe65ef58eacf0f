#pragma once

#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/ui.h"

namespace qv {

// Raised when the code under test asks something the script did not expect.
class UnexpectedQuestion : public std::logic_error {
  public:
    explicit UnexpectedQuestion(const std::string& what) : std::logic_error(what) {}
};

// A Ui for tests and batch runs: answers are queued in advance, every message, question,
// prompt and opened file is recorded verbatim.
class ScriptedUi : public Ui {
  public:
    struct Opened {
        std::string path;
        ExternalKind kind;
    };

    void queueAnswer(Answer a) { answers_.push_back(a); }
    void queueInput(std::optional<std::string> text) { inputs_.push_back(std::move(text)); }

    void message(const std::string& text, const std::string& title = {}) override {
        messages.push_back(text);
        messageTitles.push_back(title);
    }
    Answer ask(const std::string& text, Buttons buttons) override;
    std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText) override;
    void processEvents() override { ++eventPumps; }
    void openExternal(const std::string& path, ExternalKind kind) override {
        opened.push_back({path, kind});
    }

    bool scriptUsedUp() const { return answers_.empty() && inputs_.empty(); }

    std::vector<std::string> messages;
    std::vector<std::string> messageTitles;  // one per message, empty when untitled
    std::vector<std::string> questions;
    std::vector<std::string> prompts;
    std::vector<Opened> opened;
    int eventPumps = 0;

  private:
    std::deque<Answer> answers_;
    std::deque<std::optional<std::string>> inputs_;
};

}  // namespace qv

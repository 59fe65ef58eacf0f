#include "common/scripted_ui.h"

namespace qv {

Answer ScriptedUi::ask(const std::string& text, Buttons) {
    questions.push_back(text);
    if (answers_.empty()) {
        throw UnexpectedQuestion("unexpected question: " + text);
    }
    const Answer a = answers_.front();
    answers_.pop_front();
    return a;
}

std::optional<std::string> ScriptedUi::input(const std::string& prompt, const std::string&,
                                             const std::string&) {
    prompts.push_back(prompt);
    if (inputs_.empty()) {
        throw UnexpectedQuestion("unexpected input prompt: " + prompt);
    }
    auto text = inputs_.front();
    inputs_.pop_front();
    return text;
}

}  // namespace qv

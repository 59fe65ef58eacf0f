#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/ui.h"

// What every fuzz target shares: turning one input into the files of a case, a scratch folder
// that lives as long as the process, and the checks that make a wrong result a finding (an
// abort, which libFuzzer reports and keeps the input of).
namespace qv::fuzz {

namespace fs = std::filesystem;

// One input can carry several files; they are separated by this line. The seeds spell it out
// so that the fuzzer keeps it while it mutates what lies between.
inline constexpr std::string_view kPartSeparator = "\n--qv-file--\n";

// The parts of an input, at most maxParts (the last one keeps any further separators).
std::vector<std::string> splitParts(std::string_view data, std::size_t maxParts);
std::string joinParts(const std::vector<std::string>& parts);

std::string_view asText(const std::uint8_t* data, std::size_t size);

// A folder of its own for this process (on tmpfs where there is one, so the fsync of the
// atomic writers costs nothing), emptied by fresh() before every input and removed at exit.
fs::path scratchRoot();
fs::path freshScratch();

void writeBytes(const fs::path& file, std::string_view bytes);
std::string readBytes(const fs::path& file);

// The installation data of the sources (data/), for targets that need a real application
// folder around the file they fuzz.
fs::path installationData();
// Copies the installation's files into the folder.
void layInstallation(const fs::path& folder);

// Every regular file under a folder with its bytes, and every folder, by relative path.
struct Tree {
    std::map<std::string, std::string> files;
    std::set<std::string> folders;
};
Tree snapshot(const fs::path& root);

// A finding: prints what broke and aborts, so libFuzzer saves the input.
[[noreturn]] void finding(const std::string& what);
void check(bool condition, const std::string& what);

// Runs a reader and makes an exception escaping it a finding: readers never throw to callers.
void mustNotThrow(const char* reader, const std::function<void()>& call);

// After a reader ran: every file and folder of `before` is still there with the same bytes,
// nothing new appeared, except the relative paths `mayChange` accepts (checked by the caller).
void expectUnchanged(const Tree& before, const Tree& after, const char* reader,
                     const std::function<bool(const std::string&)>& mayChange = {});

// A Ui whose user answers from the input: questions take the next answer byte (Yes or No),
// inputs the next text (kCancelInput stands for Cancel), and once they run out every question
// is No and every input is cancelled, or given the text the box proposes where the user can
// only leave it by an answer. A thousand prompts after that are a finding: a dialogue that
// never ends.
inline constexpr std::string_view kCancelInput = "\x18";

class FuzzUi : public Ui {
  public:
    enum class AfterScript { Cancel, AcceptProposal };

    FuzzUi() = default;
    FuzzUi(std::string answers, std::vector<std::string> inputs,
           AfterScript after = AfterScript::Cancel)
        : answers_(std::move(answers)), inputs_(std::move(inputs)), after_(after) {}

    void message(const std::string& text, const std::string& title = {}) override;
    Answer ask(const std::string& text, Buttons buttons) override;
    std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText) override;
    void processEvents() override {}
    void openExternal(const std::string& path, ExternalKind) override { opened.push_back(path); }

    std::vector<std::string> messages;
    std::vector<std::string> opened;
    int prompts = 0;

  private:
    void countPrompt(const std::string& text);

    std::string answers_;
    std::vector<std::string> inputs_;
    AfterScript after_ = AfterScript::Cancel;
    std::size_t nextAnswer_ = 0;
    std::size_t nextInput_ = 0;
};

}  // namespace qv::fuzz

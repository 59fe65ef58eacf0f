#include "support/fuzz_support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iterator>
#include <system_error>

namespace qv::fuzz {

std::vector<std::string> splitParts(std::string_view data, std::size_t maxParts) {
    std::vector<std::string> parts;
    while (parts.size() + 1 < maxParts) {
        const std::size_t at = data.find(kPartSeparator);
        if (at == std::string_view::npos) {
            break;
        }
        parts.emplace_back(data.substr(0, at));
        data.remove_prefix(at + kPartSeparator.size());
    }
    parts.emplace_back(data);
    return parts;
}

std::string joinParts(const std::vector<std::string>& parts) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            out += kPartSeparator;
        }
        out += parts[i];
    }
    return out;
}

std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

namespace {

fs::path scratchParent() {
    if (const char* chosen = std::getenv("QV_FUZZ_SCRATCH"); chosen != nullptr && *chosen != 0) {
        return chosen;
    }
    if (::access("/dev/shm", W_OK) == 0) {
        return "/dev/shm";
    }
    std::error_code ec;
    const fs::path tmp = fs::temp_directory_path(ec);
    return ec ? fs::path("/tmp") : tmp;
}

// Never destroyed, so the exit handler that removes the folder can still name it.
const fs::path* makeRoot() {
    std::string pattern = (scratchParent() / "qv-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("qv-fuzz: mkdtemp");
        std::abort();
    }
    std::atexit([] {
        std::error_code ec;
        fs::remove_all(scratchRoot(), ec);
    });
    return new fs::path(pattern);
}

}  // namespace

fs::path scratchRoot() {
    static const fs::path* root = makeRoot();
    return *root;
}

fs::path freshScratch() {
    const fs::path root = scratchRoot();
    std::error_code ec;
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code rc;
        fs::remove_all(it->path(), rc);
    }
    const fs::path folder = root / "app";
    fs::create_directories(folder, ec);
    return folder;
}

void writeBytes(const fs::path& file, std::string_view bytes) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        finding("cannot write the case file " + file.string());
    }
}

std::string readBytes(const fs::path& file) {
    // In one read: the snapshots before and after each input read megabytes of raw files.
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in) {
        return {};
    }
    std::string bytes(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return bytes;
}

fs::path installationData() {
    return fs::path(QV_SOURCE_DIR) / "data";
}

void layInstallation(const fs::path& folder) {
    // Read once: every input of a target lays the same files.
    static const std::map<std::string, std::string> files = [] {
        std::map<std::string, std::string> read;
        std::error_code ec;
        for (fs::directory_iterator it(installationData(), ec), end; !ec && it != end;
             it.increment(ec)) {
            if (it->path().extension() == ".dat") {
                read[it->path().filename().string()] = readBytes(it->path());
            }
        }
        return read;
    }();
    for (const auto& [name, bytes] : files) {
        writeBytes(folder / name, bytes);
    }
}

Tree snapshot(const fs::path& root) {
    Tree tree;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string relative = it->path().lexically_relative(root).string();
        std::error_code tc;
        if (it->is_directory(tc)) {
            tree.folders.insert(relative);
        } else {
            tree.files[relative] = readBytes(it->path());
        }
    }
    return tree;
}

void finding(const std::string& what) {
    std::fprintf(stderr, "\n==qv-fuzz== FINDING: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

void check(bool condition, const std::string& what) {
    if (!condition) {
        finding(what);
    }
}

void mustNotThrow(const char* reader, const std::function<void()>& call) {
    try {
        call();
    } catch (const std::exception& e) {
        finding(std::string(reader) + " threw to its caller: " + e.what());
    } catch (...) {
        finding(std::string(reader) + " threw to its caller");
    }
}

void expectUnchanged(const Tree& before, const Tree& after, const char* reader,
                     const std::function<bool(const std::string&)>& mayChange) {
    const auto allowed = [&](const std::string& path) { return mayChange && mayChange(path); };
    for (const auto& [path, bytes] : before.files) {
        const auto it = after.files.find(path);
        if (allowed(path)) {
            continue;
        }
        if (it == after.files.end()) {
            finding(std::string(reader) + " removed " + path);
        }
        if (it->second != bytes) {
            finding(std::string(reader) + " changed " + path);
        }
    }
    for (const auto& [path, bytes] : after.files) {
        if (!before.files.contains(path) && !allowed(path)) {
            finding(std::string(reader) + " created " + path);
        }
    }
    for (const std::string& folder : before.folders) {
        if (!after.folders.contains(folder) && !allowed(folder)) {
            finding(std::string(reader) + " removed the folder " + folder);
        }
    }
    for (const std::string& folder : after.folders) {
        if (!before.folders.contains(folder) && !allowed(folder)) {
            finding(std::string(reader) + " created the folder " + folder);
        }
    }
}

// A user who keeps typing wrong answers keeps the dialogue going; once the script has run out,
// the dialogue must end soon.
void FuzzUi::countPrompt(const std::string& text) {
    constexpr std::size_t kPromptsAfterTheScript = 1000;
    if (static_cast<std::size_t>(++prompts) >
        answers_.size() + inputs_.size() + kPromptsAfterTheScript) {
        finding("1000 prompts after the scripted answers ran out, the last: " + text);
    }
}

void FuzzUi::message(const std::string& text, const std::string&) {
    countPrompt(text);
    messages.push_back(text);
}

Answer FuzzUi::ask(const std::string& text, Buttons buttons) {
    countPrompt(text);
    const bool yes = nextAnswer_ < answers_.size() && (answers_[nextAnswer_++] & 1) != 0;
    switch (buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::OkCancel:
            return yes ? Answer::Ok : Answer::Cancel;
        default:
            return yes ? Answer::Yes : Answer::No;
    }
}

std::optional<std::string> FuzzUi::input(const std::string& prompt, const std::string&,
                                         const std::string& defaultText) {
    countPrompt(prompt);
    if (nextInput_ < inputs_.size()) {
        const std::string& typed = inputs_[nextInput_++];
        if (typed == kCancelInput) {
            return std::nullopt;
        }
        return typed;
    }
    if (after_ == AfterScript::AcceptProposal) {
        return defaultText;
    }
    return std::nullopt;
}

}  // namespace qv::fuzz

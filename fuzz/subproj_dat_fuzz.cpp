// subproj.dat: the acquisition's name and comments as the browser reads them, then the rename
// and the new comments, which must keep what they do not replace.
#include "common/field_text.h"
#include "common/scripted_ui.h"
#include "store/acquisition_description.h"
#include "support/fuzz_support.h"

using namespace qv;
namespace fs = std::filesystem;

namespace {

// The first two fields of a subproj file, as the writers read the old ones back.
std::pair<std::string, std::string> fields(const fs::path& file) {
    std::pair<std::string, std::string> f;
    FieldReader r(fuzz::readBytes(file));
    r.text(f.first);
    r.text(f.second);
    return f;
}

std::string withoutQuotes(std::string s) {
    std::erase(s, '"');
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(fuzz::asText(data, size));
    const fs::path folder = fuzz::freshScratch();
    const fs::path file = folder / "subproj.dat";
    fuzz::writeBytes(file, bytes);
    const auto before = fuzz::snapshot(folder);

    std::string name, comments;
    fuzz::mustNotThrow("readAcquisitionName", [&] { name = readAcquisitionName(folder); });
    fuzz::mustNotThrow("readAcquisitionComments",
                       [&] { comments = readAcquisitionComments(folder); });
    fuzz::check(comments.find('"') == std::string::npos, "comments keep a double quote");
    fuzz::check(comments.find("\r\n\r\n") == std::string::npos, "comments keep an empty line");
    fuzz::expectUnchanged(before, fuzz::snapshot(folder), "the subproj readers");

    ScriptedUi ui;
    const auto old = fields(file);
    std::string renamed;
    fuzz::mustNotThrow("renameAcquisition",
                       [&] { renamed = renameAcquisition(folder, "Renamed run", ui); });
    fuzz::check(renamed == "Renamed run", "the rename failed");
    fuzz::check(fuzz::readBytes(folder / "subproj.bak") == bytes,
                "subproj.bak is not the old file");
    const auto afterRename = fields(file);
    fuzz::check(afterRename.first == "Renamed run", "the new name does not read back");
    fuzz::check(afterRename.second == withoutQuotes(old.second), "the rename lost the comments");

    std::string set;
    fuzz::mustNotThrow("setAcquisitionComments",
                       [&] { set = setAcquisitionComments(folder, "line one\r\nline two", ui); });
    fuzz::check(set == "ok", "the new comments failed");
    fuzz::check(readAcquisitionName(folder) == "Renamed run", "new comments lost the name");
    fuzz::check(readAcquisitionComments(folder) == "line one\r\nline two",
                "the new comments do not read back");
    fuzz::check(ui.messages.empty(), "a message without a failed backup");
    fuzz::expectUnchanged(before, fuzz::snapshot(folder), "the subproj writers",
                          [](const std::string& p) { return p.starts_with("subproj."); });
    return 0;
}

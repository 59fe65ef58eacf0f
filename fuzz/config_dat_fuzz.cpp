// config.dat as the start-up reads it: the configuration with its clamps, then the project
// folder it names.
#include "common/scripted_ui.h"
#include "store/store.h"
#include "support/fuzz_support.h"

using namespace qv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto app = fuzz::freshScratch();
    fuzz::writeBytes(app / "config.dat", fuzz::asText(data, size));
    // A project 1 folder, so that both outcomes of the folder choice are reachable.
    std::filesystem::create_directories(app / "p00001");
    const auto before = fuzz::snapshot(app);

    ScriptedUi ui;
    Store store(app, ui);
    fuzz::mustNotThrow("loadConfiguration", [&] {
        store.loadConfiguration();
        store.chooseProjectPath();
    });
    fuzz::expectUnchanged(before, fuzz::snapshot(app), "loadConfiguration");

    const AppConfig& c = store.config();
    fuzz::check(c.Actual_Project_Number >= 0, "Actual_Project_Number below 0");
    fuzz::check(c.Last_Project >= c.Actual_Project_Number || !ui.messages.empty(),
                "Last_Project below Actual_Project_Number");
    fuzz::check(c.Serial_COM >= 1 && c.Serial_COM <= 16, "Serial_COM outside 1..16");
    fuzz::check(c.Restart_Time == 0, "Restart_Time not 0");
    fuzz::check(ui.messages.size() <= 1, "more than one message for one load");
    const bool project1 = c.Actual_Project_Number == 1;
    fuzz::check(store.projectPath() == (project1 ? app / "p00001" : app),
                "project path does not follow Actual_Project_Number");
    return 0;
}

#include <gtest/gtest.h>

#include "common/scripted_ui.h"
#include "store/installation.h"
#include "store/plate_format.h"
#include "store/store.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

// A freshly laid application folder starts without a single message, and every plate format
// it ships loads through the real loader with the wells its description promises.
TEST(FreshInstallation, StartsSilentlyAndEveryPlateLoads) {
    testing::TempDir app;
    ASSERT_EQ(layInstallationData(testing::sourceDir() / "data", app.path(), false).status,
              InstallStatus::Ok);

    ScriptedUi ui;
    Store store(app.path(), ui);
    ASSERT_EQ(store.startUp(), Store::StartUp::Ready);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
    EXPECT_EQ(store.config().Actual_Project_Number, 0);
    EXPECT_EQ(store.projectPath(), app.path());
    EXPECT_EQ(store.setup().Name, "Default");
    EXPECT_EQ(store.setup().Plate_format, "w96f");
    EXPECT_EQ(store.plate().realWellCount(), 96);

    struct Expected {
        const char* code;
        int wells, minBeams, maxBeams;
    };
    const Expected plates[] = {
        {"w384", 384, 1, 1}, {"w96f", 96, 2, 2},    {"w96", 96, 2, 2},
        {"w96u", 96, 1, 1},  {"w48", 48, 1, 3},     {"w24", 24, 4, 4},
        {"w6", 6, 30, 32},   {"w96flat", 96, 4, 4}, {"w32_flytube", 32, 1, 24}};
    for (const Expected& e : plates) {
        PlateFormat plate;
        const PlateLoadStatus st = loadPlateFormatWithoutFallback(app.path(), e.code, plate);
        ASSERT_TRUE(st.ok) << e.code << " failed at " << st.P;
        EXPECT_EQ(plate.realWellCount(), e.wells) << e.code;
        for (int w = 0; w < plate.realWellCount(); ++w) {
            EXPECT_GE(plate.beamsOfWell(w), e.minBeams) << e.code << " well " << w;
            EXPECT_LE(plate.beamsOfWell(w), e.maxBeams) << e.code << " well " << w;
            for (int b = 0; b < plate.beamsOfWell(w); ++b) {
                const int c = plate.channelOf(w, b);
                ASSERT_GE(c, 0) << e.code;
                EXPECT_EQ(plate.wellOfChannel[static_cast<std::size_t>(c)], w);
                EXPECT_EQ(plate.beamOfChannel[static_cast<std::size_t>(c)], b);
            }
        }
    }
}

}  // namespace
}  // namespace qv

#pragma once

#include <cstdint>
#include <string>

#include "common/field_text.h"
#include "common/number_format.h"
#include "common/scripted_ui.h"
#include "store/project_load.h"
#include "store/project_setup.h"
#include "store/stored_text.h"
#include "support/fuzz_support.h"

namespace qv::fuzz {

// Whatever a load left in the record, the writer saves it so that a load reads it back: the
// texts as the writer stores them (no quote, no line end), thresholds at three decimals.
inline void checkSavesAndLoadsBack(const ProjectSetup& s, std::int16_t N, const std::string& who) {
    const fs::path folder = scratchRoot() / "saved";
    fs::remove_all(folder);
    fs::create_directories(folder);
    check(saveProjectSettings(folder, s, N, "C:\\Quorvel\\p00001\\"), who + ": save failed");
    ScriptedUi ui;
    ProjectSetup back;
    const ProjectLoadResult r = loadProjectSettings({folder, N, N}, back, ui);
    check(ui.messages.empty() && !r.recovered && !r.defaultsApplied,
          who + ": a saved project does not load cleanly");
    check(back.Name == storableText(s.Name) && back.Plate_format == storableText(s.Plate_format) &&
              back.Num_proj == std::to_string(N),
          who + ": identity does not load back");
    const auto same = [&](std::initializer_list<std::pair<std::int16_t, std::int16_t>> fields) {
        for (const auto& [a, b] : fields) {
            check(a == b, who + ": a setting does not load back");
        }
    };
    same({{back.Aq_mode, s.Aq_mode},
          {back.Aq_lapse, s.Aq_lapse},
          {back.Sample_Rate, s.Sample_Rate},
          {back.RT_Buffer, s.RT_Buffer},
          {back.DSP_Method, s.DSP_Method},
          {back.DSP_Interval, s.DSP_Interval},
          {back.Binary_Acq, s.Binary_Acq},
          {back.Threshold_Counter, s.Threshold_Counter},
          {back.Cal_value, s.Cal_value},
          {back.Cal_mode, s.Cal_mode},
          {back.Save_counts, s.Save_counts},
          {back.Save_real, s.Save_real},
          {back.Menu1, s.Menu1},
          {back.Menu2, s.Menu2},
          {back.Menu3, s.Menu3},
          {back.Menu4, s.Menu4},
          {back.Menu5, s.Menu5},
          {back.Menu6, s.Menu6}});
    for (int k = 1; k <= 6; ++k) {
        check(mnLine(back, k) == mnLine(s, k), who + ": a tool line does not load back");
    }
    for (int c = 0; c < kChannels; ++c) {
        check(back.channelEnabled[c] == s.channelEnabled[c] &&
                  back.channelGroup[c] == s.channelGroup[c] &&
                  back.groupName[c] == storableText(s.groupName[c]),
              who + ": a channel table does not load back");
        // Three decimals, then written in the plain form of the settings files.
        const double rounded = parseNumber(formatFixed(s.channelThreshold[c], 3)).value_or(0.0);
        const double stored = parseNumber(plainNumber(rounded)).value_or(0.0);
        check(back.channelThreshold[c] == stored, who + ": a threshold does not load back");
    }
}

}  // namespace qv::fuzz

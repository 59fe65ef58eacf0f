#include "offline/series/signal_export.h"

#include <system_error>

#include "analysis/activity_files.h"
#include "common/file_util.h"
#include "offline/series/acquisition_plate.h"
#include "setup/group_layout.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

std::string pageHeading(const std::string& well, int page, int pages) {
    return "Well: " + well + " Page[" + std::to_string(page) + "/" + std::to_string(pages) +
           "] [#" + std::to_string((page - 1) * 25) + "k-" + std::to_string(page * 25) + "k]";
}

std::string beamHeads(const std::string& well, const std::vector<std::pair<int, int>>& beams) {
    std::string heads;
    for (const auto& [beam, channel] : beams) {
        heads += well + "." + std::to_string(beam) + " ";
    }
    return heads;
}

// The sample lines of the page's blocks, as far as the run wrote them.
int appendSamples(std::string& text, const fs::path& folder, int rtBuffer, int page,
                  const std::vector<int>& channels) {
    int blocks = 0;
    for (int b = 0; b < kBlocksPerSignalPage; ++b) {
        const int k = (page - 1) * kBlocksPerSignalPage + b;
        const auto block = readRawBlock(rawFilePath(folder, k / kBlocksPerFile), rtBuffer,
                                        static_cast<std::size_t>(k % kBlocksPerFile));
        if (!block) {
            break;
        }
        ++blocks;
        for (int s = 0; s < rtBuffer; ++s) {
            for (const int c : channels) {
                text += std::to_string(block->at(c, s));
                text += ' ';
            }
            text += "\r\n";
        }
    }
    return blocks;
}

}  // namespace

std::size_t rawBlockCount(const fs::path& folder, int rtBuffer) {
    std::size_t blocks = 0;
    for (int index = 0;; ++index) {
        std::error_code ec;
        const auto size = fs::file_size(rawFilePath(folder, index), ec);
        if (ec) {
            return blocks;
        }
        blocks += static_cast<std::size_t>(size / rawRecordBytes(rtBuffer));
    }
}

std::optional<SignalExport> exportSignals(const SignalExportRequest& request, Ui& ui) {
    const auto acquisition = readAcquisitionPlate(request.acquisition, request.appFolder, ui);
    if (!acquisition) {
        return std::nullopt;
    }
    const int well = wellOfLabel(acquisition->plate, request.well);
    const auto beams = beamsOfWell(acquisition->plate, well);
    SignalExport out;
    for (const auto& [beam, channel] : beams) {
        out.channels.push_back(channel);
    }
    if (out.channels.empty()) {
        ui.message("No beam of the plate " + acquisition->settings.plateFormat + " lies in well " +
                   request.well);
        return std::nullopt;
    }
    const int rtBuffer = acquisition->settings.rtBuffer;
    const std::size_t blocks = rawBlockCount(request.acquisition, rtBuffer);
    out.pages = static_cast<int>((blocks + kBlocksPerSignalPage - 1) / kBlocksPerSignalPage);
    if (request.page < 1 || request.page > out.pages) {
        ui.message("No raw data for page " + std::to_string(request.page) + " in " +
                   request.acquisition.string());
        return std::nullopt;
    }
    std::string text = "\"\"\r\n\"" + request.acquisition.string() + "\"\r\n\r\n" +
                       pageHeading(request.well, request.page, out.pages) + "\r\n\r\n" +
                       beamHeads(request.well, beams) + "\r\n";
    out.blocks = appendSamples(text, request.acquisition, rtBuffer, request.page, out.channels);
    out.path = request.appFolder / "datafile.txt";
    if (!writeFileAtomic(out.path, text)) {
        ui.message("datafile.txt could not be written in " + request.appFolder.string());
        return std::nullopt;
    }
    ui.openExternal(out.path.string(), ExternalKind::TextViewer);
    return out;
}

}  // namespace qv

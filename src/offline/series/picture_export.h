#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "common/ui.h"

namespace qv {

// The bitmap exports of the browser's pictures: a fixed file in the application folder per
// menu entry, opened in the image viewer.
enum class PictureExport {
    Plot,      // "Export to BMP..." and the kinetics plot's "Export .BMP": image1
    LinePlot,  // line plot "Export .BMP": lineimg
    Plate,     // plate "Export .BMP": plateimg
    Track,     // tracking "Export .BMP": trackimg
};

std::string pictureExportStem(PictureExport entry);

// Saves the picture as stem.bmp, and beside it as stem.png and, when `saveSvg` is given,
// stem.svg, each through the saver of the surface that holds it; opens the bitmap in the image
// viewer. nullopt, after a message, when the bitmap could not be saved.
std::optional<std::filesystem::path> exportPicture(
    const std::filesystem::path& appFolder, PictureExport entry,
    const std::function<bool(const std::filesystem::path&)>& saveImage,
    const std::function<bool(const std::filesystem::path&)>& saveSvg, Ui& ui);

}  // namespace qv

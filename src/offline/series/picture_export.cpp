#include "offline/series/picture_export.h"

namespace qv {

std::string pictureExportStem(PictureExport entry) {
    switch (entry) {
        case PictureExport::LinePlot:
            return "lineimg";
        case PictureExport::Plate:
            return "plateimg";
        case PictureExport::Track:
            return "trackimg";
        case PictureExport::Plot:
            break;
    }
    return "image1";
}

std::optional<std::filesystem::path> exportPicture(
    const std::filesystem::path& appFolder, PictureExport entry,
    const std::function<bool(const std::filesystem::path&)>& saveImage,
    const std::function<bool(const std::filesystem::path&)>& saveSvg, Ui& ui) {
    const std::string stem = pictureExportStem(entry);
    const auto bmp = appFolder / (stem + ".bmp");
    if (!saveImage || !saveImage(bmp)) {
        ui.message(stem + ".bmp could not be saved in " + appFolder.string());
        return std::nullopt;
    }
    // The other forms are a convenience beside the bitmap: the bitmap is the export.
    saveImage(appFolder / (stem + ".png"));
    if (saveSvg) {
        saveSvg(appFolder / (stem + ".svg"));
    }
    ui.openExternal(bmp.string(), ExternalKind::ImageViewer);
    return bmp;
}

}  // namespace qv

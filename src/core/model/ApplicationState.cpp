#include "core/model/ApplicationState.h"

#include <algorithm>

#include "core/model/Settings.h"

namespace vorla {

ApplicationState::ApplicationState(std::string programDirectory, UserInterface& ui,
                                   int maxTrackWidth)
    : wideImageThreshold(maxTrackWidth / 3),
      programDirectory_(std::move(programDirectory)),
      ui_(ui) {
    // These strings are kept byte for byte, odd spots included: "*avi" has no dot, "*.PCX,*.png"
    // is separated by a comma, the PCX patterns appear twice, and in the GIF variant "*.TGA" runs
    // straight into "*.gif" because only the closing '|' is dropped before appending.
    allImagesFilter =
        "지원되는 모든 이미지 형식|*avi;*.AVI;*.bmp;*.BMP;*.cur;*.CUR;*.tif;*.TIF;"
        "*.ico;*.ICO;*.jpg;*.JPG;*.pcx;*.PCX;*.pcx;*.PCX,*.png;*.PNG;*.psd;*.PSD;*.tga;*.TGA|";
    gifFilter = "GIF 파일(*.gif)|*.gif;*.GIF|";
    allImagesWithGifFilter = allImagesFilter.substr(0, allImagesFilter.size() - 1) + "*.gif;*.GIF|";
    perFormatFilter =
        "BMP 파일(*.bmp)|*.bmp;*.BMP|"
        "AVI 파일(*.avi)|*.avi;*.AVI|"
        "CUR 파일(*.cur)|*.cur;*.CUR|"
        "ICO 파일(*.ico)|*.ico;*.ICO|"
        "JPEG 파일(*.jpg)|*.jpg;*.JPG|"
        "PCX 파일(*.pcx)|*.pcx;*.PCX|"
        "PNG 파일(*.png)|*.png;*.PNG|"
        "PSD 파일(*.psd)|*.psd;*.PSD|"
        "TGA 파일(*.tga)|*.tga;*.TGA|"
        "TIFF 파일(*.tif)|*.tif;*.TIF|"
        "모든 파일(*.*)|*.*||";
}

void ApplicationState::LoadZoom() {
    zoomPercent = ReadIntSetting(ui_, GeneralIni(), "lookratio");
    ClampZoom();
}

void ApplicationState::ClampZoom() {
    zoomPercent = std::clamp(zoomPercent, 5, 100);
    SaveZoomIfChanged();
}

void ApplicationState::SaveZoomIfChanged() {
    if (zoomPercent == lastWrittenZoom_) return;
    // Remembered even when the write fails: the failure was reported once, and retrying at
    // every zoom step would repeat the message.
    WriteIntSetting(ui_, GeneralIni(), "lookratio", zoomPercent);
    lastWrittenZoom_ = zoomPercent;
}

}  // namespace vorla

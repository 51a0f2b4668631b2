// Values shared by every document of the running program: the strip zoom, the file-dialog
// filters, the frame-clipboard count and the guards of long operations.
#pragma once

#include <string>

namespace vorla {

class UserInterface;

class ApplicationState {
public:
    // programDirectory ends with '/'; it holds the settings files and temporary files.
    ApplicationState(std::string programDirectory, UserInterface& ui, int maxTrackWidth);

    const std::string& ProgramDirectory() const { return programDirectory_; }
    std::string ProgramFile(const std::string& name) const { return programDirectory_ + name; }
    std::string GeneralIni() const { return ProgramFile("gnanre.ini"); }
    std::string WindowIni() const { return ProgramFile("usanre.ini"); }
    UserInterface& Ui() { return ui_; }

    // Reads "lookratio" and clamps it (start-up).
    void LoadZoom();
    // Forces zoomPercent into 5..100 and writes it when it differs from the last value written.
    void ClampZoom();
    void SaveZoomIfChanged();

    int zoomPercent = 0;         // strip zoom of every document, percent, 5..100 once clamped
    int wideImageThreshold = 0;  // a third of the maximum tracking width; wider opens at 50 %
    bool openInProgress = false;
    bool openContinue = false;
    int busyGuard = 0;    // while set, playback and the preview draw nothing
    long long loadStartMs =
        0;  // steady-clock time of the last load start; drops wait 1000 ms after it

    // The four filters of the file dialogs, in the "name|patterns|" form.
    std::string perFormatFilter;
    std::string allImagesFilter;
    std::string allImagesWithGifFilter;
    std::string gifFilter;

private:
    std::string programDirectory_;
    UserInterface& ui_;
    int lastWrittenZoom_ = -1;  // -1: nothing written in this run yet
};

}  // namespace vorla

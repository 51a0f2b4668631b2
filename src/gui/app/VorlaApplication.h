// The application object: start-up (single instance, hand-over, settings, main window) and the
// values every document shares.
#pragma once

#include <QApplication>
#include <QTranslator>
#include <memory>

#include "gui/app/RecentFileList.h"

namespace vorla {

class ApplicationState;
class CMainFrame;
class MagickImaging;
class QtUserInterface;
class SingleInstance;

class VorlaApplication : public QApplication {
    Q_OBJECT

public:
    VorlaApplication(int& argc, char** argv);
    ~VorlaApplication() override;

    // "Vorla v1.05 beta1", assembled from the version parts.
    static QString ApplicationTitle();
    // "1.05 beta1", the profile's "Version" value.
    static QString VersionText();
    // The application font: NanumGothic when installed, since Korean needs a CJK font.
    static void UseKoreanFont();

    // The start-up sequence. false: end the process without entering the event loop (another
    // copy runs and has been handed the command line, or the main window could not be made).
    bool InitInstance();

    ApplicationState& State() { return *state_; }
    QtUserInterface& Ui() { return *ui_; }
    CMainFrame* MainFrame() const { return mainFrame_.get(); }
    RecentFileList& RecentFiles() { return recentFiles_; }

    bool event(QEvent* event) override;

signals:
    // A quit request that no window refused; long operations stop at their next pump.
    void quitAccepted();

private:
    void LoadKoreanTranslation();

    QTranslator qtTranslator_;
    RecentFileList recentFiles_{4};
    // Declared in order of use; destroyed the other way round, the main window first.
    std::unique_ptr<QtUserInterface> ui_;
    std::unique_ptr<ApplicationState> state_;
    std::unique_ptr<MagickImaging> imaging_;
    std::unique_ptr<SingleInstance> singleInstance_;
    std::unique_ptr<CMainFrame> mainFrame_;
};

}  // namespace vorla

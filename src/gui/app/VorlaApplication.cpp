#include "gui/app/VorlaApplication.h"

#include <QEvent>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QScreen>
#include <QSettings>

#include "core/edit/Saving.h"
#include "core/model/ApplicationState.h"
#include "core/model/CommandLine.h"
#include "core/model/ProgramDirectory.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/HandOver.h"
#include "gui/app/QtUserInterface.h"
#include "gui/app/SingleInstance.h"
#include "imaging/MagickImaging.h"

// The resources live in a static library, whose registration the linker would otherwise drop.
// Q_INIT_RESOURCE has to be used outside any namespace.
static void InitVorlaResources() {
    Q_INIT_RESOURCE(vorla);
}

namespace vorla {

VorlaApplication::VorlaApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName(QStringLiteral("Tarnwick"));
    setApplicationName(QStringLiteral("Vorla"));
    setApplicationVersion(VersionText());
    InitVorlaResources();
    setWindowIcon(QIcon(QStringLiteral(":/icons/vorla.png")));
}

VorlaApplication::~VorlaApplication() = default;

QString VorlaApplication::VersionText() {
    return QString::fromStdString(ProgramVersion());
}

QString VorlaApplication::ApplicationTitle() {
    return QStringLiteral("Vorla v") + VersionText();
}

void VorlaApplication::UseKoreanFont() {
    if (QFontDatabase::families().contains(QStringLiteral("NanumGothic"))) {
        QFont font = QApplication::font();
        font.setFamily(QStringLiteral("NanumGothic"));
        QApplication::setFont(font);
    }
}

void VorlaApplication::LoadKoreanTranslation() {
    // The program speaks Korean whatever the system locale, so Qt's standard buttons must too.
    if (qtTranslator_.load(QStringLiteral("qtbase_ko"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        installTranslator(&qtTranslator_);
    }
}

bool VorlaApplication::InitInstance() {
    UseKoreanFont();
    LoadKoreanTranslation();

    const std::string programDirectory = ProgramDirectory::Resolve(
        applicationDirPath().toStdString(), ProgramDirectory::FromProcessEnvironment());
    // The widest a window can be dragged: the whole virtual desktop.
    const QScreen* screen = primaryScreen();
    const int maxTrackWidth = screen ? screen->virtualGeometry().width() : 0;
    ui_ = std::make_unique<QtUserInterface>();
    state_ = std::make_unique<ApplicationState>(programDirectory, *ui_, maxTrackWidth);

    const QStringList commandLineFiles = CommandLineFiles(arguments());
    singleInstance_ = std::make_unique<SingleInstance>();
    if (!singleInstance_->Claim()) {
        HandOverToRunningCopy(commandLineFiles, state_->GeneralIni(), *ui_, *singleInstance_);
        return false;
    }

    QSettings profile(QSettings::NativeFormat, QSettings::UserScope, organizationName(),
                      applicationName());
    profile.setValue(QStringLiteral("Version"), VersionText());
    recentFiles_.Load(profile);

    MagickImaging::InitializeImaging(arguments().value(0).toLocal8Bit().constData());
    imaging_ = std::make_unique<MagickImaging>();
    mainFrame_ = std::make_unique<CMainFrame>(*state_, *imaging_, applicationDirPath());
    ui_->SetMainWindow(mainFrame_.get());
    connect(singleInstance_.get(), &SingleInstance::raiseRequested, mainFrame_.get(),
            &CMainFrame::RaiseFromOtherStart);
    connect(singleInstance_.get(), &SingleInstance::requestReceived, mainFrame_.get(),
            &CMainFrame::HandleRequest);

    // The browser preview's files serve only while the program runs.
    connect(this, &QCoreApplication::aboutToQuit, this,
            [this] { saving::RemoveBrowserPreview(state_->ProgramDirectory()); });
    state_->LoadZoom();
    mainFrame_->show();
    for (const QString& file : commandLineFiles) mainFrame_->OpenCommandLineFile(file);
    return true;
}

bool VorlaApplication::event(QEvent* event) {
    const bool handled = QApplication::event(event);
    if (event->type() == QEvent::Quit && event->isAccepted()) emit quitAccepted();
    return handled;
}

}  // namespace vorla

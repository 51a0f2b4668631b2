// The main window: owns the MDI area that holds one child window per open animation, the menus
// and the status bar.
#pragma once

#include <QMainWindow>
#include <QStringList>

class QAction;
class QMdiArea;
class QMenu;

namespace vorla {

class ApplicationState;

// Requests sent to the main frame, by their historical negative codes. Codes that arrive from
// outside the process (the socket of a later start) are limited to OpenHandedOverFile.
enum class MainFrameRequest : int {
    OpenHandedOverFile = -16,  // read "urgentfileToopen" from "gnanre.ini" and open that file
    OnlineServices = -13,      // a hook of the online services, which this program leaves out
    ShowCompanyName = -10,     // the status bar shows the maker's company name
    NoAction4 = -4,
    NoAction3 = -3,
};

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(ApplicationState& app, QWidget* parent = nullptr);

    QMdiArea* MdiArea() const { return mdiArea_; }

    // Handles one request code; an unknown code is an internal error ("11013").
    void HandleRequest(int code);

    // A later start of the program asked this one to show itself: restore a minimised window
    // and bring it to the front.
    void RaiseFromOtherStart();

    // The file a later start handed over (request -16): raises the window and opens the file as
    // a new document. The file named on the command line of this start goes the same way.
    // Documents cannot be opened yet: until the document classes exist, both queue the path in
    // PendingDocumentOpens() and announce it with documentOpenRequested(), and nothing is shown;
    // the document-opening code takes the queue over from here.
    void OpenHandedOverFile(const QString& path);
    void OpenCommandLineFile(const QString& path);
    const QStringList& PendingDocumentOpens() const { return pendingDocumentOpens_; }

signals:
    void documentOpenRequested(const QString& path);

private slots:
    void about();

private:
    void createActions();
    void createMenus();
    void QueueDocumentOpen(const QString& path);

    ApplicationState& app_;
    QMdiArea* mdiArea_;
    QStringList pendingDocumentOpens_;

    QMenu* fileMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* exitAct_ = nullptr;
    QAction* aboutAct_ = nullptr;
};

}  // namespace vorla

// A real main window for GUI tests, with a user interface that records every message and
// question and answers from a script (real progress dialogs), and GIF files made on the spot.
#pragma once

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>
#include <functional>
#include <memory>

#include "core/model/ApplicationState.h"
#include "core/port/UserInterface.h"
#include "gui/app/CMainFrame.h"
#include "gui/dialogs/WorkProgressDialog.h"
#include "gui/view/CAnvoView.h"
#include "imaging/MagickImaging.h"
#include "support/GifBuilder.h"

namespace vorla::guitest {

class RecordingUi : public UserInterface {
public:
    struct Asked {
        std::string title;
        std::string message;
    };
    ChoiceAnswer Choose(const ChoiceRequest& request, bool) override {
        asked.push_back({request.title, request.message});
        // A real question runs an event loop: whatever the user does meanwhile happens here.
        if (whileAsking) whileAsking();
        if (request.preselected == -2) return {true, 0};
        if (answers.empty()) {
            unexpected.push_back(request.message);
            return {false, 0};
        }
        ChoiceAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void ShowMessage(const std::string& text) override { asked.push_back({"", text}); }
    bool PumpMessages() override {
        QCoreApplication::processEvents();
        if (onPump) onPump();
        return true;
    }
    std::unique_ptr<WorkProgress> CreateProgress() override {
        return std::make_unique<WorkProgressDialog>();
    }
    void ShowNotice(const std::string& text, int, int) override { notices.push_back(text); }
    int AskTwoChoice(const std::string& message, const std::string& title, const std::string&,
                     const std::string&, const std::string&) override {
        asked.push_back({title, message});
        if (twoChoiceAnswers.empty()) {
            unexpected.push_back(message);
            return kTwoChoiceCancel;
        }
        int answer = twoChoiceAnswers.front();
        twoChoiceAnswers.pop_front();
        return answer;
    }
    bool ChooseColor(Colorref&, const std::string& caption) override {
        unexpected.push_back(caption);
        return false;
    }
    bool AskNumbers(NumberRequest& request) override {
        asked.push_back({request.title, request.fields[0].label});
        if (numberAnswers.empty()) {
            unexpected.push_back(request.title);
            return false;
        }
        request.fields[0].value = numberAnswers.front();
        numberAnswers.pop_front();
        return true;
    }

    QStringList Texts() const {
        QStringList texts;
        for (const Asked& a : asked) texts << QString::fromStdString(a.message);
        return texts;
    }
    std::vector<Asked> asked;
    std::deque<ChoiceAnswer> answers;
    std::deque<int> twoChoiceAnswers;
    std::vector<std::string> notices;
    std::vector<std::string> unexpected;
    std::deque<std::string> numberAnswers;  // the first field's text, one per number dialog
    std::function<void()> onPump;           // what happens inside every pump
    std::function<void()> whileAsking;      // what happens while a choice question is open
};

// The selection as text: X a selected frame, . another, | a selected gap.
inline QString Marks(const FrameTable& table) {
    QString marks;
    for (int i = 0; i < table.frameCount; ++i) {
        const FrameEntry& e = table.entries[static_cast<std::size_t>(i)];
        if (e.gapSelected) marks += QLatin1Char('|');
        marks += e.selected ? QLatin1Char('X') : QLatin1Char('.');
    }
    if (table.gapAfterLastSelected) marks += QLatin1Char('|');
    return marks;
}

// bytes written to path; the path, or "" when it cannot be written.
inline QString WriteGifFile(const QString& path, const test::Bytes& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return path;
}

// A GIF of `count` images of w x h, image k filled with palette index k % 4; returns path.
inline QString WriteSolidGif(const QString& path, int count, int w = 16, int h = 12,
                             int delay = 10) {
    test::GifBuilder gif;
    gif.Screen(w, h, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}});
    for (int k = 0; k < count; ++k) {
        gif.Control(1, delay);
        gif.Image(0, 0, w, h,
                  test::Bytes(static_cast<std::size_t>(w * h), static_cast<std::uint8_t>(k % 4)),
                  false, {}, 2);
    }
    return WriteGifFile(path, gif.Trailer().Get());
}

// A whole 40 x 30 first frame (index 1), then two 8 x 8 patches of indices 2 and 3 at (10, 5)
// and (20, 15): every later frame shows the first one around its patch.
inline QString WritePatchGif(const QString& path) {
    test::GifBuilder gif;
    gif.Screen(40, 30, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}});
    gif.Control(1, 10).Image(0, 0, 40, 30, test::Bytes(40 * 30, 1), false, {}, 2);
    gif.Control(1, 10).Image(10, 5, 8, 8, test::Bytes(64, 2), false, {}, 2);
    gif.Control(1, 10).Image(20, 15, 8, 8, test::Bytes(64, 3), false, {}, 2);
    return WriteGifFile(path, gif.Trailer().Get());
}

class MainFrameFixture {
public:
    MainFrameFixture()
        : state(home.path().toStdString() + "/", ui, 1200),
          frame(state, imaging, QStringLiteral(VORLA_PROGRAM_DIR)) {
        frame.resize(1000, 700);
    }

    QString File(const QString& name) const { return files.filePath(name); }

    QString MakeGif(const QString& name, int count, int w = 16, int h = 12, int delay = 10) {
        return WriteSolidGif(File(name), count, w, h, delay);
    }

    QString Write(const QString& name, const test::Bytes& bytes) {
        return WriteGifFile(File(name), bytes);
    }

    // Opens a file and, for a GIF, runs its deferred load at once.
    CAnvoView* Open(const QString& path) {
        CAnvoView* view = frame.OpenDocumentFile(path);
        if (view) view->RunPendingLoad();
        return view;
    }

    QTemporaryDir home;
    QTemporaryDir files;
    RecordingUi ui;
    ApplicationState state;
    MagickImaging imaging;
    CMainFrame frame;
};

}  // namespace vorla::guitest

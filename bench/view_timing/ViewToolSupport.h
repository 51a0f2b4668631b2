// What the view tools share: a user interface that answers nothing and only prints messages,
// and animations written on the spot.
#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <cstdio>
#include <vector>

#include "core/port/UserInterface.h"
#include "support/GifBuilder.h"

namespace vorla {

class SilentUi : public UserInterface {
public:
    ChoiceAnswer Choose(const ChoiceRequest&, bool) override { return {}; }
    void ShowMessage(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    bool PumpMessages() override {
        QCoreApplication::processEvents();
        return true;
    }
    void ShowNotice(const std::string&, int, int) override {}
    int AskTwoChoice(const std::string&, const std::string&, const std::string&, const std::string&,
                     const std::string&) override {
        return kTwoChoiceCancel;
    }
    bool ChooseColor(Colorref&, const std::string&) override { return false; }
    bool AskNumbers(NumberRequest&) override { return false; }
};

inline QString WriteGif(const QString& path, int frames, const std::vector<int>& delays, int w,
                        int h) {
    test::GifBuilder gif;
    gif.Screen(w, h, {{0, 0, 0}, {255, 0, 0}, {0, 200, 0}, {0, 0, 255}});
    for (int k = 0; k < frames; ++k) {
        gif.Control(1, delays[static_cast<std::size_t>(k) % delays.size()]);
        test::Bytes pixels(static_cast<std::size_t>(w * h));
        for (int i = 0; i < w * h; ++i)
            pixels[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((i / w + k) % 4);
        gif.Image(0, 0, w, h, pixels, false, {}, 2);
    }
    gif.Trailer();
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(reinterpret_cast<const char*>(gif.Get().data()),
               static_cast<qint64>(gif.Get().size()));
    return path;
}

}  // namespace vorla

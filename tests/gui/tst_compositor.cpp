// The animation compositor behind the preview row and the animation pane: disposals as viewers
// show them (restore to previous included), at full size and zoomed out, stepping frame by
// frame and composing from scratch. Frames here are solid rectangles, so a zoomed composite can
// be checked pixel for pixel against the full-size one.
#include <QtTest>
#include <memory>
#include <random>
#include <vector>

#include "GuiFixture.h"
#include "gui/play/AnimationCompositor.h"
#include "support/FakeHosts.h"

using namespace vorla;

namespace {

struct SolidFrame {
    int left, top, width, height;
    int disposal;
    QRgb color;
};

const QColor kBackground(10, 20, 30);

// A frame table holding the frames, as the loader fills it.
class World {
public:
    explicit World(const std::vector<SolidFrame>& frames, int screenWidth, int screenHeight)
        : app(home.path().toStdString() + "/", ui, 1200) {
        app.zoomPercent = 100;
        table =
            std::make_unique<FrameTable>(app, ui, imaging, host, std::vector<std::uint8_t>{}, 0);
        auto& pages = imaging.gifs["solid.gif"];
        for (const SolidFrame& frame : frames) {
            CDib image;
            image.Create(frame.width, frame.height, 8, 256);
            image.SetPaletteColor(
                0, MakeRgb(qRed(frame.color), qGreen(frame.color), qBlue(frame.color)));
            GifPageInfo info;
            info.screenWidth = screenWidth;
            info.screenHeight = screenHeight;
            info.left = frame.left;
            info.top = frame.top;
            info.width = frame.width;
            info.height = frame.height;
            info.delay = 10;
            info.colorCount = 256;
            info.controlByte = static_cast<std::uint8_t>(frame.disposal << 2);
            pages.push_back({image, info});
        }
        for (int i = 0; i < static_cast<int>(frames.size()); ++i)
            table->AddFrameFromSource(2, "solid.gif", i);
    }

    // The composite of frames 0..current at scale, through the display images as the strip
    // draws it (the frame images at scale 1, as the pane draws it).
    QImage Compose(AnimationCompositor& compositor, int current, double scale) {
        table->zoomFactor = scale;
        table->RebuildDisplayImages(-1, true, true, false);
        const QSize size(static_cast<int>(table->settings.screenWidth * scale),
                         static_cast<int>(table->settings.screenHeight * scale));
        return compositor.Compose(*table, scale == 1.0, current, size, kBackground).copy();
    }

    QTemporaryDir home;
    guitest::RecordingUi ui;
    test::FakeImaging imaging;
    test::RecordingHost host;
    ApplicationState app;
    std::unique_ptr<FrameTable> table;
};

// What a viewer shows at full size after frame `current`.
std::vector<QRgb> FullComposite(const std::vector<SolidFrame>& frames, int current, int width,
                                int height) {
    std::vector<QRgb> canvas(static_cast<std::size_t>(width * height), kBackground.rgb());
    std::vector<QRgb> saved;
    auto fill = [&](const SolidFrame& f, const std::vector<QRgb>* from, QRgb color) {
        for (int y = f.top; y < std::min(height, f.top + f.height); ++y)
            for (int x = f.left; x < std::min(width, f.left + f.width); ++x) {
                const auto at = static_cast<std::size_t>(y * width + x);
                canvas[at] = from ? (*from)[at] : color;
            }
    };
    for (int k = 0; k <= current; ++k) {
        if (k > 0) {
            const SolidFrame& previous = frames[static_cast<std::size_t>(k - 1)];
            if (previous.disposal == 2) fill(previous, nullptr, kBackground.rgb());
            if (previous.disposal == 3) fill(previous, &saved, 0);
        }
        const SolidFrame& frame = frames[static_cast<std::size_t>(k)];
        if (frame.disposal == 3) saved = canvas;
        fill(frame, nullptr, frame.color);
    }
    return canvas;
}

// Compares a composite at scale with the full-size one: scaled pixel x shows what full-size
// pixel ceil((x + 1) / scale) - 1 shows, the last full-size pixel whose left edge it covers.
QString Differences(const QImage& have, const std::vector<QRgb>& full, int width, double scale) {
    QString text;
    for (int y = 0; y < have.height(); ++y) {
        for (int x = 0; x < have.width(); ++x) {
            const int fx = static_cast<int>(std::ceil((x + 1) / scale - 1e-9)) - 1;
            const int fy = static_cast<int>(std::ceil((y + 1) / scale - 1e-9)) - 1;
            const QRgb want = full[static_cast<std::size_t>(fy * width + fx)];
            const QRgb got = have.pixel(x, y);
            if ((got & 0xFFFFFF) != (want & 0xFFFFFF) && text.size() < 400) {
                text += QStringLiteral("(%1,%2) have %3 want %4; ")
                            .arg(x)
                            .arg(y)
                            .arg(got & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                            .arg(want & 0xFFFFFF, 6, 16, QLatin1Char('0'));
            }
        }
    }
    return text;
}

}  // namespace

class tst_Compositor : public QObject {
    Q_OBJECT

private slots:
    void restoreToPreviousBringsBackWhatWasThere();
    void zoomedOutFramesLeaveNoSeams();
    void randomLayoutsMatchTheFullSizeComposite();
};

void tst_Compositor::restoreToPreviousBringsBackWhatWasThere() {
    const std::vector<SolidFrame> frames = {
        {0, 0, 6, 4, 1, qRgb(200, 0, 0)},  // the picture
        {1, 1, 2, 2, 3, qRgb(0, 200, 0)},  // shown for a moment, then taken back
        {2, 1, 2, 2, 1, qRgb(0, 0, 200)},   {0, 0, 3, 2, 3, qRgb(200, 200, 0)},
        {4, 2, 2, 2, 2, qRgb(0, 200, 200)}, {3, 0, 2, 3, 1, qRgb(90, 90, 90)},
    };
    World world(frames, 6, 4);
    AnimationCompositor stepping;
    for (int k = 0; k < static_cast<int>(frames.size()); ++k) {
        const QImage steps = world.Compose(stepping, k, 1.0);
        AnimationCompositor fresh;
        const QImage scratch = world.Compose(fresh, k, 1.0);
        const QString diff = Differences(steps, FullComposite(frames, k, 6, 4), 6, 1.0);
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("frame %1: %2").arg(k).arg(diff)));
        QVERIFY2(steps == scratch, qPrintable(QStringLiteral("frame %1 by steps").arg(k)));
    }
    // After frame 1 is taken back, its pixels outside frame 2 show the picture again.
    AnimationCompositor compositor;
    QCOMPARE(world.Compose(compositor, 2, 1.0).pixel(1, 1), qRgb(200, 0, 0));
}

void tst_Compositor::zoomedOutFramesLeaveNoSeams() {
    // Two halves that cover the picture at full size; at 50 % each half is 1.5 pixels wide.
    const std::vector<SolidFrame> frames = {
        {0, 0, 6, 4, 1, qRgb(200, 0, 0)},
        {0, 0, 3, 4, 1, qRgb(0, 200, 0)},
        {3, 0, 3, 4, 1, qRgb(0, 0, 200)},
        {1, 1, 3, 3, 2, qRgb(200, 200, 0)},  // cleared to the background afterwards
        {5, 3, 1, 1, 1, qRgb(90, 90, 90)},
    };
    World world(frames, 6, 4);
    AnimationCompositor compositor;
    for (int k = 0; k < static_cast<int>(frames.size()); ++k) {
        const QImage image = world.Compose(compositor, k, 0.5);
        QCOMPARE(image.size(), QSize(3, 2));
        const QString diff = Differences(image, FullComposite(frames, k, 6, 4), 6, 0.5);
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("frame %1: %2").arg(k).arg(diff)));
    }
    const QImage last = world.Compose(compositor, 2, 0.5);
    for (int x = 0; x < 3; ++x)
        QVERIFY2(last.pixel(x, 0) != qRgb(200, 0, 0), "no speck of the first frame is left");
}

void tst_Compositor::randomLayoutsMatchTheFullSizeComposite() {
    std::mt19937 random(7);
    const int width = 37;
    const int height = 23;
    for (int round = 0; round < 12; ++round) {
        std::vector<SolidFrame> frames;
        frames.push_back({0, 0, width, height, 1, qRgb(250, 250, 250)});
        for (int k = 1; k < 10; ++k) {
            SolidFrame f;
            f.left = static_cast<int>(random() % (width - 1));
            f.top = static_cast<int>(random() % (height - 1));
            f.width = 1 + static_cast<int>(random() % static_cast<unsigned>(width - f.left));
            f.height = 1 + static_cast<int>(random() % static_cast<unsigned>(height - f.top));
            f.disposal = 1 + static_cast<int>(random() % 3);
            f.color = qRgb(static_cast<int>(random() % 200), static_cast<int>(random() % 200),
                           static_cast<int>(random() % 200));
            frames.push_back(f);
        }
        World world(frames, width, height);
        for (double scale : {0.5, 0.33, 0.25, 0.7, 0.1}) {
            AnimationCompositor stepping;
            for (int k = 0; k < static_cast<int>(frames.size()); ++k) {
                const QImage image = world.Compose(stepping, k, scale);
                const QString diff =
                    Differences(image, FullComposite(frames, k, width, height), width, scale);
                QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("round %1 at %2, frame %3: %4")
                                                        .arg(round)
                                                        .arg(scale)
                                                        .arg(k)
                                                        .arg(diff)));
            }
        }
    }
}

QTEST_MAIN(tst_Compositor)
#include "tst_compositor.moc"

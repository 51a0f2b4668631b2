// Painting the strip: the preview row with its info line, then one row per visible frame.
#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include "core/edit/FrameEditRules.h"
#include "core/edit/Saving.h"
#include "gui/play/AnimationCompositor.h"
#include "gui/view/CAnvoView.h"
#include "gui/view/DibImage.h"
#include "gui/view/StripArt.h"
#include "gui/view/ViewServices.h"

namespace vorla {
namespace {

QFont PixelFont(int height, int width = 0, bool bold = false) {
    QFont font(QStringLiteral("NanumGothic"));
    font.setPixelSize(height);
    font.setBold(bold);
    if (width > 0) {
        // Narrow digits for three-digit numbers: stretch relative to the face's natural width.
        font.setStretch(width * 100 / 11);
    }
    return font;
}

}  // namespace

void CAnvoView::CheckSharedZoom() {
    // The zoom is shared by every document: a change made in one window reaches this one at its
    // next paint.
    if (table_.frameCount == 0) return;
    const int percent = services_.App().zoomPercent;
    const double wanted = percent >= 100 ? 1.0 : percent * 0.01;
    if (wanted == table_.zoomFactor) return;
    table_.SetZoom(table_.settings.screenWidth, table_.settings.screenHeight, false);
    table_.RebuildDisplayImages(-1, true, true, false);
}

void CAnvoView::paintEvent(QPaintEvent* event) {
    CheckSharedZoom();
    // Paint the damaged part off screen and copy it in one step; rows outside it are skipped.
    const QRect damaged = event->rect();
    QImage canvas(damaged.size(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(ToQColor(colors_.stripBackground));
    {
        QPainter painter(&canvas);
        const int scroll = verticalScrollBar()->value();
        painter.translate(-damaged.left(), -damaged.top() - scroll);
        DrawStrip(painter, damaged.translated(0, scroll));
    }
    QPainter out(viewport());
    out.drawImage(damaged.topLeft(), canvas);
}

void CAnvoView::DrawStrip(QPainter& painter, const QRect& visible) {
    if (table_.frameCount <= 0) return;
    const StripMetrics m = Metrics();
    auto rowVisible = [&](int top, int bottom) {
        return bottom + 10 >= visible.top() && top - 55 <= visible.bottom();
    };
    if (rowVisible(StripMetrics::kPreviewTop - 7, m.InfoLineTop() + 50)) {
        DrawPreviewRow(painter);
    }
    // Only rows that intersect the visible part are drawn: painting cost follows the window,
    // not the animation length.
    int first = std::max(
        0, (visible.top() - m.ImageTop(0) - m.displayHeight - 40) / std::max(1, m.Pitch()));
    for (int k = first; k < table_.frameCount; ++k) {
        int top = m.SelectionTop(k) - 13;
        if (top - 55 > visible.bottom()) break;
        if (rowVisible(top, m.SelectionBottom(k) + 13)) DrawFrameRow(painter, k, visible);
    }
}

void CAnvoView::DrawPreviewRow(QPainter& painter) {
    const StripMetrics m = Metrics();
    if (!table_.loadingScreen && !services_.App().busyGuard) {
        DrawComposite(painter, StripMetrics::kImageLeft, StripMetrics::kPreviewTop, false,
                      ToQColor(colors_.stripBackground));
    }
    DrawPlaybackNumber(painter);
    const StripArt& art = services_.Art();
    const int y = m.InfoLineTop();
    painter.drawPixmap(50, y + 9, art.screenIcon);
    painter.setPen(QColor(40, 44, 52));
    painter.setFont(PixelFont(16));
    painter.drawText(QPoint(93 - 20, y + 6 + 14), QStringLiteral("%1 x %2")
                                                      .arg(table_.settings.screenWidth)
                                                      .arg(table_.settings.screenHeight));
    painter.setFont(PixelFont(13));
    if (table_.zoomFactor != 1.0) {
        painter.drawPixmap(69, y + 28, art.zoomIcon);
        painter.drawPixmap(85, y + 30, art.zoomArrowIcon);
        painter.drawText(QPoint(132 - 32, y + 27 + 12),
                         QStringLiteral("%1%").arg(static_cast<int>(table_.zoomFactor * 100)));
    } else {
        painter.drawPixmap(69, y + 28, art.zoomIcon);
        painter.drawText(QPoint(85, y + 27 + 12), QStringLiteral("100%"));
    }
    painter.drawPixmap(50, y + 28, table_.settings.loopForever ? art.loopIcon : art.onceIcon);
}

void CAnvoView::DrawPlaybackNumber(QPainter& painter) {
    QRect box(15, 33, 30, 30);
    painter.fillRect(box, ToQColor(colors_.stripBackground));
    if (table_.frameCount == 0) return;
    painter.setPen(ToQColor(colors_.headerNumber).darker(170));
    painter.setFont(PixelFont(playbackFrame_ + 1 >= 100 ? 11 : 14, 0, true));
    painter.drawText(box, Qt::AlignCenter, QString::number(playbackFrame_ + 1));
}

void CAnvoView::DrawGapBand(QPainter& painter, int k, bool selected, bool dropMarker) {
    const StripMetrics m = Metrics();
    const int top = m.GapTop(k);
    const int bottom = m.GapBottom(k);
    const int width = std::max(viewport()->width(), table_.childWidth);
    if (selected)
        painter.fillRect(QRect(0, top, width, bottom - top + 1),
                         ToQColor(StripColors::kGapSelection));
    painter.setPen(ToQColor(colors_.separator));
    painter.drawLine(0, top, width, top);
    painter.setPen(ToQColor(StripColors::kSecondGapLine));
    painter.drawLine(0, bottom, width, bottom);
    if (dropMarker) {
        // A bold insertion bar with end caps where the dragged frames will land.
        QColor marker(230, 120, 20);
        painter.fillRect(QRect(30, top + 4, width - 60, 6), marker);
        painter.fillRect(QRect(26, top + 1, 4, 12), marker);
        painter.fillRect(QRect(width - 30, top + 1, 4, 12), marker);
    }
    painter.drawPixmap(10, top + 4, services_.Art().gapIcon);
}

void CAnvoView::DrawFrameRow(QPainter& painter, int k, const QRect&) {
    const StripMetrics m = Metrics();
    const FrameEntry& entry = table_.entries[static_cast<std::size_t>(k)];
    const int y = m.ImageTop(k);
    const int width = std::max(viewport()->width(), table_.childWidth);
    const bool dropHere =
        services_.Drag().active && services_.Drag().targetView == this && hoverHit_.index >= 0;

    if (entry.selected) {
        painter.fillRect(
            QRect(0, m.SelectionTop(k), width, m.SelectionBottom(k) - m.SelectionTop(k)),
            ToQColor(colors_.selection));
    }
    DrawGapBand(painter, k, entry.gapSelected,
                dropHere && hoverHit_.kind == HitResult::kGapBefore && hoverHit_.index == k);
    if (k == table_.frameCount - 1) {
        DrawGapBand(painter, k + 1, table_.gapAfterLastSelected,
                    dropHere && hoverHit_.kind == HitResult::kGapAfterLast);
    }

    // Backdrop behind the logical screen, in 32-pixel tiles cut to the area.
    const QRect area(StripMetrics::kImageLeft, y, table_.displayWidth, table_.displayHeight);
    painter.save();
    painter.setClipRect(area);
    for (int ty = area.top(); ty <= area.bottom(); ty += 32) {
        for (int tx = area.left(); tx <= area.right(); tx += 32)
            painter.drawPixmap(tx, ty, services_.Art().backdrop);
    }
    const CDib& shown = table_.DisplayImage(k);
    if (!shown.IsEmpty()) {
        int x = StripMetrics::kImageLeft + static_cast<int>(entry.left * table_.zoomFactor);
        int top = y + static_cast<int>(entry.top * table_.zoomFactor);
        painter.drawImage(QPoint(x, top), displayCache_.Get(k, shown, entry));
    }
    painter.restore();
    if (dropHere && hoverHit_.kind == HitResult::kFrame && hoverHit_.index == k) {
        painter.setPen(QPen(QColor(230, 120, 20), 3));
        painter.drawRect(area.adjusted(-2, -2, 1, 1));
    }

    // Frame number: narrower from three digits, smaller for low rows.
    const int number = k + 1;
    QFont font = table_.displayHeight < 20 ? PixelFont(22, 7, true)
                 : number >= 100           ? PixelFont(26, 8, true)
                                           : PixelFont(26, 11, true);
    painter.setFont(font);
    painter.setPen(entry.selected ? QColor(20, 24, 30) : QColor(70, 76, 86));
    painter.drawText(QPoint(number >= 100 ? 4 : 12, y - 7 + 24), QString::number(number));

    // Badges along the bottom edge, right of the image.
    const int bx = StripMetrics::kImageLeft + table_.displayWidth - 1 + 15;
    const int by = y + table_.displayHeight - 1 - 8;
    const StripArt& art = services_.Art();
    painter.drawPixmap(bx + 5, by - 4, art.delayIcon);
    painter.setFont(PixelFont(13));
    painter.setPen(QColor(40, 44, 52));
    painter.drawText(QPoint(bx + 18, by + 6), QString::number(edit::DelayOf(entry)));
    if (entry.transparent) painter.drawPixmap(bx + 33 + 14, by - 4, art.transparencyIcon);
    if (entry.restoreBackground) painter.drawPixmap(bx + 46 + 16, by - 4, art.restoreIcon);
    // The frame's bytes in the optimised file, once the worker has measured them: just above
    // the delay badge, which keeps it inside narrow windows.
    const std::int64_t cost = ByteCosts().Cost(k);
    if (cost >= 0) {
        painter.setFont(PixelFont(11));
        painter.setPen(QColor(90, 96, 110));
        painter.drawText(QPoint(bx + 5, by - 9),
                         QString::fromStdString(saving::ShortSize(cost)) + QStringLiteral("B"));
    }
}

void CAnvoView::DrawComposite(QPainter& painter, int x, int y, bool fullSize,
                              const QColor& background) {
    if (table_.frameCount == 0 || table_.loadingScreen || services_.App().busyGuard) return;
    if (!fullSize)
        painter.fillRect(QRect(x, y, table_.displayWidth, table_.displayHeight), background);
    if (table_.frameCount == 1 && !fullSize) {
        if (!playbackPaused) painter.drawPixmap(x, y, services_.Art().placeholder);
        return;
    }
    QSize size = fullSize ? QSize(table_.settings.screenWidth, table_.settings.screenHeight)
                          : QSize(table_.displayWidth, table_.displayHeight);
    AnimationCompositor& compositor = fullSize ? *paneCompositor_ : *previewCompositor_;
    const QImage& image = compositor.Compose(table_, fullSize, playbackFrame_, size, background);
    painter.drawImage(QPoint(x, y), image);
}

void CAnvoView::DrawAnimationFrameToPane(QPainter& painter, const QRect& area) {
    const QColor face = QApplication::palette().color(QPalette::Button);
    painter.fillRect(area, face);
    // An animation larger than the pane is shown whole, scaled down to fit inside the margins.
    const QRect inside = area.adjusted(10, 10, -10, -10);
    const QSize screen(table_.settings.screenWidth, table_.settings.screenHeight);
    if (inside.isEmpty() || screen.isEmpty() ||
        (screen.width() <= inside.width() && screen.height() <= inside.height())) {
        DrawComposite(painter, area.left() + 10, area.top() + 10, true, face);
        return;
    }
    const QSize fitted = screen.scaled(inside.size(), Qt::KeepAspectRatio);
    painter.save();
    painter.translate(inside.topLeft());
    painter.scale(static_cast<double>(fitted.width()) / screen.width(),
                  static_cast<double>(fitted.height()) / screen.height());
    // Nearest-neighbour, as the strip scales its frames: exact colours, and a fraction of the
    // cost of smoothing a full-screen picture at every step.
    DrawComposite(painter, 0, 0, true, face);
    painter.restore();
}

void CAnvoView::UpdatePreviewArea() {
    // Only the preview row and the number box change between playback steps.
    const int scroll = verticalScrollBar()->value();
    const StripMetrics m = Metrics();
    if (m.stripRowHeight + 49 < scroll) return;
    QRect area(0, 33 - scroll, StripMetrics::kImageLeft + table_.displayWidth + 1,
               m.stripRowHeight + 40);
    viewport()->update(area);
}

}  // namespace vorla

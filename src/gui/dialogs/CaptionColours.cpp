#include "gui/dialogs/CaptionColours.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>

namespace vorla {
namespace {

void SetLook(QWidget* widget, const std::optional<CaptionLook>& look) {
    QPalette palette = widget->palette();
    const QPalette standard = QApplication::palette(widget);
    palette.setColor(QPalette::WindowText,
                     look ? look->text : standard.color(QPalette::WindowText));
    const bool filled = look && look->background.isValid();
    palette.setColor(QPalette::Window,
                     filled ? look->background : standard.color(QPalette::Window));
    widget->setAutoFillBackground(filled);
    widget->setPalette(palette);
}

}  // namespace

std::optional<CaptionLook> CaptionLookFor(const QString& text, const QColor& viewCaption) {
    struct Rule {
        const char* word;
        QColor colour;
    };
    // First match wins: the tool hints before the group names.
    const Rule ownColours[] = {
        {"투명색 설정", QColor(24, 88, 207)},  {"여백용", QColor(111, 0, 3)},
        {"컷 위치", QColor(3, 87, 97)},        {"활성화해야", QColor(255, 0, 0)},
        {"사이즈 결정", QColor(224, 36, 232)},
    };
    for (const Rule& rule : ownColours) {
        if (text.contains(QString::fromUtf8(rule.word))) return CaptionLook{rule.colour, QColor()};
    }
    if (text.contains(QStringLiteral("--")))
        return CaptionLook{QColor(255, 255, 0), QColor(0, 0, 0)};
    static const char* const kViewCaptionWords[] = {
        "지연", "처리", "색 팔", "여백", "투명 효과", "확대 정보", "이미지 변경", ",",
    };
    for (const char* word : kViewCaptionWords) {
        if (text.contains(QString::fromUtf8(word))) return CaptionLook{viewCaption, QColor()};
    }
    return std::nullopt;
}

void ApplyCaptionLook(QLabel* label, const QColor& viewCaption) {
    SetLook(label, CaptionLookFor(label->text(), viewCaption));
}

void ApplyCaptionLooks(QWidget* root, const QColor& viewCaption) {
    for (QGroupBox* group : root->findChildren<QGroupBox*>())
        SetLook(group, CaptionLookFor(group->title(), viewCaption));
    // Check boxes and radio buttons inside a coloured group keep the ordinary text colour.
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
        SetLook(button, std::nullopt);
    for (QLabel* label : root->findChildren<QLabel*>()) ApplyCaptionLook(label, viewCaption);
}

}  // namespace vorla

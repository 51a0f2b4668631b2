// The frame dialog picks the colour of a caption by its wording, so that the hint of a tool and
// the names of the field groups stand out the same way wherever they appear.
#pragma once

#include <QColor>
#include <QString>
#include <optional>

class QLabel;
class QWidget;

namespace vorla {

struct CaptionLook {
    QColor text;
    QColor background;  // invalid: transparent
};

// The look of a caption by the first rule its text matches; nullopt keeps the default colours.
// viewCaption is the view's caption colour (StripColors::caption).
std::optional<CaptionLook> CaptionLookFor(const QString& text, const QColor& viewCaption);

// One label after its text changed: its look by the rules, or the default colours again.
void ApplyCaptionLook(QLabel* label, const QColor& viewCaption);

// Every group-box title and label under root. Groups come first: a group's colour would
// otherwise reach the labels inside it through the palette.
void ApplyCaptionLooks(QWidget* root, const QColor& viewCaption);

}  // namespace vorla

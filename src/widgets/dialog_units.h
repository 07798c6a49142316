// Dialog templates give positions in dialog units so that a layout keeps its proportions at
// any font size. As on the system the templates come from: one horizontal unit is a quarter
// of the font's average character width, one vertical unit an eighth of its character height.
#pragma once

#include <QFont>
#include <QRect>

namespace tarnwick {

class DialogUnits {
public:
    DialogUnits(int baseWidth, int baseHeight) : m_baseWidth(baseWidth), m_baseHeight(baseHeight) {}
    // Base units from the font: average width of the 52 Latin letters, rounded; line height.
    static DialogUnits FromFont(const QFont& font);

    int X(int units) const; // horizontal dialog units to pixels, rounded to nearest
    int Y(int units) const; // vertical dialog units to pixels, rounded to nearest
    QRect Rect(int x, int y, int width, int height) const {
        return QRect(X(x), Y(y), X(width), Y(height));
    }
    int BaseWidth() const { return m_baseWidth; }
    int BaseHeight() const { return m_baseHeight; }

private:
    int m_baseWidth;  // pixels, average character width
    int m_baseHeight; // pixels, character height
};

// The font a dialog template names ("MS Sans Serif", 8 points), mapped to the closest
// family installed here (Arial-like metrics first), at the template's size.
QFont DialogTemplateFont();

} // namespace tarnwick

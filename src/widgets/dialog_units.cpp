#include "widgets/dialog_units.h"

#include <QFontMetrics>
#include <QStringList>

namespace tarnwick {

namespace {

// units * base / divisor rounded half away from zero, as MulDiv does.
int Scale(int units, int base, int divisor) {
    const long long product = static_cast<long long>(units) * base;
    const long long half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor
                                         : -((-product + half) / divisor));
}

} // namespace

DialogUnits DialogUnits::FromFont(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int averageWidth = (letters / 26 + 1) / 2;
    return DialogUnits(averageWidth > 0 ? averageWidth : 1,
                       metrics.height() > 0 ? metrics.height() : 1);
}

QFont DialogTemplateFont() {
    static const bool substituted = [] {
        QFont::insertSubstitutions(
            QStringLiteral("MS Sans Serif"),
            QStringList{QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                        QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica"),
                        QStringLiteral("DejaVu Sans")});
        return true;
    }();
    (void)substituted;
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

int DialogUnits::X(int units) const {
    return Scale(units, m_baseWidth, 4);
}

int DialogUnits::Y(int units) const {
    return Scale(units, m_baseHeight, 8);
}

} // namespace tarnwick

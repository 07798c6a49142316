#include "app/clock_display.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>

namespace tarnwick {

namespace {

constexpr int kMargin = 2; // pixels between the frame and the text, all round

class ClockDisplayAccessible final : public QAccessibleWidget {
public:
    explicit ClockDisplayAccessible(CClockDisplay* display)
        : QAccessibleWidget(display, QAccessible::StaticText) {}

    QString text(QAccessible::Text kind) const override {
        auto* display = static_cast<CClockDisplay*>(widget());
        if (kind == QAccessible::Description) {
            return display->SpokenText();
        }
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* ClockDisplayFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(CClockDisplay::staticMetaObject.className()) &&
        object != nullptr && object->isWidgetType()) {
        return new ClockDisplayAccessible(static_cast<CClockDisplay*>(object));
    }
    return nullptr;
}

} // namespace

void InstallClockDisplayAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(ClockDisplayFactory);
        return true;
    }();
    (void)installed;
}

CClockDisplay::CClockDisplay(QWidget* parent) : QFrame(parent) {
    InstallClockDisplayAccessibility();
    setFrameShape(QFrame::Box);
    setFocusPolicy(Qt::TabFocus); // a screen reader's user reaches it with Tab
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QString CClockDisplay::WithoutSeconds(const QString& text) {
    // "... 2026  04:10:54 AM" -> "... 2026  04:10 AM"
    static const QRegularExpression seconds(QStringLiteral("(\\d\\d:\\d\\d):\\d\\d( [AP]M)"));
    QString spoken = text;
    return spoken.replace(seconds, QStringLiteral("\\1\\2"));
}

void CClockDisplay::SetText(const QString& text) {
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = plain.split(QLatin1Char('\n'));
    if (lines == m_lines) {
        return;
    }
    m_lines = std::move(lines);
    update();
    const QString spoken = WithoutSeconds(plain);
    if (spoken != m_spoken) {
        m_spoken = spoken;
        if (QAccessible::isActive()) {
            QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
            QAccessible::updateAccessibility(&changed);
        }
    }
}

void CClockDisplay::SetColours(const QColor& text, const QColor& cells, const QColor& field) {
    m_text = text;
    m_cells = cells;
    m_field = field;
    update();
}

int CClockDisplay::LineWidth(const QString& line) const {
    return fontMetrics().horizontalAdvance(line);
}

QSize CClockDisplay::SizeFor(int widestLine, int lineCount) const {
    const int frame = 2 * (frameWidth() + kMargin);
    // A character's cell reaches a little past its advance in italic and some bold faces.
    const int slack = fontMetrics().averageCharWidth();
    return QSize(widestLine + slack + frame, lineCount * fontMetrics().lineSpacing() + frame);
}

int CClockDisplay::VisibleLineCount(const QStringList& lines) {
    int count = int(lines.size());
    while (count > 0 && lines[count - 1].trimmed().isEmpty()) {
        --count;
    }
    return count;
}

int CClockDisplay::WidestLine(const QStringList& lines) const {
    int widest = 0;
    for (const QString& line : lines) {
        widest = std::max(widest, LineWidth(line));
    }
    return widest;
}

bool CClockDisplay::Fits() const {
    const QSize needed = SizeFor(WidestLine(m_lines), VisibleLineCount(m_lines));
    return needed.width() <= width() && needed.height() <= height();
}

void CClockDisplay::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.fillRect(rect(), m_field);
        const QFontMetrics metrics = fontMetrics();
        const QRect inside = contentsRect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
        int top = inside.top();
        for (const QString& line : m_lines) {
            if (!line.isEmpty()) {
                const int width = metrics.horizontalAdvance(line);
                const int left = inside.left() + (inside.width() - width) / 2;
                painter.fillRect(QRect(left, top, width, metrics.height()), m_cells);
                painter.setPen(m_text);
                painter.drawText(left, top + metrics.ascent(), line);
            }
            top += metrics.lineSpacing();
        }
    }
    QFrame::paintEvent(event); // the frame, over the field
    if (!m_painted && !m_lines.isEmpty()) {
        m_painted = true;
        emit firstPainted();
    }
}

} // namespace tarnwick

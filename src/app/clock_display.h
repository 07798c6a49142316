// The main window's display (control 1001): the clock text, line by line, centred, each line's
// characters on cells of their own colour over a black field. It paints the text itself rather
// than hold it in a text editor, so that
//   - a press or a double-click on it reaches the window (drag, close action), and
//   - a screen reader is told of a change only when the text it reads changes: that text is
//     the display's without the seconds, so it changes once a minute while nothing else does,
//     instead of the whole text being deleted and inserted again every second.
#pragma once

#include <QColor>
#include <QFrame>
#include <QString>
#include <QStringList>

namespace tarnwick {

class CClockDisplay final : public QFrame {
    Q_OBJECT

public:
    explicit CClockDisplay(QWidget* parent = nullptr);

    // Lines separated by "\n" (CR LF is taken as well).
    void SetText(const QString& text);
    QString Text() const { return m_lines.join(QLatin1Char('\n')); }
    // What a screen reader is given: the text without the seconds of its clock lines.
    QString SpokenText() const { return m_spoken; }
    static QString WithoutSeconds(const QString& text);

    void SetColours(const QColor& text, const QColor& cells, const QColor& field);
    QColor TextColour() const { return m_text; }
    QColor CellColour() const { return m_cells; }

    // The size that shows lineCount lines of widestLine pixels without wrapping or clipping.
    QSize SizeFor(int widestLine, int lineCount) const;
    int LineWidth(const QString& line) const;
    int WidestLine(const QStringList& lines) const;
    // The lines up to the last one that shows anything: blank lines at the end need no room.
    static int VisibleLineCount(const QStringList& lines);
    // Lines of the current text that are wider than the display can show.
    bool Fits() const;

signals:
    void firstPainted(); // once, when the first text has been painted

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_painted = false;
    QStringList m_lines;
    QString m_spoken;
    QColor m_text;
    QColor m_cells;
    QColor m_field = Qt::black;
};

// Installs, once per process, the accessible interface of the display.
void InstallClockDisplayAccessibility();

} // namespace tarnwick

// The notification-area icon of the main window: icon 128, the tip, the popup menu. It lives on
// the UI thread only; the icon is added by the first hide and stays until the window goes.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace tarnwick {

class CTrayIcon : public QObject {
    Q_OBJECT

public:
    static constexpr int kTipLength = 63; // characters the tip holds

    // available: whether a notification area exists; null asks QSystemTrayIcon.
    explicit CTrayIcon(QMenu& popupMenu, std::function<bool()> available = {},
                       QObject* parent = nullptr);
    ~CTrayIcon() override;

    bool IsAvailable() const;
    // Adds the icon with the current tip; adding it again does nothing.
    void AddIcon();
    bool HasIcon() const { return m_icon != nullptr; }
    // Cut to 63 characters (never inside a surrogate pair); shown once the icon exists.
    void SetTip(const QString& text);
    const QString& Tip() const { return m_tip; }

signals:
    void openRequested(); // a left click on the icon

private:
    QMenu& m_popupMenu;
    std::function<bool()> m_available;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    QString m_tip;
};

// Each line of the text cut to at most kTipLength UTF-16 units, without splitting a surrogate
// pair.
QString CutTip(const QString& text);

} // namespace tarnwick

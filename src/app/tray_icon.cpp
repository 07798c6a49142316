#include "app/tray_icon.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QToolTip>

#include "platform/product.h"
#include "widgets/app_icon.h"

namespace tarnwick {

QString CutTip(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.size() > CTrayIcon::kTipLength) {
            qsizetype length = CTrayIcon::kTipLength;
            if (line.at(length - 1).isHighSurrogate()) {
                --length;
            }
            line.truncate(length);
        }
    }
    return lines.join(QLatin1Char('\n'));
}

CTrayIcon::CTrayIcon(QMenu& popupMenu, std::function<bool()> available, QObject* parent)
    : QObject(parent), m_popupMenu(popupMenu), m_available(std::move(available)) {}

CTrayIcon::~CTrayIcon() = default;

bool CTrayIcon::IsAvailable() const {
    return m_available ? m_available() : QSystemTrayIcon::isSystemTrayAvailable();
}

void CTrayIcon::AddIcon() {
    if (m_icon != nullptr) {
        return;
    }
    // The item's title is the application name (CClockApp sets the product's). The icon is
    // the installed theme icon by name, so that a panel draws the scalable one at its own
    // size, with the pixmaps where the theme has none (a build tree, a portable copy).
    m_icon = std::make_unique<QSystemTrayIcon>(
        QIcon::fromTheme(QString::fromLatin1(kApplicationId), AppIcon()));
    m_icon->setToolTip(m_tip);
    m_icon->setContextMenu(&m_popupMenu); // the right button
    connect(m_icon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    emit openRequested();
                }
            });
    m_icon->show();
}

void CTrayIcon::SetTip(const QString& text) {
    const QString tip = CutTip(text);
    if (tip == m_tip) {
        return;
    }
    // An icon embedded in an X11 tray shows its tip as a Qt tool tip, which keeps the text it
    // opened with: the tip on screen is refreshed in place, or its time would stand still.
    const bool tipShown = QToolTip::isVisible() && QToolTip::text() == m_tip;
    m_tip = tip;
    if (m_icon != nullptr) {
        m_icon->setToolTip(m_tip);
    }
    if (tipShown) {
        QToolTip::showText(QCursor::pos(), m_tip);
    }
}

} // namespace tarnwick

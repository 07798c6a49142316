#include "app/tray_icon.h"

#include <QMenu>
#include <QSystemTrayIcon>

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
    m_icon = std::make_unique<QSystemTrayIcon>(AppIcon());
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
    m_tip = tip;
    if (m_icon != nullptr) {
        m_icon->setToolTip(m_tip);
    }
}

} // namespace tarnwick

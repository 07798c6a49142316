#include "app/splash_dlg.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include "widgets/app_icon.h"

namespace tarnwick {

const char* const CSplashDlg::kFirstPicture = ":/splash/splash-1.svg";
const char* const CSplashDlg::kSecondPicture = ":/splash/splash-2.svg";

CSplashDlg::CSplashDlg(const QString& firstPicture, const QString& secondPicture, int stepMs,
                       QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_second(secondPicture) {
    AppIcon(); // registers the resources
    setObjectName(QStringLiteral("144"));
    setFixedSize(kPictureWidth + 2, kPictureHeight + 2);
    m_picture = new QLabel(this);
    m_picture->setObjectName(QString::number(kIdPicture));
    m_picture->setGeometry(1, 1, kPictureWidth, kPictureHeight);
    ShowPicture(firstPicture);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->geometry();
        move(desktop.x() + desktop.width() / 2 - kPictureWidth / 2,
             desktop.y() + desktop.height() / 2 - kPictureHeight / 2);
    }

    m_step.setSingleShot(true);
    connect(&m_step, &QTimer::timeout, this, [this, stepMs] {
        if (m_current != m_second) {
            ShowPicture(m_second);
            m_step.start(stepMs);
        } else {
            m_front.stop();
            reject();
        }
    });
    m_step.start(stepMs);
    connect(&m_front, &QTimer::timeout, this, [this] {
        if (isVisible() && !isActiveWindow()) {
            raise();
            activateWindow();
        }
    });
    m_front.start(100);
}

void CSplashDlg::ShowPicture(const QString& path) {
    m_current = path;
    const QPixmap picture(path);
    if (!picture.isNull()) {
        m_picture->setPixmap(picture);
        m_picture->repaint();
    }
}

void CSplashDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event); // Escape: reject
}

void CSplashDlg::mouseDoubleClickEvent(QMouseEvent*) {
    // A double-click does nothing.
}

void CSplashDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this); // the thin border
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace tarnwick

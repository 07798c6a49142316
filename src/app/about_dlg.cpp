#include "app/about_dlg.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

#include "widgets/app_icon.h"
#include "widgets/dialog_units.h"

namespace tarnwick {

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_icon(new QLabel(this)),
      m_version(new QLabel(QString::fromLatin1(kVersionText), this)),
      m_ok(new QPushButton(tr("OK"), this)) {
    setObjectName(QStringLiteral("100"));
    setModal(true);
    setWindowTitle(QStringLiteral("About Tarnwick"));
    setWindowIcon(AppIcon());
    setFont(DialogTemplateFont());

    const DialogUnits units = DialogUnits::FromFont(font());
    resize(units.X(235), units.Y(55));

    m_icon->setObjectName(QString::number(kIdIcon));
    const QRect iconRect = units.Rect(11, 17, 20, 20);
    const int side = std::min(iconRect.width(), iconRect.height());
    m_icon->setGeometry(iconRect.x(), iconRect.y(), side, side);
    m_icon->setPixmap(AppIcon().pixmap(side, side));

    m_version->setObjectName(QString::number(kIdVersion));
    m_version->setGeometry(units.Rect(40, 10, 119, 8).adjusted(0, 0, 0, 4));

    m_ok->setObjectName(QString::number(kIdOk));
    m_ok->setGeometry(units.Rect(178, 7, 50, 16));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
}

void CAboutDlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // Without a caption the window manager draws no border either: draw a thin one.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace tarnwick

#include "widgets/qt_url_opener.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMetaObject>
#include <QThread>
#include <QUrl>

namespace tarnwick {

bool QtUrlOpener::Open(const std::string& text) {
    const QUrl url(QString::fromStdString(text), QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        return false;
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        return false;
    }
    if (QThread::currentThread() == app->thread()) {
        return QDesktopServices::openUrl(url);
    }
    QMetaObject::invokeMethod(
        app, [url] { QDesktopServices::openUrl(url); }, Qt::QueuedConnection);
    return true;
}

} // namespace tarnwick

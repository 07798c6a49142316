// For the Qt tests: a control found by its objectName, and an action on the next modal window
// (for a dialog that a test opens with exec()).
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace tarnwick::test {

// The child of parent named name; the test program stops when there is none.
template <class W> W* Child(const QObject& parent, const QString& name) {
    W* child = parent.findChild<W*>(name);
    if (child == nullptr) {
        qFatal("no control %s", qPrintable(name));
    }
    return child;
}
template <class W> W* Child(const QObject& parent, int id) {
    return Child<W>(parent, QString::number(id));
}

// Calls act with the next modal window once it is up, polling every 10 ms for two seconds.
inline void OnNextModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr && ++*tries < 200) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        if (modal != nullptr) {
            act(modal);
        }
    });
    timer->start(10);
}

} // namespace tarnwick::test

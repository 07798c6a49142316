#include "widgets/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QThread>

#include "widgets/core_text.h"

namespace tarnwick {

namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageAnswer QtMessageBox::Show(const std::string& text, const std::string& caption,
                                 MessageButtons buttons, MessageIcon icon) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        // No UI at all (should not happen in the clock): answer as a closed box would.
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
    }
    if (QThread::currentThread() == app->thread()) {
        return ShowHere(text, caption, buttons, icon);
    }
    MessageAnswer answer = MessageAnswer::No;
    QMetaObject::invokeMethod(
        app, [&] { answer = ShowHere(text, caption, buttons, icon); },
        Qt::BlockingQueuedConnection);
    return answer;
}

MessageAnswer QtMessageBox::ShowHere(const std::string& text, const std::string& caption,
                                     MessageButtons buttons, MessageIcon icon) {
    QMessageBox box(ToQtIcon(icon), FromCoreText(caption), FromCoreText(text),
                    buttons == MessageButtons::Ok ? QMessageBox::Ok
                                                  : (QMessageBox::Yes | QMessageBox::No),
                    m_parent);
    // Texts may come from files and servers: never read as rich text.
    box.setTextFormat(Qt::PlainText);
    if (m_parent == nullptr && qApp != nullptr) {
        box.setWindowIcon(QApplication::windowIcon());
    }
    const int result = box.exec();
    if (buttons == MessageButtons::Ok) {
        return MessageAnswer::Ok;
    }
    return result == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

} // namespace tarnwick

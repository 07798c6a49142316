#include "widgets/worker_messages.h"

#include <QMetaObject>
#include <QObject>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace tarnwick {

MessageAnswer UiThreadMessages::Show(const std::string& text, const std::string& caption,
                                     MessageButtons buttons, MessageIcon icon) {
    struct Pending {
        std::mutex mutex;
        std::condition_variable_any answered;
        bool done = false;
        MessageAnswer answer = MessageAnswer::No;
    };
    auto pending = std::make_shared<Pending>();
    IMessageBox* target = &m_target;
    // Dropped by Qt when the context goes first, and not shown once the worker gave up.
    QMetaObject::invokeMethod(
        m_context,
        [=, stop = m_stop] {
            if (stop.stop_requested()) {
                return;
            }
            const MessageAnswer answer = target->Show(text, caption, buttons, icon);
            std::lock_guard<std::mutex> lock(pending->mutex);
            pending->answer = answer;
            pending->done = true;
            pending->answered.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(pending->mutex);
    pending->answered.wait(lock, m_stop, [&] { return pending->done; });
    if (!pending->done) {
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
    }
    return pending->answer;
}

} // namespace tarnwick

// A message box for worker threads: each message is shown on the context object's (UI)
// thread and the worker waits for the answer, or for its stop token. A program that ends
// while a worker waits for its prompt neither hangs nor takes the prompt as answered.
#pragma once

#include <stop_token>
#include <string>

#include "platform/message_box.h"

class QObject;

namespace tarnwick {

class UiThreadMessages final : public IMessageBox {
public:
    // target is called on context's thread; both outlive every Show. When the stop is
    // requested (or context goes) before the user answers, Show returns No (Ok for an
    // Ok-only box).
    UiThreadMessages(IMessageBox& target, QObject* context, std::stop_token stop)
        : m_target(target), m_context(context), m_stop(std::move(stop)) {}

    MessageAnswer Show(const std::string& text, const std::string& caption, MessageButtons buttons,
                       MessageIcon icon) override;

private:
    IMessageBox& m_target;
    QObject* m_context;
    std::stop_token m_stop;
};

} // namespace tarnwick

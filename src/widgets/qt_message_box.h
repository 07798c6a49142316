// Message boxes for the clock: QMessageBox on the UI thread. A call from a worker thread (the
// time check, the update check) waits while the UI thread shows the box, then returns the
// user's answer.
#pragma once

#include <QWidget>

#include "platform/message_box.h"

namespace tarnwick {

class QtMessageBox final : public IMessageBox {
public:
    // parent may be null (a box with no owner window, as at start-up).
    explicit QtMessageBox(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }

    MessageAnswer Show(const std::string& text, const std::string& caption, MessageButtons buttons,
                       MessageIcon icon) override;

private:
    MessageAnswer ShowHere(const std::string& text, const std::string& caption,
                           MessageButtons buttons, MessageIcon icon);
    QWidget* m_parent;
};

} // namespace tarnwick

#include "platform/message_box.h"

#include <cstdio>

namespace tarnwick {

MessageAnswer RecordingMessageBox::Show(const std::string& text, const std::string& caption,
                                        MessageButtons buttons, MessageIcon icon) {
    shown.push_back({text, caption, buttons, icon});
    if (buttons == MessageButtons::Ok) {
        return MessageAnswer::Ok;
    }
    if (m_script.empty()) {
        return MessageAnswer::No;
    }
    MessageAnswer answer = m_script.front();
    m_script.erase(m_script.begin());
    return answer;
}

MessageAnswer StderrMessageBox::Show(const std::string& text, const std::string& caption,
                                     MessageButtons buttons, MessageIcon) {
    if (caption.empty()) {
        std::fprintf(stderr, "%s\n", text.c_str());
    } else {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
}

} // namespace tarnwick

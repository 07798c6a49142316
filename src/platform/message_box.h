// Every message the program shows the user goes through this interface: the clock marshals
// it to the UI thread, tests record the texts and script the answers, the command line
// prints to stderr.
#pragma once

#include <string>
#include <vector>

#include "platform/product.h"

namespace tarnwick {

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Information, Exclamation, Question, Stop };
enum class MessageAnswer { Ok, Yes, No };

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    virtual MessageAnswer Show(const std::string& text, const std::string& caption,
                               MessageButtons buttons, MessageIcon icon) = 0;
};

// Records every message and answers from a script (Ok, or Yes/No as scripted; No when the
// script is empty and a question is asked).
class RecordingMessageBox final : public IMessageBox {
public:
    struct Shown {
        std::string text;
        std::string caption;
        MessageButtons buttons;
        MessageIcon icon;
    };
    MessageAnswer Show(const std::string& text, const std::string& caption, MessageButtons buttons,
                       MessageIcon icon) override;
    void ScriptAnswer(MessageAnswer answer) { m_script.push_back(answer); }

    std::vector<Shown> shown;

private:
    std::vector<MessageAnswer> m_script;
};

// Writes "caption: text" to stderr; questions are answered No.
class StderrMessageBox final : public IMessageBox {
public:
    MessageAnswer Show(const std::string& text, const std::string& caption, MessageButtons buttons,
                       MessageIcon icon) override;
};

} // namespace tarnwick

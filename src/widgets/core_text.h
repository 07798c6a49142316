// The one encoding rule between the core and the widgets. The core hands out bytes as files and
// the database hold them (UTF-8, or Latin-1 in files written by older copies of the clock);
// the widgets show QString. Bytes that are valid UTF-8 are read as UTF-8, any others as
// Latin-1, and text that comes back unedited is handed back byte for byte, so opening a dialog
// and pressing Save changes nothing in a file.
#pragma once

#include <QString>

#include <string>
#include <string_view>

class QLineEdit;

namespace tarnwick {

// UTF-8 when bytes are valid UTF-8 (a byte-order mark included), else Latin-1.
QString FromCoreText(std::string_view bytes);

// The bytes for text. shown: the bytes the widget was given, returned as they are when text is
// what they show. Other text is UTF-8, except that text typed over Latin-1 bytes stays Latin-1
// where every character has a Latin-1 byte and those bytes cannot be taken for UTF-8; so
// FromCoreText(ToCoreText(text, shown)) == text for any shown.
std::string ToCoreText(const QString& text, std::string_view shown = {});

// For line edits (an editable combo box's too): shows bytes and keeps them with the widget, so
// that CoreText gives them back as they were while the text is unedited.
void SetCoreText(QLineEdit* edit, std::string_view bytes);
std::string CoreText(const QLineEdit* edit);

} // namespace tarnwick

#include "widgets/core_text.h"

#include <QByteArray>
#include <QLineEdit>
#include <QStringDecoder>
#include <QVariant>

namespace tarnwick {

namespace {

// The dynamic property that holds the bytes a line edit was given.
constexpr char kShownBytes[] = "tarnwickCoreBytes";

bool IsUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    [[maybe_unused]] const QString ignored = decoder(bytes);
    return !decoder.hasError();
}

QByteArrayView View(std::string_view bytes) {
    return QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

bool FitsLatin1(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() > 0xFF) {
            return false;
        }
    }
    return true;
}

} // namespace

QString FromCoreText(std::string_view bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder(View(bytes));
    if (decoder.hasError()) {
        text = QString::fromLatin1(View(bytes));
    }
    return text;
}

std::string ToCoreText(const QString& text, std::string_view shown) {
    if (FromCoreText(shown) == text) {
        return std::string(shown);
    }
    if (!IsUtf8(View(shown)) && FitsLatin1(text)) {
        const QByteArray latin1 = text.toLatin1();
        if (!IsUtf8(latin1)) {
            return latin1.toStdString();
        }
    }
    return text.toUtf8().toStdString();
}

void SetCoreText(QLineEdit* edit, std::string_view bytes) {
    edit->setProperty(kShownBytes, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    edit->setText(FromCoreText(bytes));
}

std::string CoreText(const QLineEdit* edit) {
    const QByteArray shown = edit->property(kShownBytes).toByteArray();
    return ToCoreText(edit->text(), std::string_view(shown.constData(), shown.size()));
}

} // namespace tarnwick

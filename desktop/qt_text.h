// Texts between the window model (UTF-8 std::string) and Qt.
#pragma once

#include <QString>
#include <string>

namespace kvt::desktop {

inline QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// Captions keep the "&" of their mnemonic; a plain label shows the text without it.
inline QString withoutMnemonic(const std::string& caption) {
    QString text = q(caption);
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

}  // namespace kvt::desktop

#pragma once
// Language texts as QString.
#include "ui/settings/LangString.h"
#include "ui/settings/LangText.h"

#include <QString>

#include <string>
#include <string_view>

inline QString ToQ(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}
inline QString ToQ(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
inline std::u16string ToU16(const QString& text) {
    return text.toStdU16String();
}
// The text of a key in the active language.
inline QString TextOf(unsigned key) {
    return ToQ(LangText(key));
}

#pragma once

#include <QByteArrayView>
#include <QString>

#include <algorithm>
#include <optional>

// Whether every byte of `text` is ASCII: UTF-8 that Latin-1 reads alike, which needs no decoder.
inline bool IsAscii(QByteArrayView text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return uchar(c) < 0x80; });
}

// True for a character that an XML 1.0 document can hold: tab, line feed, carriage return and
// everything from U+0020 on except the surrogates, U+FFFE and U+FFFF.
bool IsXmlCharacter(char32_t character);

// The first character of `text` that an XML 1.0 document cannot hold (a control character other
// than tab, line feed and carriage return, U+FFFE, U+FFFF, or half of a surrogate pair), or nothing
// when every character can be stored.
std::optional<char32_t> FirstCharacterXmlCannotStore(QStringView text);

// "U+0001": how messages name a character.
QString CharacterName(char32_t character);

#pragma once

#include <QString>
#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <cstring>

// A hash of a text's UTF-16 code units for the program's own tables of ids and names, where
// Qt's qHash(QString) costs more than the lookup it serves: it reads eight bytes at a time and
// needs no seed. The same text gives the same value in every run, so the tables must never hold
// keys that an attacker chooses in bulk and that a slow lookup would hurt; the program's files
// are trusted input of a size it limits.
inline std::size_t FastStringHash(QStringView text) noexcept {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    const auto* at = reinterpret_cast<const unsigned char*>(text.utf16());
    std::size_t left = std::size_t(text.size()) * sizeof(char16_t);
    std::uint64_t hash = left * kMultiplier;
    // Each step is a bijection of the word for a given state: two texts that differ in one word
    // only never collide.
    const auto mix = [&hash](std::uint64_t word) {
        hash = (hash ^ word) * kMultiplier;
        hash = hash << 31 | hash >> 33;
    };
    for (; left >= 8; left -= 8, at += 8) {
        std::uint64_t word;
        std::memcpy(&word, at, 8);
        mix(word);
    }
    if (left > 0) {
        std::uint64_t word = 0;
        std::memcpy(&word, at, left);
        mix(word);
    }
    // The finalizer of MurmurHash3: every bit of the state reaches the low bits, which a table
    // with a power-of-two size takes.
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 33;
    hash *= 0xC4CEB9FE1A85EC53ull;
    hash ^= hash >> 33;
    return std::size_t(hash);
}

// FastStringHash for the standard containers, with lookup by any text without a QString:
// std::unordered_map<QString, V, FastStringHasher, std::equal_to<>> finds a QStringView.
struct FastStringHasher {
    using is_transparent = void;
    std::size_t operator()(QStringView text) const noexcept { return FastStringHash(text); }
    std::size_t operator()(const QString& text) const noexcept { return FastStringHash(text); }
};

#include "platform/TextArena.h"

#include <algorithm>

char16_t* TextArena::Room(qsizetype size) {
    if (size > kBlockSize / 4) {
        // A long text gets a block of its own, ahead of the one being filled.
        auto own = std::make_unique_for_overwrite<char16_t[]>(std::size_t(size));
        char16_t* room = own.get();
        mBlocks.insert(mBlocks.empty() ? mBlocks.end() : mBlocks.end() - 1, std::move(own));
        return room;
    }
    if (kBlockSize - mUsed < size) {
        mBlocks.push_back(std::make_unique_for_overwrite<char16_t[]>(std::size_t(kBlockSize)));
        mUsed = 0;
    }
    char16_t* room = mBlocks.back().get() + mUsed;
    mUsed += size;
    return room;
}

QStringView TextArena::Add(QStringView text) {
    if (text.isEmpty()) {
        return QStringView(u"", 0);
    }
    char16_t* room = Room(text.size());
    std::copy(text.utf16(), text.utf16() + text.size(), room);
    return QStringView(room, text.size());
}

QStringView TextArena::AddAscii(QByteArrayView text) {
    if (text.isEmpty()) {
        return QStringView(u"", 0);
    }
    char16_t* room = Room(text.size());
    std::transform(text.begin(), text.end(), room, [](char c) { return char16_t(uchar(c)); });
    return QStringView(room, text.size());
}

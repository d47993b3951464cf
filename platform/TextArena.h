#pragma once

#include <QByteArrayView>
#include <QStringView>

#include <memory>
#include <vector>

// Many short texts kept one after another in blocks that never move: a view of one stays valid
// for as long as the arena lives, however many come after it, and moving the arena moves none of
// them. For the labels, ids and values of a large configuration, where a QString each costs an
// allocation and a header apiece.
class TextArena {
  public:
    // A copy of `text`.
    QStringView Add(QStringView text);
    // A copy of the ASCII `text`, widened. REQUIRES: every byte is below 0x80.
    QStringView AddAscii(QByteArrayView text);

  private:
    static constexpr qsizetype kBlockSize = 16384;  // in UTF-16 code units: 32 KiB

    // Room for `size` code units, where they will not move.
    char16_t* Room(qsizetype size);

    std::vector<std::unique_ptr<char16_t[]>> mBlocks;
    qsizetype mUsed = kBlockSize;  // of the last block
};

#pragma once

#include "settings/Substitution.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

// The ids of a list of substitutions as a byte trie: one walk from a byte of a text finds every id
// that starts there.
//
// Each distinct non-empty id has a number, its terminal: the distinct ids in byte order are
// numbered from 0. Several substitutions may have the same id; PassesOf lists them. An empty id
// replaces nothing and is left out.
//
// One structure serves ids of one length and of many, ids of megabytes and ids that start others
// alike. A run of bytes without a branch or an id's end is one node's label, so an id of megabytes
// costs a node, not a node per byte; the first eight bytes of a label sit in its node and are
// compared with the text in one load, and only a longer label needs to say where it lies. The
// children of a node are consecutive nodes in byte order, indexed by byte: directly when they
// fill their range of bytes, as the digits of numbered names do, through a table of offsets
// otherwise. For $(HOST), $(PORT) and $(URL) (terminals 0, 1, 2) the root has one child, by "$",
// labelled "("; that node has three, by "H", "P" and "U", labelled "OST)", "ORT)" and "RL)", which
// end the ids 0, 1 and 2.
class SubstitutionTrie {
  public:
    static constexpr uint32_t kNone = UINT32_MAX;

    // REQUIRES: `substitutions` outlives the trie unchanged; the labels point into its ids.
    explicit SubstitutionTrie(const std::vector<Substitution>& substitutions);

    // The number of distinct non-empty ids; 0 when nothing is ever replaced.
    std::size_t TerminalCount() const { return mTerminals.size(); }
    // The number of substitutions with a non-empty id: the passes that can change anything.
    std::size_t ActivePasses() const { return mPasses.size(); }
    std::size_t Longest() const { return mLongest; }
    bool StartsId(char c) const { return mStartsId[static_cast<uint8_t>(c)]; }
    // Whether the terminal's id holds, after its first byte, a byte that starts an id: then
    // another id may start inside one of its occurrences.
    bool HasInnerStart(uint32_t terminal) const { return mInnerStart[terminal]; }
    // The indices in the substitution list of those with the terminal's id, ascending.
    std::span<const uint32_t> PassesOf(uint32_t terminal) const {
        return {mPasses.data() + mTerminals[terminal].firstPass, mTerminals[terminal].passCount};
    }

    // Walks the trie from the byte at `at` (which must be before `end`): calls onId(length,
    // terminal) for every id that [at, end) starts with, shortest first, and returns how many
    // bytes the walk went through: at least 1, at most one more than the longest id. What it finds
    // depends on those bytes and the one after them, and on no byte beyond.
    template <class OnId>
    std::size_t Match(const char* at, const char* end, OnId&& onId) const;
    // Whether [at, end) is a proper prefix of an id: some id starts with it and goes on.
    bool StartsAnIdBeyond(const char* at, const char* end) const;
    // Calls onStart(at) for every byte of [begin, end) that an id starts with, in order, while
    // onStart returns true.
    template <class OnStart>
    void ForEachStart(const char* begin, const char* end, OnStart&& onStart) const;

  private:
    // Small, so that a walk touches few cache lines.
    struct Node {
        uint64_t labelHead = 0;  // the label's first eight bytes, loaded as the text's are
        uint32_t labelLength = 0;
        uint32_t firstChild = 0;
        uint32_t terminal = kNone;
        // The children's edge bytes lie in [lowByte, lowByte + span). When some byte in that
        // range has no child, mChildOffsets[offsets + byte - lowByte] is the child's offset from
        // firstChild, and 0 for a byte without one; otherwise offsets is kNone.
        uint32_t offsets = kNone;
        uint16_t span = 0;
        uint8_t lowByte = 0;
        uint8_t edgeByte = 0;
        // A label longer than its head is read on from mLongLabels[longLabel], within an id.
        uint32_t longLabel = kNone;
    };
    static_assert(sizeof(Node) == 32);
    // The head and the text are compared as words whose low byte comes first.
    static_assert(std::endian::native == std::endian::little);
    // One distinct id: its substitutions are mPasses[firstPass, firstPass + passCount).
    struct Terminal {
        uint32_t firstPass = 0;
        uint32_t passCount = 0;
    };
    struct IdRange;
    using Ids = std::vector<std::string_view>;

    Ids GroupPassesById(const std::vector<Substitution>& substitutions);
    std::size_t CountDistinctIds(const std::vector<Substitution>& substitutions) const;
    static std::size_t CountNodes(const Ids& ids);
    void NoteIdStarts(const Ids& ids);
    void Build(const Ids& ids);
    std::size_t SetLabel(const Ids& ids, const IdRange& range);
    void AddChildren(const Ids& ids, const IdRange& range, std::vector<IdRange>& stack);
    void IndexChildren(uint32_t node);

    uint32_t Child(const Node& node, uint8_t byte) const;
    std::size_t SameLabelBytes(uint32_t node, const char* at, const char* end) const;

    std::vector<Node> mNodes;              // mNodes[0] is the root
    std::vector<const char*> mLongLabels;  // where the labels of more than eight bytes lie
    std::vector<uint8_t> mChildOffsets;
    std::vector<Terminal> mTerminals;
    std::vector<uint32_t> mPasses;
    std::array<bool, 256> mStartsId{};
    std::vector<bool> mInnerStart;  // by terminal
    int mOnlyStartByte = -1;        // set when all ids start with the same byte
    std::size_t mLongest = 0;
};

// The walk is the engine's innermost loop; it stays in the header to be inlined.

inline uint32_t SubstitutionTrie::Child(const Node& node, uint8_t byte) const {
    const auto index = static_cast<unsigned>(byte - node.lowByte);
    if (index >= node.span) {
        return kNone;
    }
    if (node.offsets == kNone) {
        return node.firstChild + index;  // every byte in the range has a child
    }
    // A byte without a child has offset 0, which leads to the first child: its edge byte tells.
    const uint32_t child = node.firstChild + mChildOffsets[node.offsets + index];
    return mNodes[child].edgeByte == byte ? child : kNone;
}

// How many bytes of the node's label [at, end) starts with: all of them when it starts with the
// label.
inline std::size_t SubstitutionTrie::SameLabelBytes(uint32_t index, const char* at,
                                                    const char* end) const {
    const Node& node = mNodes[index];
    const auto available = static_cast<std::size_t>(end - at);
    const std::size_t length = std::min<std::size_t>(node.labelLength, available);
    std::size_t same = 0;
    if (available < 8) {
        while (same < length && static_cast<uint8_t>(at[same]) ==
                                    static_cast<uint8_t>(node.labelHead >> (8 * same))) {
            ++same;
        }
        return same;
    }
    uint64_t word;
    std::memcpy(&word, at, 8);
    const uint64_t diff = word ^ node.labelHead;
    if (node.labelLength <= 8 && diff << (64 - 8 * node.labelLength) == 0) {
        return node.labelLength;
    }
    if (diff != 0) {
        return std::countr_zero(diff) / 8;  // within the label, or it would have matched
    }
    // The rest of a long label, a word at a time.
    const char* label = mLongLabels[node.longLabel];
    for (same = 8; same + 8 <= length; same += 8) {
        uint64_t labelWord;
        std::memcpy(&word, at + same, 8);
        std::memcpy(&labelWord, label + same, 8);
        if (word != labelWord) {
            return same + std::countr_zero(word ^ labelWord) / 8;
        }
    }
    while (same < length && at[same] == label[same]) {
        ++same;
    }
    return same;
}

template <class OnId>
std::size_t SubstitutionTrie::Match(const char* at, const char* end, OnId&& onId) const {
    uint32_t node = Child(mNodes[0], static_cast<uint8_t>(*at));
    const char* next = at + 1;
    while (node != kNone) {
        const Node& current = mNodes[node];
        if (current.labelLength > 0) {
            const std::size_t same = SameLabelBytes(node, next, end);
            next += same;
            if (same < current.labelLength) {
                break;
            }
        }
        if (current.terminal != kNone) {
            onId(static_cast<std::size_t>(next - at), current.terminal);
        }
        if (next == end) {
            break;
        }
        node = Child(current, static_cast<uint8_t>(*next++));
    }
    return static_cast<std::size_t>(next - at);
}

template <class OnStart>
void SubstitutionTrie::ForEachStart(const char* begin, const char* end, OnStart&& onStart) const {
    if (mOnlyStartByte >= 0) {
        for (const char* at = begin; at < end; ++at) {
            at = static_cast<const char*>(std::memchr(at, mOnlyStartByte, end - at));
            if (at == nullptr || !onStart(at)) {
                return;
            }
        }
        return;
    }
    for (const char* at = begin; at < end; ++at) {
        if (mStartsId[static_cast<uint8_t>(*at)] && !onStart(at)) {
            return;
        }
    }
}

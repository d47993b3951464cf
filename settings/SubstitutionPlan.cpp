#include "settings/SubstitutionPlan.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace {

constexpr uint32_t kNone = UINT32_MAX;
constexpr size_t kNoPosition = SIZE_MAX;

std::string_view View(const QByteArray& bytes) {
    return std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace

// The ids as a byte trie, the one structure that serves ids of one length and of many, ids of
// megabytes and ids that start others alike. A run of bytes without a branch or an id's end is one
// node's label, so an id of megabytes costs a node, not a node per byte; the first eight bytes of a
// label sit in its node and are compared with the text in one load. The children of a node are
// consecutive nodes in byte order, indexed by byte: directly when they fill their range of bytes,
// as the digits of numbered names do, through a table of offsets otherwise.
struct SubstitutionPlan::Impl {
    // Small, so that a walk touches few cache lines.
    struct Node {
        uint64_t labelHead = 0;  // the label's first eight bytes, loaded as the text's are
        uint32_t labelLength = 0;
        uint32_t firstChild = 0;
        uint32_t terminal = kNone;
        // The children's edge bytes lie in [lowByte, lowByte + span). When some byte in that
        // range has no child, childOffsets[offsets + byte - lowByte] is the child's offset from
        // firstChild, and 0 for a byte without one; otherwise offsets is kNone.
        uint32_t offsets = kNone;
        uint16_t span = 0;
        uint8_t lowByte = 0;
        uint8_t edgeByte = 0;
    };
    static_assert(sizeof(Node) == 32);
    // The head and the text are compared as words whose low byte comes first.
    static_assert(std::endian::native == std::endian::little);
    // A label this long is cut in two, so that its length fits the node.
    static constexpr size_t kMaxLabel = UINT32_MAX;
    // One distinct id: the ascending indices of the substitutions that replace it are
    // passes[firstPass, firstPass + passCount).
    struct Terminal {
        uint32_t firstPass = 0;
        uint32_t passCount = 0;
    };
    class Run;

    Impl(std::vector<Substitution> list, size_t pieceBytes);

    // The distinct ids in byte order; terminals[i] is the one for ids[i].
    using Ids = std::vector<std::string_view>;
    // The ids [lo, hi), which share their first `depth` bytes, below `node`.
    struct IdRange {
        uint32_t node, lo, hi;
        size_t depth;
    };
    Ids GroupPassesById();
    void NoteIdStarts(const Ids& ids);
    void BuildTrie(const Ids& ids);
    size_t SetLabel(const Ids& ids, const IdRange& range);
    void AddChildren(const Ids& ids, const IdRange& range, std::vector<IdRange>& stack);
    void IndexChildren(uint32_t node);

    uint32_t Child(const Node& node, uint8_t byte) const;
    size_t SameLabelBytes(uint32_t node, const char* at, const char* end) const;
    // Calls onId(length, terminal) for every id that starts at `at`, shortest first, and returns
    // the number of bytes looked at, at least 1.
    template <class OnId>
    size_t Match(const char* at, const char* end, OnId&& onId) const;
    // Whether [at, end) is a proper prefix of an id: some id starts with it and goes on.
    bool StartsAnIdBeyond(const char* at, const char* end) const;
    template <class OnStart>
    void ForEachStart(const char* begin, const char* end, OnStart&& onStart) const;

    std::vector<Substitution> substitutions;
    size_t pieceBytes;
    std::vector<Node> nodes;          // nodes[0] is the root
    std::vector<const char*> labels;  // where each node's label lies, within an id
    std::vector<uint8_t> childOffsets;
    std::vector<Terminal> terminals;
    std::vector<uint32_t> passes;
    std::array<bool, 256> startsId{};
    std::vector<bool> innerStart;  // by terminal: an id could start inside one of its occurrences
    int onlyStartByte = -1;        // set when all ids start with the same byte
    size_t longest = 0;
    size_t activePasses = 0;  // substitutions with a non-empty id
};

SubstitutionPlan::Impl::Impl(std::vector<Substitution> list, size_t pieceBytes)
    : substitutions(std::move(list)), pieceBytes(std::max<size_t>(pieceBytes, 1)) {
    const Ids ids = GroupPassesById();
    NoteIdStarts(ids);
    BuildTrie(ids);
}

// Sorts the substitutions with a non-empty id by id, each run of equal ids in list order, into
// passes and terminals, and returns the distinct ids in that order.
SubstitutionPlan::Impl::Ids SubstitutionPlan::Impl::GroupPassesById() {
    for (size_t i = 0; i < substitutions.size(); ++i) {
        if (!substitutions[i].id.isEmpty()) {
            passes.push_back(static_cast<uint32_t>(i));
        }
    }
    activePasses = passes.size();
    // string_view compares bytes unsigned.
    std::stable_sort(passes.begin(), passes.end(), [&](uint32_t a, uint32_t b) {
        return View(substitutions[a].id) < View(substitutions[b].id);
    });
    Ids ids;
    for (size_t i = 0; i < passes.size(); ++i) {
        const std::string_view id = View(substitutions[passes[i]].id);
        if (ids.empty() || ids.back() != id) {
            ids.push_back(id);
            terminals.push_back({static_cast<uint32_t>(i), 0});
        }
        ++terminals.back().passCount;
    }
    return ids;
}

// The bytes that ids start with, the ids that hold such a byte after their first, and the
// longest id.
void SubstitutionPlan::Impl::NoteIdStarts(const Ids& ids) {
    for (const std::string_view id : ids) {
        longest = std::max(longest, id.size());
        startsId[static_cast<uint8_t>(id[0])] = true;
    }
    for (const std::string_view id : ids) {
        innerStart.push_back(std::any_of(id.begin() + 1, id.end(), [this](char c) {
            return startsId[static_cast<uint8_t>(c)];
        }));
    }
    if (std::count(startsId.begin(), startsId.end(), true) == 1) {
        onlyStartByte =
            static_cast<int>(std::find(startsId.begin(), startsId.end(), true) - startsId.begin());
    }
}

// Depth first over ranges of the sorted ids sharing a prefix. An explicit stack, as an id may be
// megabytes.
void SubstitutionPlan::Impl::BuildTrie(const Ids& ids) {
    nodes.emplace_back();
    labels.emplace_back();
    std::vector<IdRange> stack;
    if (!ids.empty()) {
        stack.push_back({0, 0, static_cast<uint32_t>(ids.size()), 0});
    }
    while (!stack.empty()) {
        IdRange range = stack.back();
        stack.pop_back();
        if (range.node != 0) {
            range.depth = SetLabel(ids, range);
        }
        if (ids[range.lo].size() == range.depth) {
            // Only the range's first id can end at its depth: it is a prefix of all the others.
            nodes[range.node].terminal = range.lo++;
        }
        AddChildren(ids, range, stack);
        IndexChildren(range.node);
    }
}

// The node's label runs from the range's depth as far as all its ids agree; returns its end.
size_t SubstitutionPlan::Impl::SetLabel(const Ids& ids, const IdRange& range) {
    // When the first and the last id agree at a depth, all of them do.
    const std::string_view first = ids[range.lo];
    const std::string_view last = ids[range.hi - 1];
    size_t depth = range.depth;
    while (first.size() > depth && first[depth] == last[depth] && depth - range.depth < kMaxLabel) {
        ++depth;
    }
    Node& node = nodes[range.node];
    labels[range.node] = first.data() + range.depth;
    node.labelLength = static_cast<uint32_t>(depth - range.depth);
    std::memcpy(&node.labelHead, labels[range.node], std::min<size_t>(node.labelLength, 8));
    return depth;
}

// A child for each byte that the ids of the range have at its depth, created together so that
// they are consecutive, each with its own range to build.
void SubstitutionPlan::Impl::AddChildren(const Ids& ids, const IdRange& range,
                                         std::vector<IdRange>& stack) {
    nodes[range.node].firstChild = static_cast<uint32_t>(nodes.size());
    for (uint32_t lo = range.lo; lo < range.hi;) {
        const auto byte = static_cast<uint8_t>(ids[lo][range.depth]);
        uint32_t hi = lo + 1;
        while (hi < range.hi && static_cast<uint8_t>(ids[hi][range.depth]) == byte) {
            ++hi;
        }
        nodes.emplace_back().edgeByte = byte;
        labels.emplace_back();
        stack.push_back({static_cast<uint32_t>(nodes.size() - 1), lo, hi, range.depth + 1});
        lo = hi;
    }
}

// Sets the node's byte range, and its offsets where the children leave gaps in it.
void SubstitutionPlan::Impl::IndexChildren(uint32_t index) {
    Node& node = nodes[index];
    const size_t childCount = nodes.size() - node.firstChild;
    if (childCount == 0) {
        return;
    }
    node.lowByte = nodes[node.firstChild].edgeByte;
    node.span = static_cast<uint16_t>(nodes.back().edgeByte - node.lowByte + 1);
    if (node.span == childCount) {
        return;
    }
    node.offsets = static_cast<uint32_t>(childOffsets.size());
    childOffsets.resize(childOffsets.size() + node.span);
    for (uint32_t child = node.firstChild; child < nodes.size(); ++child) {
        childOffsets[node.offsets + nodes[child].edgeByte - node.lowByte] =
            static_cast<uint8_t>(child - node.firstChild);
    }
}

inline uint32_t SubstitutionPlan::Impl::Child(const Node& node, uint8_t byte) const {
    const auto index = static_cast<unsigned>(byte - node.lowByte);
    if (index >= node.span) {
        return kNone;
    }
    if (node.offsets == kNone) {
        return node.firstChild + index;  // every byte in the range has a child
    }
    // A byte without a child has offset 0, which leads to the first child: its edge byte tells.
    const uint32_t child = node.firstChild + childOffsets[node.offsets + index];
    return nodes[child].edgeByte == byte ? child : kNone;
}

// How many bytes of the node's label [at, end) starts with: all of them when it starts with
// the label.
inline size_t SubstitutionPlan::Impl::SameLabelBytes(uint32_t index, const char* at,
                                                     const char* end) const {
    const Node& node = nodes[index];
    const auto available = static_cast<size_t>(end - at);
    const size_t length = std::min<size_t>(node.labelLength, available);
    size_t same = 0;
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
    const char* label = labels[index];
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
size_t SubstitutionPlan::Impl::Match(const char* at, const char* end, OnId&& onId) const {
    uint32_t node = Child(nodes[0], static_cast<uint8_t>(*at));
    const char* next = at + 1;
    while (node != kNone) {
        const Node& current = nodes[node];
        if (current.labelLength > 0) {
            const size_t same = SameLabelBytes(node, next, end);
            next += same;
            if (same < current.labelLength) {
                break;
            }
        }
        if (current.terminal != kNone) {
            onId(static_cast<size_t>(next - at), current.terminal);
        }
        if (next == end) {
            break;
        }
        node = Child(current, static_cast<uint8_t>(*next++));
    }
    return static_cast<size_t>(next - at);
}

bool SubstitutionPlan::Impl::StartsAnIdBeyond(const char* at, const char* end) const {
    uint32_t node = Child(nodes[0], static_cast<uint8_t>(*at));
    const char* next = at + 1;
    while (node != kNone) {
        const Node& current = nodes[node];
        const size_t same = current.labelLength > 0 ? SameLabelBytes(node, next, end) : 0;
        next += same;
        if (next == end) {
            return same < current.labelLength || current.span > 0;
        }
        if (same < current.labelLength) {
            return false;
        }
        node = Child(current, static_cast<uint8_t>(*next++));
    }
    return false;
}

// Calls onStart(position) for every byte of [begin, end) that an id starts with, in order, while
// onStart returns true.
template <class OnStart>
void SubstitutionPlan::Impl::ForEachStart(const char* begin, const char* end,
                                          OnStart&& onStart) const {
    if (onlyStartByte >= 0) {
        for (const char* at = begin; at < end; ++at) {
            at = static_cast<const char*>(std::memchr(at, onlyStartByte, end - at));
            if (at == nullptr || !onStart(at)) {
                return;
            }
        }
        return;
    }
    for (const char* at = begin; at < end; ++at) {
        if (startsId[static_cast<uint8_t>(*at)] && !onStart(at)) {
            return;
        }
    }
}

// One application of the plan to one text.
//
// The passes are replayed on small pieces of the text instead of the whole of it. A position of
// the text is a cut when no match of any pass ever spans it; the text between two cuts then goes
// through the passes exactly as it would inside the whole text, so its result can be worked out
// alone. A match that spans a cut starts before it, and the part before the cut is a proper prefix
// of the id: so a position is a cut when, in each form that the passes give the piece before it,
// no suffix is a proper prefix of an id. The run checks just that.
//
// One scan finds every occurrence of every id, overlapping ones included, and the id-start bytes
// where no id occurs (lone starts). Occurrences that overlap form a group, and the text between
// two groups is a gap, which no pass ever changes. So:
//   - the end of a gap, where a group starts, is a cut when the trie walk from no lone start of
//     the gap reached it (its extent), and so is a lone start that the walks before it do not
//     reach;
//   - the end of a group of one occurrence is a cut when no form of the id through the passes has
//     such a suffix; the id's result is the same wherever it occurs, so it is worked out once per
//     run (its expansion); when no other id can start inside the occurrence, the group is
//     known to be one occurrence, and done with, as soon as the walk has found it;
//   - the end of a group of several occurrences is a cut when the group's own replay shows none.
// Where a position turns out not to be a cut, the pieces on both sides are taken together into a
// region that is replayed as one, up to the next cut whose replay shows no such suffix. A region
// that keeps failing is tried again only once it has doubled, and the end of the text is always a
// cut, so the work stays within a small multiple of the plain passes over the region.
//
// The text is read in pieces, and only what is not final yet is kept; the output goes to the sink
// through a small buffer as soon as it is final. Only when the scan itself costs more than the
// plain passes would, for ids of many bytes that occur everywhere, does the run give up.
class SubstitutionPlan::Impl::Run {
  public:
    // The text is read into a buffer that keeps what is still needed, at least this much at a
    // time.
    static constexpr size_t kReadBytes = size_t{64} << 10;

    Run(const Impl& plan, ByteSource& text, ByteSink& out)
        : mPlan(plan), mSource(text), mOut(out), mExpansionOf(plan.terminals.size(), kNone) {}

    // Sends the substituted text to the sink. Fails when the text cannot be read. Sets `gaveUp`
    // when the plain passes have to be run instead; the sink then holds part of the text.
    Status Execute(bool* gaveUp);

  private:
    // What the passes make of one id alone; `complete` is false when they were stopped because
    // a form of it has a suffix that starts an id, and then `text` is not the result.
    struct Expansion {
        std::string_view text;  // into the plan's value, or into mReplayed
        bool complete = false;
    };

    Status ReadMore();
    void Scan(size_t from, size_t to);
    void AddOccurrence(size_t start, size_t length, uint32_t terminal);
    uint32_t AloneExpansion(uint32_t terminal);
    bool EmitAlone(size_t start, size_t length, uint32_t expansion);
    void AddLoneStart(size_t start, size_t extent);
    void CloseGroup();
    bool GapReaches(size_t position) const { return mGapExtent != 0 && mGapExtent >= position; }
    // The text before `cut` is done with as far as the gap goes: emits it, or ends the region.
    void ReachCut(size_t cut);
    void StartRegion(size_t begin, size_t triedEnd);
    bool TryCloseRegion(size_t cut, bool forced);
    const Expansion& ExpansionOf(uint32_t terminal);
    // Runs the passes on `window`. When `checkTail`, stops and returns false as soon as a form of
    // the window has a suffix that is a proper prefix of an id.
    bool Replay(std::string& window, bool checkTail);
    bool Dangles(std::string_view state) const;
    uint32_t NextPass(std::string_view window, uint32_t from);
    void ReplaceAll(std::string& window, uint32_t pass);
    // Where the text's byte at `position` is held, and where what has been read ends.
    const char* At(size_t position) const { return mText.data() + (position - mBase); }
    size_t ReadEnd() const { return mBase + mFilled; }
    bool AtTextEnd(size_t position) const { return mEnded && position == ReadEnd(); }
    void CopyUpTo(size_t position);
    void Emit(const char* data, size_t size);
    void Emit(std::string_view bytes) { Emit(bytes.data(), bytes.size()); }
    void Flush();
    void Send(const char* data, size_t size);
    // Past the plain passes over the text, with room for replaying regions as they double.
    bool OverBudget() const {
        return mWork > 8 * (mPlan.activePasses + 1) * (uint64_t{ReadEnd()} + 1) + 4096;
    }
    bool Stopped() const { return OverBudget() || mSinkFailed; }

    // What a walk from an id-start byte found, by the sixteen bytes from it; looked is 0 in an
    // empty slot. Only walks that decided within those bytes and found one id or none are kept,
    // with the id's AloneExpansion.
    struct Walk {
        uint64_t key[2] = {0, 0};
        uint32_t looked = 0;
        uint32_t length = 0;
        uint32_t terminal = kNone;
        uint32_t alone = kNone;
    };
    static constexpr int kWalkBits = 9;

    const Impl& mPlan;
    ByteSource& mSource;
    ByteSink& mOut;
    uint64_t mWork = 0;
    std::vector<Walk> mWalks = std::vector<Walk>(size_t{1} << kWalkBits);
    // The expansions worked out so far; mExpansionOf[terminal] is the index of its own, or kNone.
    std::vector<uint32_t> mExpansionOf;
    std::vector<Expansion> mExpansions;
    std::deque<std::string> mReplayed;

    // The text from offset mBase on, mFilled bytes of it; offsets below are the text's.
    std::string mText;
    size_t mBase = 0;
    size_t mFilled = 0;
    bool mEnded = false;
    size_t mScanned = 0;  // the id-start bytes before this offset have been looked at

    // The group being gathered: its span, and its terminal when it is one occurrence.
    bool mGroupOpen = false;
    size_t mGroupBegin = 0;
    size_t mGroupEnd = 0;
    uint32_t mGroupTerminal = kNone;
    // The gap after the last group: where the walks from its lone starts reach (0 when it has
    // none), and its last position that they do not.
    size_t mGapExtent = 0;
    size_t mSafeCut = 0;
    // The region waiting for a cut, and how long it must be before it is tried again.
    size_t mRegionBegin = kNoPosition;
    size_t mRegionRetry = 0;

    size_t mCopied = 0;  // the text before this offset is accounted for in the output
    ByteBuffer mBuffer;
    bool mSinkFailed = false;
    std::string mWindow;
    std::string mScratch;
};

Status SubstitutionPlan::Impl::Run::Execute(bool* gaveUp) {
    // A walk from an id-start byte looks at most one byte past the longest id.
    const size_t lookahead = mPlan.longest + 1;
    while (!mEnded) {
        if (Status read = ReadMore(); !read.ok()) {
            return read;
        }
        const size_t end = ReadEnd();
        const size_t ready = mEnded ? end : end - std::min(end, lookahead);
        if (ready > mScanned) {
            Scan(mScanned, ready);
            // An occurrence emitted alone may end past `ready`; no id starts inside it.
            mScanned = std::max(ready, mCopied);
        }
        if (Stopped()) {
            *gaveUp = !mSinkFailed;
            return Status::Ok();
        }
        // No occurrence found later can overlap a group that ends before the next start.
        if (mGroupOpen && mGroupEnd <= mScanned) {
            CloseGroup();
        }
        // A quiet stretch of text is final up to where the walks in it reach.
        if (!mGroupOpen) {
            if (!GapReaches(mScanned)) {
                mSafeCut = mScanned;
                ReachCut(mScanned);
            } else if (mRegionBegin == kNoPosition) {
                CopyUpTo(mSafeCut);
            }
        }
    }
    if (mGroupOpen) {
        CloseGroup();
    }
    if (mRegionBegin != kNoPosition) {
        TryCloseRegion(ReadEnd(), true);
    }
    CopyUpTo(ReadEnd());
    Flush();
    *gaveUp = OverBudget() && !mSinkFailed;
    return Status::Ok();
}

// Keeps the text from the first byte not yet accounted for in the output, and reads on after it.
Status SubstitutionPlan::Impl::Run::ReadMore() {
    const size_t done = mCopied - mBase;
    std::memmove(mText.data(), mText.data() + done, mFilled - done);
    mBase = mCopied;
    mFilled -= done;
    // The buffer starts small, as most templates are, and doubles when what it keeps leaves too
    // little room.
    if (mText.size() - mFilled < kReadBytes) {
        mText.resize(std::max(2 * mText.size(), mFilled + kReadBytes));
    }
    size_t got = 0;
    if (Status read = mSource.Read(mText.data() + mFilled, mText.size() - mFilled, &got);
        !read.ok()) {
        return read;
    }
    mFilled += got;
    mEnded = got == 0;
    return Status::Ok();
}

void SubstitutionPlan::Impl::Run::Scan(size_t from, size_t to) {
    const char* const end = At(ReadEnd());
    mPlan.ForEachStart(At(from), At(to), [&](const char* at) {
        const size_t start = mBase + static_cast<size_t>(at - mText.data());
        // The walk depends on nothing but the bytes it looks at, up to the first that differs
        // from every id: where the same sixteen bytes came before, it found the same.
        Walk* walk = nullptr;
        uint64_t key[2] = {0, 0};
        if (end - at >= 16) {
            std::memcpy(key, at, 16);
            walk = &mWalks[((key[0] * 0x9E3779B97F4A7C15) ^ (key[1] * 0xC2B2AE3D27D4EB4F)) >>
                           (64 - kWalkBits)];
            if (walk->key[0] == key[0] && walk->key[1] == key[1] && walk->looked != 0) {
                mWork += walk->looked;
                if (walk->terminal == kNone) {
                    AddLoneStart(start, start + walk->looked);
                } else if (walk->alone == kNone || !EmitAlone(start, walk->length, walk->alone)) {
                    AddOccurrence(start, walk->length, walk->terminal);
                }
                return !Stopped();
            }
        }
        // The ids found are added shortest first; the first waits for the walk to end, as it may
        // be emitted alone when it is the only one.
        size_t found = 0;
        Walk seen;
        const size_t looked = mPlan.Match(at, end, [&](size_t length, uint32_t terminal) {
            if (found++ > 0) {
                AddOccurrence(start, seen.length, seen.terminal);
            }
            seen.length = static_cast<uint32_t>(length);
            seen.terminal = terminal;
        });
        mWork += looked;
        if (found == 1) {
            seen.alone = AloneExpansion(seen.terminal);
        }
        if (found == 0) {
            AddLoneStart(start, start + looked);
        } else if (seen.alone == kNone || !EmitAlone(start, seen.length, seen.alone)) {
            AddOccurrence(start, seen.length, seen.terminal);
        }
        if (walk != nullptr && found <= 1 && looked < 16) {
            *walk = seen;
            std::memcpy(walk->key, key, 16);
            walk->looked = static_cast<uint32_t>(looked);
        }
        return !Stopped();
    });
}

// Most occurrences of most ids are a group of their own that is done with where it ends: the only
// id that starts at `start`, with no byte inside it that starts an id, after a gap that no walk
// crosses, and with an expansion that leaves no start of an id at its end. Such an occurrence is
// emitted at once, without waiting for the next start to show that nothing overlaps it.
//
// The index of the terminal's expansion when its id has no byte inside that starts an id and the
// expansion is complete, or kNone.
uint32_t SubstitutionPlan::Impl::Run::AloneExpansion(uint32_t terminal) {
    if (mPlan.innerStart[terminal] || !ExpansionOf(terminal).complete) {
        return kNone;
    }
    return mExpansionOf[terminal];
}

// Emits the occurrence at `start`, whose id has the AloneExpansion `expansion`, when it also stands
// alone where it is.
bool SubstitutionPlan::Impl::Run::EmitAlone(size_t start, size_t length, uint32_t expansion) {
    if (mGroupOpen && start >= mGroupEnd) {
        CloseGroup();
    }
    if (mGroupOpen || mRegionBegin != kNoPosition || GapReaches(start)) {
        return false;
    }
    CopyUpTo(start);
    Emit(mExpansions[expansion].text);
    mCopied = start + length;
    mSafeCut = mCopied;
    mGapExtent = 0;
    return true;
}

void SubstitutionPlan::Impl::Run::AddOccurrence(size_t start, size_t length, uint32_t terminal) {
    if (mGroupOpen && start < mGroupEnd) {
        mGroupEnd = std::max(mGroupEnd, start + length);
        mGroupTerminal = kNone;
        return;
    }
    if (mGroupOpen) {
        CloseGroup();
    }
    if (!GapReaches(start)) {
        ReachCut(start);
    } else if (mRegionBegin == kNoPosition) {
        StartRegion(mSafeCut, mSafeCut);
    }
    mGroupOpen = true;
    mGroupBegin = start;
    mGroupEnd = start + length;
    mGroupTerminal = terminal;
}

void SubstitutionPlan::Impl::Run::AddLoneStart(size_t start, size_t extent) {
    if (mGroupOpen) {
        if (start < mGroupEnd) {
            return;  // part of the group's text, which its replay sees
        }
        CloseGroup();
    }
    if (!GapReaches(start)) {
        mSafeCut = start;
        if (mRegionBegin != kNoPosition) {
            TryCloseRegion(start, false);
        }
    }
    mGapExtent = std::max(mGapExtent, extent);
}

void SubstitutionPlan::Impl::Run::CloseGroup() {
    mGroupOpen = false;
    const size_t begin = mGroupBegin;
    const size_t end = mGroupEnd;
    mGapExtent = 0;
    mSafeCut = end;
    if (mRegionBegin != kNoPosition) {
        TryCloseRegion(end, false);
        return;
    }
    // At the end of the text nothing follows that a suffix could join.
    const bool last = AtTextEnd(end);
    if (mGroupTerminal != kNone) {
        const Expansion& expansion = ExpansionOf(mGroupTerminal);
        if (expansion.complete) {
            Emit(expansion.text);
            mCopied = end;
            return;
        }
    }
    mWindow.assign(At(begin), end - begin);
    if (Replay(mWindow, !last)) {
        Emit(mWindow);
        mCopied = end;
        return;
    }
    StartRegion(begin, end);
}

void SubstitutionPlan::Impl::Run::ReachCut(size_t cut) {
    if (mRegionBegin == kNoPosition) {
        CopyUpTo(cut);
    } else {
        TryCloseRegion(cut, false);
    }
}

void SubstitutionPlan::Impl::Run::StartRegion(size_t begin, size_t triedEnd) {
    CopyUpTo(begin);
    mRegionBegin = begin;
    mRegionRetry = 2 * (triedEnd - begin);
}

bool SubstitutionPlan::Impl::Run::TryCloseRegion(size_t cut, bool forced) {
    const size_t length = cut - mRegionBegin;
    if (!forced && length < mRegionRetry) {
        return false;
    }
    mWindow.assign(At(mRegionBegin), length);
    if (!Replay(mWindow, !AtTextEnd(cut))) {
        mRegionRetry = 2 * length;
        return false;
    }
    Emit(mWindow);
    mCopied = cut;
    mSafeCut = cut;
    mRegionBegin = kNoPosition;
    return true;
}

const SubstitutionPlan::Impl::Run::Expansion& SubstitutionPlan::Impl::Run::ExpansionOf(
    uint32_t terminal) {
    if (mExpansionOf[terminal] != kNone) {
        return mExpansions[mExpansionOf[terminal]];
    }
    const uint32_t firstPass = mPlan.passes[mPlan.terminals[terminal].firstPass];
    const std::string_view id = View(mPlan.substitutions[firstPass].id);
    const std::string_view value = View(mPlan.substitutions[firstPass].value);
    Expansion expansion;
    if (std::none_of(value.begin(), value.end(),
                     [&](char c) { return mPlan.startsId[static_cast<uint8_t>(c)]; })) {
        // Most values: the first pass makes the id the value, in which nothing can match.
        expansion = {value, !Dangles(id)};
    } else {
        std::string& replayed = mReplayed.emplace_back(id);
        expansion.complete = Replay(replayed, true);
        expansion.text = replayed;
    }
    mExpansionOf[terminal] = static_cast<uint32_t>(mExpansions.size());
    return mExpansions.emplace_back(expansion);
}

bool SubstitutionPlan::Impl::Run::Replay(std::string& window, bool checkTail) {
    // Passes whose id is absent from the window change nothing, so only the next pass with an id
    // present is run, and a form is looked at only when a pass has made it.
    for (uint32_t from = 0;;) {
        if (checkTail && Dangles(window)) {
            return false;
        }
        const uint32_t pass = NextPass(window, from);
        if (pass == kNone) {
            return true;
        }
        ReplaceAll(window, pass);
        from = pass + 1;
    }
}

bool SubstitutionPlan::Impl::Run::Dangles(std::string_view state) const {
    const size_t reach = mPlan.longest - 1;  // a proper prefix is shorter than the longest id
    const char* const end = state.data() + state.size();
    for (const char* at = end - std::min(reach, state.size()); at < end; ++at) {
        if (mPlan.startsId[static_cast<uint8_t>(*at)] && mPlan.StartsAnIdBeyond(at, end)) {
            return true;
        }
    }
    return false;
}

// The smallest substitution index from `from` on whose id occurs in the window, or kNone.
uint32_t SubstitutionPlan::Impl::Run::NextPass(std::string_view window, uint32_t from) {
    uint32_t best = kNone;
    const char* const end = window.data() + window.size();
    mPlan.ForEachStart(window.data(), end, [&](const char* at) {
        mWork += mPlan.Match(at, end, [&](size_t, uint32_t index) {
            const Terminal& terminal = mPlan.terminals[index];
            const uint32_t* first = mPlan.passes.data() + terminal.firstPass;
            const uint32_t* last = first + terminal.passCount;
            if (last[-1] >= from) {
                best = std::min(best, *std::lower_bound(first, last, from));
            }
        });
        return best != from;
    });
    return best;
}

// One pass on the window as QByteArray::replace does it: leftmost matches, not overlapping, the
// inserted values not searched again.
void SubstitutionPlan::Impl::Run::ReplaceAll(std::string& window, uint32_t pass) {
    const Substitution& substitution = mPlan.substitutions[pass];
    const std::string_view id = View(substitution.id);
    mScratch.clear();
    size_t copied = 0;
    while (const void* found =
               memmem(window.data() + copied, window.size() - copied, id.data(), id.size())) {
        const auto at = static_cast<size_t>(static_cast<const char*>(found) - window.data());
        mScratch.append(window, copied, at - copied);
        mScratch.append(View(substitution.value));
        copied = at + id.size();
    }
    mScratch.append(window, copied);
    mWork += window.size();
    std::swap(window, mScratch);
}

void SubstitutionPlan::Impl::Run::CopyUpTo(size_t position) {
    if (position > mCopied) {
        Emit(At(mCopied), position - mCopied);
        mCopied = position;
    }
}

void SubstitutionPlan::Impl::Run::Emit(const char* data, size_t size) {
    if (size <= mBuffer.room()) {
        mBuffer.Append(data, size);
        return;
    }
    Flush();
    const size_t piece = mPlan.pieceBytes;
    if (size >= piece) {
        Send(data, size);  // a large piece goes straight out
        return;
    }
    const size_t wanted = std::max(size, std::min(piece, ReadEnd() + ReadEnd() / 8 + 64));
    if (mBuffer.capacity() < wanted) {
        mBuffer = ByteBuffer(wanted);  // a small text needs no more than a small buffer
    }
    mBuffer.Append(data, size);
}

// The buffer itself goes to the sink, which may hand back another in its place.
void SubstitutionPlan::Impl::Run::Flush() {
    if (!mBuffer.empty() && !mSinkFailed && !mOut.Take(mBuffer)) {
        mSinkFailed = true;
    }
    mBuffer.Clear();
}

void SubstitutionPlan::Impl::Run::Send(const char* data, size_t size) {
    if (!mSinkFailed && !mOut.Append(data, size)) {
        mSinkFailed = true;
    }
}

SubstitutionPlan::SubstitutionPlan(std::vector<Substitution> substitutions, size_t pieceBytes)
    : mImpl(std::make_unique<Impl>(std::move(substitutions), pieceBytes)) {}

SubstitutionPlan::~SubstitutionPlan() = default;
SubstitutionPlan::SubstitutionPlan(SubstitutionPlan&&) noexcept = default;
SubstitutionPlan& SubstitutionPlan::operator=(SubstitutionPlan&&) noexcept = default;

Status SubstitutionPlan::Apply(ByteSource& text, ByteSink& out) const {
    if (mImpl->terminals.empty()) {
        std::string piece(Impl::Run::kReadBytes, '\0');
        for (;;) {
            size_t got = 0;
            if (Status read = text.Read(piece.data(), piece.size(), &got); !read.ok() || got == 0) {
                return read;
            }
            if (!out.Append(piece.data(), got)) {
                return Status::Ok();
            }
        }
    }
    bool gaveUp = false;
    if (Status read = Impl::Run(*mImpl, text, out).Execute(&gaveUp); !read.ok() || !gaveUp) {
        return read;
    }
    if (!out.Restart()) {
        return Status::Ok();
    }
    QByteArray whole;
    if (Status read = text.Rewind(); !read.ok()) {
        return read;
    }
    if (Status read = ReadAll(text, &whole); !read.ok()) {
        return read;
    }
    const QByteArray result = SubstituteSequentially(std::move(whole), mImpl->substitutions);
    out.Append(result.constData(), static_cast<size_t>(result.size()));
    return Status::Ok();
}

QByteArray SubstitutionPlan::Apply(const QByteArray& text) const {
    ByteArraySource source(text);
    ByteArraySink out;
    Apply(source, out);
    return std::move(out.bytes());
}

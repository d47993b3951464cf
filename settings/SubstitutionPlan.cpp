#include "settings/SubstitutionPlan.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
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
        // The value of the id's first pass holds no byte that an id starts with.
        bool firstValueInert = false;
        // The length of the longest id that starts with this one, itself included.
        size_t reach = 0;
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
    void SetTerminal(const Ids& ids, const IdRange& range);
    void AddChildren(const Ids& ids, const IdRange& range, std::vector<IdRange>& stack);
    void IndexChildren(uint32_t node);

    bool Inert(const QByteArray& value) const;
    uint32_t Child(const Node& node, uint8_t byte) const;
    size_t SameLabelBytes(uint32_t node, const char* at, const char* end) const;
    // Calls onId(length, terminal) for every id that starts at `at`, shortest first, and returns
    // the number of bytes looked at, at least 1.
    template <class OnId>
    size_t Match(const char* at, const char* end, OnId&& onId) const;
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
    int onlyStartByte = -1;  // set when all ids start with the same byte
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
            terminals.push_back({static_cast<uint32_t>(i), 0, false, 0});
        }
        ++terminals.back().passCount;
    }
    return ids;
}

// The bytes that ids start with, the longest id, and which first values hold none of those bytes.
void SubstitutionPlan::Impl::NoteIdStarts(const Ids& ids) {
    for (const std::string_view id : ids) {
        longest = std::max(longest, id.size());
        startsId[static_cast<uint8_t>(id[0])] = true;
    }
    if (std::count(startsId.begin(), startsId.end(), true) == 1) {
        onlyStartByte =
            static_cast<int>(std::find(startsId.begin(), startsId.end(), true) - startsId.begin());
    }
    for (Terminal& terminal : terminals) {
        terminal.firstValueInert = Inert(substitutions[passes[terminal.firstPass]].value);
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
            SetTerminal(ids, range);
            ++range.lo;
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

// Only the range's first id can end at its depth: it is a prefix of all the others.
void SubstitutionPlan::Impl::SetTerminal(const Ids& ids, const IdRange& range) {
    Terminal& terminal = terminals[range.lo];
    for (uint32_t i = range.lo; i < range.hi; ++i) {
        terminal.reach = std::max(terminal.reach, ids[i].size());
    }
    nodes[range.node].terminal = range.lo;
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

bool SubstitutionPlan::Impl::Inert(const QByteArray& value) const {
    return std::none_of(value.begin(), value.end(),
                        [&](char c) { return startsId[static_cast<uint8_t>(c)]; });
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
// Every occurrence of an id in the text, overlapping ones included, is found in one scan. The
// occurrences are grouped into clusters: one joins the current cluster when it starts less than
// 2M bytes after the cluster's end, where M is the longest id's length less one. A cluster's
// window is its span widened by M bytes each side, so windows never overlap, and the text between
// two windows holds no occurrence. A match that a replacement creates lies within M bytes of the
// changed bytes, so as long as no match in a window touches its margins, the margins stay the
// original text, and replaying the passes in each window alone gives exactly the passes over the
// whole text. When a match does touch a margin, the window's result could depend on the text
// beyond it, and the run gives up.
//
// Most clusters need no replay. Call a cluster plain when each occurrence's first value holds no
// id-start byte, the only id-start bytes from M bytes before the cluster to its end are the
// occurrences' first bytes, and each occurrence starts at least its id's reach after the one
// before. Then a match can only start at an occurrence still in place; an id longer than the
// occurrence's own would have to end in unchanged text before the next occurrence, so it would be
// an occurrence too, which the spacing rules out; so every pass replaces exactly the occurrences
// of its id that are still there, and each occurrence becomes its first value. A plain cluster's
// values are written as the scan goes; when a cluster turns out not to be plain, they are taken
// back and the window is replayed.
//
// The output goes to the sink through a small buffer. What a cluster that may still turn out not
// to be plain has emitted stays in the buffer until the cluster is closed.
class SubstitutionPlan::Impl::Run {
  public:
    Run(const Impl& plan, const QByteArray& text, ByteSink& out)
        : mPlan(plan),
          mOut(out),
          mText(text.constData()),
          mSize(static_cast<size_t>(text.size())),
          mMargin(plan.longest - 1),
          // Roughly what the plain passes would cost: beyond that, running them is cheaper.
          mBudget((plan.activePasses + 1) * (static_cast<uint64_t>(mSize) + 1) + 4096) {}

    // Sends the substituted text to the sink. False when the plain passes have to be run
    // instead; the sink then holds part of the text.
    bool Execute();

  private:
    void AddOccurrence(size_t start, size_t length, uint32_t terminal);
    void EmitFirstValue(size_t start, size_t length, const Terminal& terminal);
    bool CloseCluster();
    bool ReplayWindow(size_t begin, size_t end);
    uint32_t NextPass(uint32_t from);
    bool ReplaceInWindow(uint32_t pass, size_t leftGuard, size_t rightGuard);
    bool Stopped() const { return mFailed || mWork > mBudget || mSinkFailed; }
    // Whether what the open cluster has emitted may still have to be taken back.
    bool Holding() const { return mOpen && mPlain; }
    void Emit(const char* data, size_t size);
    void Flush();
    void Send(const char* data, size_t size);

    const Impl& mPlan;
    ByteSink& mOut;
    const char* mText;
    size_t mSize;
    size_t mMargin;
    uint64_t mWork = 0;
    uint64_t mBudget;
    bool mFailed = false;
    size_t mLastLoneStart = kNoPosition;  // the last id-start byte where no id occurs

    // The cluster being gathered.
    bool mOpen = false;
    size_t mClusterBegin = 0;
    size_t mClusterEnd = 0;
    bool mPlain = false;
    size_t mReachEnd = 0;      // where the last occurrence's reach ends
    size_t mCopiedBefore = 0;  // the output state before the cluster
    size_t mUsedBefore = 0;

    size_t mCopied = 0;   // the text before this offset is accounted for in the output
    std::string mBuffer;  // its size is its capacity
    size_t mUsed = 0;
    bool mSinkFailed = false;
    std::string mWindow;
    std::string mScratch;
};

bool SubstitutionPlan::Impl::Run::Execute() {
    const char* const end = mText + mSize;
    mPlan.ForEachStart(mText, end, [&](const char* at) {
        const auto start = static_cast<size_t>(at - mText);
        bool found = false;
        mWork += mPlan.Match(at, end, [&](size_t length, uint32_t terminal) {
            found = true;
            AddOccurrence(start, length, terminal);
        });
        if (!found) {
            mLastLoneStart = start;
        }
        return !Stopped();
    });
    if (!Stopped() && mOpen) {
        mFailed = !CloseCluster();
    }
    if (mFailed || mWork > mBudget) {
        return false;
    }
    Emit(mText + mCopied, mSize - mCopied);
    Flush();
    return true;
}

void SubstitutionPlan::Impl::Run::AddOccurrence(size_t start, size_t length, uint32_t index) {
    if (mFailed) {
        return;
    }
    const Terminal& terminal = mPlan.terminals[index];
    if (mOpen && start < mClusterEnd + 2 * mMargin) {
        mClusterEnd = std::max(mClusterEnd, start + length);
        if (mPlain) {
            const bool loneInside =
                mLastLoneStart != kNoPosition && mLastLoneStart + mMargin >= mClusterBegin;
            mPlain = terminal.firstValueInert && !loneInside && start >= mReachEnd;
            if (mPlain) {
                EmitFirstValue(start, length, terminal);
            } else {
                mCopied = mCopiedBefore;
                mUsed = mUsedBefore;
            }
        }
        mReachEnd = start + terminal.reach;
        return;
    }
    if (mOpen && !CloseCluster()) {
        mFailed = true;
        return;
    }
    // The text up to the new window is final.
    const size_t windowBegin = start > mMargin ? start - mMargin : 0;
    if (windowBegin > mCopied) {
        Emit(mText + mCopied, windowBegin - mCopied);
        mCopied = windowBegin;
    }
    mOpen = true;
    mClusterBegin = start;
    mClusterEnd = start + length;
    mReachEnd = start + terminal.reach;
    mCopiedBefore = mCopied;
    mUsedBefore = mUsed;
    mPlain = terminal.firstValueInert &&
             !(mLastLoneStart != kNoPosition && mLastLoneStart + mMargin >= start);
    if (mPlain) {
        EmitFirstValue(start, length, terminal);
    }
}

void SubstitutionPlan::Impl::Run::EmitFirstValue(size_t start, size_t length,
                                                 const Terminal& terminal) {
    Emit(mText + mCopied, start - mCopied);
    const QByteArray& value = mPlan.substitutions[mPlan.passes[terminal.firstPass]].value;
    Emit(value.constData(), static_cast<size_t>(value.size()));
    mCopied = start + length;
}

bool SubstitutionPlan::Impl::Run::CloseCluster() {
    mOpen = false;
    if (mPlain) {
        return true;
    }
    const size_t begin = mClusterBegin > mMargin ? mClusterBegin - mMargin : 0;
    const size_t end = std::min(mSize, mClusterEnd + mMargin);
    Emit(mText + mCopied, begin - mCopied);
    if (!ReplayWindow(begin, end)) {
        return false;
    }
    Emit(mWindow.data(), mWindow.size());
    mCopied = end;
    return true;
}

bool SubstitutionPlan::Impl::Run::ReplayWindow(size_t begin, size_t end) {
    mWindow.assign(mText + begin, end - begin);
    // A margin at an end of the text has nothing beyond it to depend on.
    const size_t leftGuard = begin > 0 ? mMargin : 0;
    const size_t rightGuard = end < mSize ? mMargin : 0;
    // Passes whose id is absent from the window change nothing, so only the next pass with an id
    // present is run.
    for (uint32_t from = 0;;) {
        const uint32_t pass = NextPass(from);
        if (pass == kNone) {
            return true;
        }
        if (!ReplaceInWindow(pass, leftGuard, rightGuard) || mWork > mBudget) {
            return false;
        }
        from = pass + 1;
    }
}

// The smallest substitution index from `from` on whose id occurs in the window, or kNone.
uint32_t SubstitutionPlan::Impl::Run::NextPass(uint32_t from) {
    uint32_t best = kNone;
    const char* const end = mWindow.data() + mWindow.size();
    mPlan.ForEachStart(mWindow.data(), end, [&](const char* at) {
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
// inserted values not searched again. False when a match touches a guarded margin.
bool SubstitutionPlan::Impl::Run::ReplaceInWindow(uint32_t pass, size_t leftGuard,
                                                  size_t rightGuard) {
    const Substitution& substitution = mPlan.substitutions[pass];
    const std::string_view id = View(substitution.id);
    const size_t limit = mWindow.size() - rightGuard;
    mScratch.clear();
    size_t copied = 0;
    while (const void* found =
               memmem(mWindow.data() + copied, mWindow.size() - copied, id.data(), id.size())) {
        const auto at = static_cast<size_t>(static_cast<const char*>(found) - mWindow.data());
        if (at < leftGuard || at + id.size() > limit) {
            return false;
        }
        mScratch.append(mWindow, copied, at - copied);
        mScratch.append(View(substitution.value));
        copied = at + id.size();
    }
    mScratch.append(mWindow, copied);
    mWork += mWindow.size();
    std::swap(mWindow, mScratch);
    return true;
}

void SubstitutionPlan::Impl::Run::Emit(const char* data, size_t size) {
    const size_t piece = mPlan.pieceBytes;
    if (size <= mBuffer.size() - mUsed) {
        std::memcpy(mBuffer.data() + mUsed, data, size);
        mUsed += size;
        return;
    }
    Flush();
    if (!Holding() && mUsed == 0 && size >= piece) {
        Send(data, size);  // nothing held back, so a large piece goes straight out
        return;
    }
    if (size > mBuffer.size() - mUsed) {
        // A small text needs no more than a small buffer.
        const size_t first = std::min(piece, mSize + mSize / 8 + 64);
        mBuffer.resize(std::max({first, mUsed + size, 2 * mBuffer.size()}));
    }
    std::memcpy(mBuffer.data() + mUsed, data, size);
    mUsed += size;
}

// Sends what the buffer holds, except what an open plain cluster has emitted.
void SubstitutionPlan::Impl::Run::Flush() {
    const bool holding = Holding();
    const size_t ready = holding ? mUsedBefore : mUsed;
    if (ready == 0) {
        return;
    }
    Send(mBuffer.data(), ready);
    std::memmove(mBuffer.data(), mBuffer.data() + ready, mUsed - ready);
    mUsed -= ready;
    if (holding) {
        mUsedBefore = 0;
    }
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

void SubstitutionPlan::Apply(const QByteArray& text, ByteSink& out) const {
    if (mImpl->terminals.empty() || text.isEmpty()) {
        out.Append(text.constData(), static_cast<size_t>(text.size()));
        return;
    }
    Impl::Run run(*mImpl, text, out);
    if (!run.Execute() && out.Restart()) {
        const QByteArray result = SubstituteSequentially(text, mImpl->substitutions);
        out.Append(result.constData(), static_cast<size_t>(result.size()));
    }
}

QByteArray SubstitutionPlan::Apply(const QByteArray& text) const {
    ByteArraySink out;
    Apply(text, out);
    return std::move(out.bytes());
}

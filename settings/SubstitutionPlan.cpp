#include "settings/SubstitutionPlan.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace {

constexpr uint32_t kNone = UINT32_MAX;
constexpr size_t kNoPosition = SIZE_MAX;

// Without -mpopcnt std::popcount is a library call; this inlines.
uint32_t PopCount(uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555;
    x = (x & 0x3333333333333333) + ((x >> 2) & 0x3333333333333333);
    x = (x + (x >> 4)) & 0x0f0f0f0f0f0f0f0f;
    return static_cast<uint32_t>((x * 0x0101010101010101) >> 56);
}

bool SameBytes(const char* a, const char* b, size_t size) {
    if (size > 16) {
        return std::memcmp(a, b, size) == 0;
    }
    for (size_t i = 0; i < size; ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

std::string_view View(const QByteArray& bytes) {
    return std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace

// The ids as a byte trie. The root has a table of all 256 bytes. Other nodes are small, since ids
// may be megabytes long: a run of bytes without a branch or an id's end is one node's label, the
// children of a node are consecutive nodes in byte order, found directly when there is one and
// through a bitmap of the bytes present when there are more.
struct SubstitutionPlan::Impl {
    struct Node {
        const char* label = nullptr;  // the bytes after the edge into the node, within an id
        size_t labelLength = 0;
        uint32_t firstChild = 0;
        uint32_t terminal = kNone;
        uint32_t bitmap = kNone;
        uint16_t childCount = 0;
        uint8_t onlyByte = 0;
    };
    struct Bitmap {
        std::array<uint64_t, 4> bits{};
        std::array<uint16_t, 4> before{};  // the children in the earlier words
    };
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

    bool Inert(const QByteArray& value) const;
    uint32_t Child(const Node& node, uint8_t byte) const;
    template <class OnId>
    size_t Walk(const char* at, const char* end, OnId&& onId) const;
    template <class OnId>
    size_t Lookup(const char* at, const char* end, OnId&& onId) const;
    // Calls onId(length, terminal) for every id that starts at `at`, shortest first, and returns
    // a measure of the work done, at least 1.
    template <class OnId>
    size_t Match(const char* at, const char* end, OnId&& onId) const {
        return table.empty() ? Walk(at, end, onId) : Lookup(at, end, onId);
    }
    template <class OnStart>
    void ForEachStart(const char* begin, const char* end, OnStart&& onStart) const;

    std::vector<Substitution> substitutions;
    size_t pieceBytes;
    std::array<uint32_t, 256> rootChildren;
    std::vector<Node> nodes;
    std::vector<Bitmap> bitmaps;
    std::vector<Terminal> terminals;
    std::vector<uint32_t> passes;
    std::array<bool, 256> startsId{};
    int onlyStartByte = -1;  // set when all ids start with the same byte
    size_t longest = 0;
    size_t activePasses = 0;  // substitutions with a non-empty id

    // When the ids come in a few lengths only (as "$(NAME)" ids of names of a few lengths do),
    // they are also kept in a hash table: one probe per length finds the ids at a byte with less
    // work than walking the trie. Open addressing, at most half full.
    struct HashEntry {
        uint64_t hash = 0;
        uint32_t terminal = kNone;
    };
    static constexpr size_t kMaxHashedLengths = 4;
    std::vector<size_t> idLengths;  // ascending
    std::vector<std::string_view> terminalIds;
    std::vector<HashEntry> table;  // empty when the trie is used
    uint64_t tableMask = 0;
    int tableShift = 64;  // a hash's top bits pick its first entry

    uint64_t FirstEntry(uint64_t hash) const { return hash >> tableShift; }
};

namespace {

uint64_t Mix(uint64_t hash, uint64_t word) {
    hash = (hash ^ word) * 0x9E3779B97F4A7C15;
    return hash ^ (hash >> 29);
}

uint64_t HashBytes(const char* at, size_t length) {
    uint64_t hash = Mix(0, length);
    if (length < 8) {
        uint64_t word = 0;
        for (size_t i = 0; i < length; ++i) {
            word = (word << 8) | static_cast<uint8_t>(at[i]);
        }
        return Mix(hash, word);
    }
    uint64_t word;
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        std::memcpy(&word, at + i, 8);
        hash = Mix(hash, word);
    }
    if (i < length) {
        std::memcpy(&word, at + length - 8, 8);  // the last eight bytes, overlapping
        hash = Mix(hash, word);
    }
    return hash;
}

}  // namespace

SubstitutionPlan::Impl::Impl(std::vector<Substitution> list, size_t pieceBytes)
    : substitutions(std::move(list)), pieceBytes(std::max<size_t>(pieceBytes, 1)) {
    rootChildren.fill(kNone);
    std::vector<uint32_t> order;
    for (size_t i = 0; i < substitutions.size(); ++i) {
        if (!substitutions[i].id.isEmpty()) {
            order.push_back(static_cast<uint32_t>(i));
        }
    }
    activePasses = order.size();
    // Equal ids become neighbours, each run in list order; string_view compares bytes unsigned.
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        return View(substitutions[a].id) < View(substitutions[b].id);
    });
    std::vector<std::string_view> ids;
    for (size_t i = 0; i < order.size(); ++i) {
        const std::string_view id = View(substitutions[order[i]].id);
        if (ids.empty() || ids.back() != id) {
            ids.push_back(id);
            terminals.push_back({static_cast<uint32_t>(i), 0, false});
            longest = std::max(longest, id.size());
            startsId[static_cast<uint8_t>(id[0])] = true;
        }
        passes.push_back(order[i]);
        ++terminals.back().passCount;
    }
    if (std::count(startsId.begin(), startsId.end(), true) == 1) {
        onlyStartByte =
            static_cast<int>(std::find(startsId.begin(), startsId.end(), true) - startsId.begin());
    }
    for (Terminal& terminal : terminals) {
        terminal.firstValueInert = Inert(substitutions[passes[terminal.firstPass]].value);
    }

    std::vector<size_t> lengths;
    for (const std::string_view id : ids) {
        lengths.push_back(id.size());
    }
    std::sort(lengths.begin(), lengths.end());
    lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
    if (!ids.empty() && lengths.size() <= kMaxHashedLengths) {
        idLengths = std::move(lengths);
        terminalIds = ids;
        size_t capacity = 16;
        tableShift = 60;
        while (capacity < 2 * ids.size()) {
            capacity *= 2;
            --tableShift;
        }
        table.resize(capacity);
        tableMask = capacity - 1;
        for (size_t terminal = 0; terminal < ids.size(); ++terminal) {
            const uint64_t hash = HashBytes(ids[terminal].data(), ids[terminal].size());
            uint64_t i = FirstEntry(hash);
            while (table[i].terminal != kNone) {
                i = (i + 1) & tableMask;
            }
            table[i] = {hash, static_cast<uint32_t>(terminal)};
        }
    }

    // Depth first over ranges of the sorted ids sharing a prefix; a node's children are created
    // together so that they are consecutive. An explicit stack, as an id may be megabytes.
    struct Pending {
        uint32_t node, lo, hi;
        size_t depth;
    };
    nodes.emplace_back();
    std::vector<Pending> stack;
    if (!ids.empty()) {
        stack.push_back({0, 0, static_cast<uint32_t>(ids.size()), 0});
    }
    while (!stack.empty()) {
        const Pending pending = stack.back();
        stack.pop_back();
        uint32_t lo = pending.lo;
        // Within the range only the first id can end at a depth: it is a prefix of all the
        // others. And when the first and the last id agree at a depth, all of them do.
        size_t depth = pending.depth;
        if (pending.node != 0) {
            while (ids[lo].size() > depth && ids[lo][depth] == ids[pending.hi - 1][depth]) {
                ++depth;
            }
            nodes[pending.node].label = ids[lo].data() + pending.depth;
            nodes[pending.node].labelLength = depth - pending.depth;
        }
        if (ids[lo].size() == depth) {
            for (uint32_t i = lo; i < pending.hi; ++i) {
                terminals[lo].reach = std::max(terminals[lo].reach, ids[i].size());
            }
            nodes[pending.node].terminal = lo++;
        }
        Bitmap bitmap;
        const auto firstChild = static_cast<uint32_t>(nodes.size());
        while (lo < pending.hi) {
            const auto byte = static_cast<uint8_t>(ids[lo][depth]);
            uint32_t hi = lo + 1;
            while (hi < pending.hi && static_cast<uint8_t>(ids[hi][depth]) == byte) {
                ++hi;
            }
            const auto child = static_cast<uint32_t>(nodes.size());
            nodes.emplace_back();
            if (pending.node == 0) {
                rootChildren[byte] = child;
            }
            bitmap.bits[byte >> 6] |= uint64_t{1} << (byte & 63);
            nodes[pending.node].onlyByte = byte;
            stack.push_back({child, lo, hi, depth + 1});
            lo = hi;
        }
        Node& node = nodes[pending.node];
        node.firstChild = firstChild;
        node.childCount = static_cast<uint16_t>(nodes.size() - firstChild);
        if (node.childCount > 1 && pending.node != 0) {
            for (size_t word = 1; word < 4; ++word) {
                bitmap.before[word] = static_cast<uint16_t>(bitmap.before[word - 1] +
                                                            PopCount(bitmap.bits[word - 1]));
            }
            node.bitmap = static_cast<uint32_t>(bitmaps.size());
            bitmaps.push_back(bitmap);
        }
    }
}

bool SubstitutionPlan::Impl::Inert(const QByteArray& value) const {
    return std::none_of(value.begin(), value.end(),
                        [&](char c) { return startsId[static_cast<uint8_t>(c)]; });
}

inline uint32_t SubstitutionPlan::Impl::Child(const Node& node, uint8_t byte) const {
    if (node.childCount <= 1) {
        return node.childCount == 1 && byte == node.onlyByte ? node.firstChild : kNone;
    }
    const Bitmap& bitmap = bitmaps[node.bitmap];
    const uint64_t word = bitmap.bits[byte >> 6];
    const uint64_t bit = uint64_t{1} << (byte & 63);
    if ((word & bit) == 0) {
        return kNone;
    }
    return node.firstChild + bitmap.before[byte >> 6] + PopCount(word & (bit - 1));
}

// Calls onId(length, terminal) for every id that starts at `at`, shortest first, and returns the
// number of bytes looked at.
template <class OnId>
size_t SubstitutionPlan::Impl::Walk(const char* at, const char* end, OnId&& onId) const {
    uint32_t node = rootChildren[static_cast<uint8_t>(*at)];
    const char* next = at + 1;
    while (node != kNone) {
        const Node& current = nodes[node];
        if (current.labelLength > 0) {
            if (static_cast<size_t>(end - next) < current.labelLength ||
                !SameBytes(next, current.label, current.labelLength)) {
                return static_cast<size_t>(next - at) + current.labelLength;
            }
            next += current.labelLength;
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

// Match through the hash table. The work counted is the longest length tried plus the probes.
template <class OnId>
size_t SubstitutionPlan::Impl::Lookup(const char* at, const char* end, OnId&& onId) const {
    const auto available = static_cast<size_t>(end - at);
    size_t work = 1;
    for (const size_t length : idLengths) {
        if (length > available) {
            break;
        }
        work = std::max(work, length);
        const uint64_t hash = HashBytes(at, length);
        for (uint64_t i = FirstEntry(hash); table[i].terminal != kNone; i = (i + 1) & tableMask) {
            ++work;
            const HashEntry& entry = table[i];
            if (entry.hash == hash && terminalIds[entry.terminal].size() == length &&
                SameBytes(at, terminalIds[entry.terminal].data(), length)) {
                onId(length, entry.terminal);
                break;
            }
        }
    }
    return work;
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

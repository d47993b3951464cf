#include "settings/SubstitutionTrie.h"

#include <algorithm>

namespace {

std::string_view View(QByteArrayView bytes) {
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// A label this long is cut in two, so that its length fits the node.
constexpr std::size_t kMaxLabel = UINT32_MAX;

}  // namespace

// The ids [lo, hi) of the sorted distinct ids, which share their first `depth` bytes, below
// `node`.
struct SubstitutionTrie::IdRange {
    uint32_t node, lo, hi;
    std::size_t depth;
};

SubstitutionTrie::SubstitutionTrie(const std::vector<Substitution>& substitutions) {
    const Ids ids = GroupPassesById(substitutions);
    NoteIdStarts(ids);
    Build(ids);
}

// Sorts the substitutions with a non-empty id by id, each run of equal ids in list order, into
// mPasses and mTerminals, and returns the distinct ids in that order.
SubstitutionTrie::Ids SubstitutionTrie::GroupPassesById(
    const std::vector<Substitution>& substitutions) {
    // Most ids differ within the eight bytes after the prefix that all of them share ("$(" at
    // least): those bytes, as one number, order them without a look at the ids themselves. Only
    // ids that agree there are compared whole. An id that ends early is padded with zeros, which
    // puts it before every longer id that starts with it, as string_view's order does (it
    // compares bytes unsigned).
    struct Keyed {
        uint64_t key;
        uint32_t pass;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(substitutions.size());
    std::string_view first;  // the first non-empty id
    std::size_t shared = 0;  // how many bytes every id has in common with it
    for (std::size_t i = 0; i < substitutions.size(); ++i) {
        const std::string_view id = View(substitutions[i].id);
        if (id.empty()) {
            continue;
        }
        if (keyed.empty()) {
            first = id;
            shared = id.size();
        }
        const std::string_view head = first.substr(0, shared);
        shared = std::size_t(std::mismatch(head.begin(), head.end(), id.begin(), id.end()).first -
                             head.begin());
        keyed.push_back({0, static_cast<uint32_t>(i)});
    }
    for (Keyed& k : keyed) {
        const std::string_view rest = View(substitutions[k.pass].id).substr(shared);
        for (std::size_t b = 0; b < 8; ++b) {
            k.key = (k.key << 8) | (b < rest.size() ? static_cast<uint8_t>(rest[b]) : 0U);
        }
    }
    // Variables are often listed in the order of their names already: one look tells.
    const auto byKey = [](const Keyed& a, const Keyed& b) {
        return a.key != b.key ? a.key < b.key : a.pass < b.pass;
    };
    if (!std::is_sorted(keyed.begin(), keyed.end(), byKey)) {
        std::sort(keyed.begin(), keyed.end(), byKey);
    }
    for (auto run = keyed.begin(); run != keyed.end();) {
        const auto next =
            std::find_if(run, keyed.end(), [run](const Keyed& k) { return k.key != run->key; });
        if (next - run > 1) {
            std::sort(run, next, [&](const Keyed& a, const Keyed& b) {
                const std::string_view x = View(substitutions[a.pass].id);
                const std::string_view y = View(substitutions[b.pass].id);
                return x != y ? x < y : a.pass < b.pass;
            });
        }
        run = next;
    }
    mPasses.reserve(keyed.size());
    for (const Keyed& k : keyed) {
        mPasses.push_back(k.pass);
    }
    const std::size_t distinct = CountDistinctIds(substitutions);
    Ids ids;
    ids.reserve(distinct);
    mTerminals.reserve(distinct);
    for (std::size_t i = 0; i < mPasses.size(); ++i) {
        const std::string_view id = View(substitutions[mPasses[i]].id);
        if (ids.empty() || ids.back() != id) {
            ids.push_back(id);
            mTerminals.push_back({static_cast<uint32_t>(i), 0});
        }
        ++mTerminals.back().passCount;
    }
    return ids;
}

// How many distinct ids mPasses, sorted by id, holds.
std::size_t SubstitutionTrie::CountDistinctIds(
    const std::vector<Substitution>& substitutions) const {
    std::size_t distinct = 0;
    for (std::size_t i = 0; i < mPasses.size(); ++i) {
        distinct +=
            i == 0 || View(substitutions[mPasses[i - 1]].id) != View(substitutions[mPasses[i]].id);
    }
    return distinct;
}

// How many nodes Build makes of the sorted distinct ids, so that they are allocated once (only a
// label cut in two adds one): the root, a node where each id ends, and one where ids part without
// one of them ending there. The places where ids part are the common prefixes of neighbours; those
// still open, as the ids are gone through in order, are kept on a stack by length, each place
// counted once when it opens.
std::size_t SubstitutionTrie::CountNodes(const Ids& ids) {
    std::size_t nodes = 1 + ids.size();
    std::vector<std::size_t> open;
    for (std::size_t i = 1; i < ids.size(); ++i) {
        const std::string_view before = ids[i - 1];
        const std::string_view id = ids[i];
        const auto shared = static_cast<std::size_t>(
            std::mismatch(before.begin(), before.end(), id.begin(), id.end()).first -
            before.begin());
        while (!open.empty() && open.back() > shared) {
            open.pop_back();
        }
        // Where the id before ends there, its own node is the parting place, counted already.
        if (shared > 0 && (open.empty() || open.back() < shared)) {
            open.push_back(shared);
            nodes += shared < before.size();
        }
    }
    return nodes;
}

// The bytes that ids start with, the ids that hold such a byte after their first, and the
// longest id.
void SubstitutionTrie::NoteIdStarts(const Ids& ids) {
    for (const std::string_view id : ids) {
        mLongest = std::max(mLongest, id.size());
        mStartsId[static_cast<uint8_t>(id[0])] = true;
    }
    mInnerStart.reserve(ids.size());
    for (const std::string_view id : ids) {
        mInnerStart.push_back(
            std::any_of(id.begin() + 1, id.end(), [this](char c) { return StartsId(c); }));
    }
    if (std::count(mStartsId.begin(), mStartsId.end(), true) == 1) {
        mOnlyStartByte = static_cast<int>(std::find(mStartsId.begin(), mStartsId.end(), true) -
                                          mStartsId.begin());
    }
}

// Depth first over ranges of the sorted ids sharing a prefix. An explicit stack, as an id may be
// megabytes.
void SubstitutionTrie::Build(const Ids& ids) {
    const std::size_t nodes = CountNodes(ids);
    mNodes.reserve(nodes);
    mNodes.emplace_back();
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
            mNodes[range.node].terminal = range.lo++;
        }
        AddChildren(ids, range, stack);
        IndexChildren(range.node);
    }
}

// The node's label runs from the range's depth as far as all its ids agree; returns its end.
std::size_t SubstitutionTrie::SetLabel(const Ids& ids, const IdRange& range) {
    // When the first and the last id agree at a depth, all of them do.
    const std::string_view first = ids[range.lo];
    const std::string_view last = ids[range.hi - 1];
    std::size_t depth = range.depth;
    while (first.size() > depth && first[depth] == last[depth] && depth - range.depth < kMaxLabel) {
        ++depth;
    }
    Node& node = mNodes[range.node];
    const char* label = first.data() + range.depth;
    node.labelLength = static_cast<uint32_t>(depth - range.depth);
    std::memcpy(&node.labelHead, label, std::min<std::size_t>(node.labelLength, 8));
    if (node.labelLength > 8) {
        node.longLabel = static_cast<uint32_t>(mLongLabels.size());
        mLongLabels.push_back(label);
    }
    return depth;
}

// A child for each byte that the ids of the range have at its depth, created together so that
// they are consecutive, each with its own range to build. The first child's range is built first,
// so that the nodes lie in the order of the ids: a template that names its variables in that
// order walks through them front to back.
void SubstitutionTrie::AddChildren(const Ids& ids, const IdRange& range,
                                   std::vector<IdRange>& stack) {
    mNodes[range.node].firstChild = static_cast<uint32_t>(mNodes.size());
    const std::size_t stacked = stack.size();
    for (uint32_t lo = range.lo; lo < range.hi;) {
        const auto byte = static_cast<uint8_t>(ids[lo][range.depth]);
        const auto sameByte = [&](std::string_view id) {
            return static_cast<uint8_t>(id[range.depth]) == byte;
        };
        // The ids are sorted, so those with the byte are a run: its end is found by steps that
        // double and then halve, so that a child of many ids costs a few looks, not one an id.
        uint32_t last = lo;  // the last id known to be in the run
        uint64_t step = 1;
        while (step < range.hi - last && sameByte(ids[last + step])) {
            last += static_cast<uint32_t>(step);
            step *= 2;
        }
        const auto bound = static_cast<uint32_t>(std::min<uint64_t>(last + step, range.hi));
        const auto hi = static_cast<uint32_t>(
            std::partition_point(ids.begin() + last + 1, ids.begin() + bound, sameByte) -
            ids.begin());
        mNodes.emplace_back().edgeByte = byte;
        stack.push_back({static_cast<uint32_t>(mNodes.size() - 1), lo, hi, range.depth + 1});
        lo = hi;
    }
    std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(stacked), stack.end());
}

// Sets the node's byte range, and its offsets where the children leave gaps in it.
void SubstitutionTrie::IndexChildren(uint32_t index) {
    Node& node = mNodes[index];
    const std::size_t childCount = mNodes.size() - node.firstChild;
    if (childCount == 0) {
        return;
    }
    node.lowByte = mNodes[node.firstChild].edgeByte;
    node.span = static_cast<uint16_t>(mNodes.back().edgeByte - node.lowByte + 1);
    if (node.span == childCount) {
        return;
    }
    node.offsets = static_cast<uint32_t>(mChildOffsets.size());
    mChildOffsets.resize(mChildOffsets.size() + node.span);
    for (uint32_t child = node.firstChild; child < mNodes.size(); ++child) {
        mChildOffsets[node.offsets + mNodes[child].edgeByte - node.lowByte] =
            static_cast<uint8_t>(child - node.firstChild);
    }
}

bool SubstitutionTrie::StartsAnIdBeyond(const char* at, const char* end) const {
    uint32_t node = Child(mNodes[0], static_cast<uint8_t>(*at));
    const char* next = at + 1;
    while (node != kNone) {
        const Node& current = mNodes[node];
        const std::size_t same = current.labelLength > 0 ? SameLabelBytes(node, next, end) : 0;
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

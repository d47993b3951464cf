// How the plan substitutes: one scan over the template, where SubstituteSequentially makes one
// pass per variable. An example first, then the rules. The parts, each in a file of its own:
//   SubstitutionTrie.h      the ids as a byte trie, and the walk down it from a byte of the text
//   SubstitutionWalkMemo.h  the walks found so far, by the sixteen bytes they started from
//   SubstitutionReplay.h    the passes run on a small piece of text, and each id's expansion
//   SubstitutionStream.h    the template read in pieces, the output sent in pieces
//   here                    the run: the scan, and where the text can be cut and emitted
//
// The substitutions, in their order (each one a pass):
//     pass 0   $(URL)   ->  http://$(HOST):$(PORT)/
//     pass 1   $(HOST)  ->  db
//     pass 2   $(PORT)  ->  5432
// and the template
//     url=$(URL) host=$(HOST) cost=$5\n
// The passes make it "url=http://$(HOST):$(PORT)/ host=$(HOST) cost=$5\n", then
// "url=http://db:$(PORT)/ host=db cost=$5\n", then "url=http://db:5432/ host=db cost=$5\n".
//
// Once per export (SubstitutionPlan's constructor, SubstitutionTrie):
//   - The distinct ids in byte order get numbers, their terminals: $(HOST) 0, $(PORT) 1, $(URL) 2.
//     Each knows its passes: 1, 2 and 0.
//   - The ids become a byte trie: "$" then "(", then "OST)" ends $(HOST), "ORT)" $(PORT) and "RL)"
//     $(URL).
//   - Only "$" starts an id, so the scan finds the places to look at with memchr.
//
// Once per template (Run):
//   1. At offset 4, a "$": the walk down the trie (SubstitutionTrie::Match) finds $(URL), 6 bytes
//      long, after going through 7 (the 7th, " ", continues no id). The walk is remembered by
//      the sixteen bytes it started from (WalkMemo): each later "$(URL) host=$(HO" costs a probe.
//   2. What the passes make of $(URL) alone, its expansion, is worked out once
//      (SubstitutionReplay): "http://$(HOST):$(PORT)/" after pass 0, "http://db:$(PORT)/" after
//      pass 1, "http://db:5432/" after pass 2. No form on the way ends in a proper prefix of an
//      id ("$", "$(", "$(H", ...) that the text after the occurrence could complete, so the
//      expansion is complete: it is the result wherever $(URL) stands alone.
//   3. $(URL) holds no "$" after its first byte, so no other id can start inside it, and nothing
//      before it is waiting: "url=" is copied to the output and "http://db:5432/" appended.
//   4. At 16, $(HOST), whose value holds no "$": its expansion is the value, "db". Emitted the
//      same way: " host=" copied, "db" appended.
//   5. At 29, "$5": the walk ends after "$", as no id goes on with "5". No id starts there: a lone
//      start. A value inserted right after that "$" could complete an id with it, so offset 30 is
//      no place to cut the text (see the rules below). Nothing is inserted there, and the rest of
//      the text is copied as it stands: " cost=$5\n".
// The output, "url=http://db:5432/ host=db cost=$5\n", went to the sink as it became final.
//
// When a value leaves the start of an id: with $(A) -> "$(" and $(B) -> "x", the template
// "$(A)B) end" becomes "$(B) end", then "x end". The expansion of $(A) stops at its form "$(",
// which ends in a proper prefix of an id, so it is not complete. The occurrence is a group of its
// own, replayed as a window ("$(A)" alone): its form "$(" ends in a prefix again, so the text
// cannot be cut after it. The run opens a region at the group's start, to be replayed as one once
// it has doubled or the template ends: "$(A)B) end" through the passes is "x end".
//
// The rules. The passes are replayed on small pieces of the text instead of the whole of it. A
// position of the text is a cut when no match of any pass ever spans it; the text between two
// cuts then goes through the passes exactly as it would inside the whole text, so its result can
// be worked out alone. A match that spans a cut starts before it, and the part before the cut is a
// proper prefix of the id: so a position is a cut when, in each form that the passes give the
// piece before it, no suffix is a proper prefix of an id. The run checks just that.
//
// One scan finds every occurrence of every id, overlapping ones included, and the id-start bytes
// where no id occurs (lone starts). Occurrences that overlap form a group, and the text between
// two groups is a gap, which no pass ever changes. So:
//   - the end of a gap, where a group starts, is a cut when the walk from no lone start of the gap
//     reached it (its extent), and so is a lone start that the walks before it do not reach;
//   - the end of a group of one occurrence is a cut when no form of the id through the passes has
//     such a suffix; the id's result is the same wherever it occurs, so it is worked out once per
//     run (its expansion). When no other id can start inside the occurrence, the group is known
//     to be one occurrence, and done with, as soon as the walk has found it: most occurrences are
//     emitted at once (EmitAlone);
//   - the end of a group of several occurrences is a cut when the group's own replay shows none.
// Where a position turns out not to be a cut, the pieces on both sides are taken together into a
// region that is replayed as one, up to the next cut whose replay shows no such suffix. A region
// that keeps failing is tried again only once it has doubled, and the end of the text is always a
// cut, so the work stays within a small multiple of the plain passes over the region.
//
// The template is read in pieces, and only what is not final yet is kept; the output goes to the
// sink in pieces as soon as it is final (SubstitutionStream.h). Only when the scan itself costs
// more than the plain passes would, for ids of many bytes that occur everywhere, does the run give
// up, and Apply runs SubstituteSequentially instead.
//
// Where some substitutions are passwords and the caller asks, a second instantiation of the run
// also tells where the output holds their values. Each piece it emits knows its secrets: text of
// the template holds none, an expansion's are worked out with it (the passes on the id alone,
// tracking), and a replayed window's come from its replay; as no match of any pass spans a cut,
// they are the secrets the passes over the whole text would give there. They are told in output
// offsets, each before its bytes leave. The other instantiation is the run without a trace of
// this.

#include "settings/SubstitutionPlan.h"

#include "settings/SubstitutionReplay.h"
#include "settings/SubstitutionStream.h"
#include "settings/SubstitutionTrie.h"
#include "settings/SubstitutionWalkMemo.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace {

constexpr uint32_t kNone = SubstitutionTrie::kNone;
constexpr std::size_t kNoPosition = SIZE_MAX;

// One application of the plan to one template. A tracking run also tells `secrets` where the
// output holds a secret; the other is compiled without a trace of that.
template <bool kTracking>
class Run {
  public:
    Run(const std::vector<Substitution>& substitutions, const SubstitutionTrie& trie,
        std::size_t pieceBytes, ByteSource& text, ByteSink& out, SecretRanges* secrets)
        : mTrie(trie),
          mReplay(substitutions, trie, kTracking),
          mText(text),
          mOut(out, std::min(pieceBytes, SubstitutionPlan::PieceBytesFor(text.SizeHint()))),
          mSecrets(secrets) {}

    // Sends the substituted text to the sink. Fails when the text cannot be read. Sets `gaveUp`
    // when the plain passes have to be run instead; the sink then holds part of the text.
    Status Execute(bool* gaveUp);

  private:
    // The scan: what starts at each id-start byte. Walk and Take run for every one of them, and
    // are defined inline.
    void Scan(std::size_t from, std::size_t to);
    TrieWalk Walk(const char* at, const char* end, std::size_t start, std::size_t* found);
    uint32_t AloneExpansion(uint32_t terminal);
    void Take(std::size_t start, const TrieWalk& walk);

    // Groups, gaps and cuts.
    bool EmitAlone(std::size_t start, std::size_t length, uint32_t expansion);
    void AddOccurrence(std::size_t start, std::size_t length, uint32_t terminal);
    void AddLoneStart(std::size_t start, std::size_t extent);
    void CloseGroup();
    bool GapReaches(std::size_t position) const {
        return mGapExtent != 0 && mGapExtent >= position;
    }
    // The text before `cut` is done with as far as the gap goes: emits it, or ends the region.
    void ReachCut(std::size_t cut);

    // Regions: text replayed as one because a position in it is no cut.
    void StartRegion(std::size_t begin, std::size_t triedEnd);
    bool TryCloseRegion(std::size_t cut, bool forced);

    // The text from mCopied to `position` is final as it stands.
    void CopyUpTo(std::size_t position);
    // An expansion, or mWindow as replayed, goes to the output; a tracking run notes their
    // secrets (NoteSecrets), and counts every byte, before the bytes leave.
    void EmitExpansion(uint32_t index) {
        const std::string_view text = mReplay.ExpansionAt(index).text;
        if constexpr (kTracking) {
            NoteSecrets(mReplay.ExpansionSecrets(index), text.size());
        }
        mOut.Emit(text);
    }
    bool ReplayWindow(bool checkTail);
    void EmitWindow();
    void NoteSecrets(std::span<const ByteRange> secrets, std::size_t size);
    // Past the plain passes over the text, with room for replaying regions as they double.
    bool OverBudget() const {
        return mScanWork + mReplay.Work() >
               8 * (mTrie.ActivePasses() + 1) * (uint64_t{mText.ReadEnd()} + 1) + 4096;
    }
    bool Stopped() const { return OverBudget() || mOut.Failed(); }

    const SubstitutionTrie& mTrie;
    SubstitutionReplay mReplay;
    WalkMemo mWalks;
    TemplateWindow mText;
    OutputPieces mOut;
    uint64_t mScanWork = 0;    // the bytes the scan's walks went through
    std::size_t mScanned = 0;  // the id-start bytes before this offset have been looked at
    std::size_t mCopied = 0;   // the text before this offset is accounted for in the output

    // The group being gathered: its span, and its terminal when it is one occurrence.
    bool mGroupOpen = false;
    std::size_t mGroupBegin = 0;
    std::size_t mGroupEnd = 0;
    uint32_t mGroupTerminal = kNone;
    // The gap after the last group: where the walks from its lone starts reach (0 when it has
    // none), and its last position that they do not.
    std::size_t mGapExtent = 0;
    std::size_t mSafeCut = 0;
    // The region waiting for a cut, and how long it must be before it is tried again.
    std::size_t mRegionBegin = kNoPosition;
    std::size_t mRegionRetry = 0;

    std::string mWindow;  // a group or a region, replayed

    SecretRanges* mSecrets;  // when tracking
    uint64_t mEmitted = 0;   // the bytes of the output so far, when tracking
    std::vector<ByteRange> mWindowSecrets;
};

template <bool kTracking>
Status Run<kTracking>::Execute(bool* gaveUp) {
    // A walk from an id-start byte looks at most one byte past the longest id.
    const std::size_t lookahead = mTrie.Longest() + 1;
    while (!mText.Ended()) {
        if (Status read = mText.ReadMore(mCopied); !read.ok()) {
            return read;
        }
        const std::size_t end = mText.ReadEnd();
        mOut.SetTemplateRead(end);
        const std::size_t ready = mText.Ended() ? end : end - std::min(end, lookahead);
        if (ready > mScanned) {
            Scan(mScanned, ready);
            // An occurrence emitted alone may end past `ready`; no id starts inside it.
            mScanned = std::max(ready, mCopied);
        }
        if (Stopped()) {
            *gaveUp = !mOut.Failed();
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
        TryCloseRegion(mText.ReadEnd(), true);
    }
    CopyUpTo(mText.ReadEnd());
    mOut.Flush();
    *gaveUp = OverBudget() && !mOut.Failed();
    return Status::Ok();
}

template <bool kTracking>
void Run<kTracking>::Scan(std::size_t from, std::size_t to) {
    const char* const first = mText.At(from);
    const char* const end = mText.At(mText.ReadEnd());
    mTrie.ForEachStart(first, mText.At(to), [&](const char* at) {
        const std::size_t start = from + static_cast<std::size_t>(at - first);
        const bool keyed = end - at >= 16;  // the memo knows walks by sixteen bytes
        WalkMemo::Key key = {};
        if (keyed) {
            key = WalkMemo::KeyAt(at);
            if (const TrieWalk* known = mWalks.Find(key)) {
                mScanWork += known->looked;
                Take(start, *known);
                return !Stopped();
            }
        }
        std::size_t found = 0;
        const TrieWalk walk = Walk(at, end, start, &found);
        mScanWork += walk.looked;
        Take(start, walk);
        if (keyed && WalkMemo::Keeps(walk.looked, found)) {
            mWalks.Remember(key, walk);
        }
        return !Stopped();
    });
}

// Walks the trie from `at`, the text's byte at `start`, and counts the ids found in `found`.
// They are found shortest first; each but the last is added as an occurrence at once, and the
// last is returned, as it may be emitted alone when it is the only one.
template <bool kTracking>
inline TrieWalk Run<kTracking>::Walk(const char* at, const char* end, std::size_t start,
                                     std::size_t* found) {
    TrieWalk walk;
    const std::size_t looked = mTrie.Match(at, end, [&](std::size_t length, uint32_t terminal) {
        if ((*found)++ > 0) {
            AddOccurrence(start, walk.length, walk.terminal);
        }
        walk.length = static_cast<uint32_t>(length);
        walk.terminal = terminal;
    });
    walk.looked = static_cast<uint32_t>(looked);
    if (*found == 1) {
        walk.alone = AloneExpansion(walk.terminal);
    }
    return walk;
}

// Most occurrences of most ids are a group of their own that is done with where it ends: the only
// id that starts at its start, with no byte inside it that starts an id, after a gap that no walk
// crosses, and with an expansion that leaves no start of an id at its end. Such an occurrence is
// emitted at once, without waiting for the next start to show that nothing overlaps it.
//
// The index of the terminal's expansion when its id has no byte inside that starts an id and the
// expansion is complete, or kNone. EmitAlone checks the rest where the occurrence stands.
template <bool kTracking>
uint32_t Run<kTracking>::AloneExpansion(uint32_t terminal) {
    if (mTrie.HasInnerStart(terminal) || !mReplay.ExpansionOf(terminal).complete) {
        return kNone;
    }
    return mReplay.ExpansionIndex(terminal);
}

// What a walk from `start` found joins the groups and gaps, or is emitted at once.
template <bool kTracking>
inline void Run<kTracking>::Take(std::size_t start, const TrieWalk& walk) {
    if (walk.terminal == kNone) {
        AddLoneStart(start, start + walk.looked);
    } else if (walk.alone == kNone || !EmitAlone(start, walk.length, walk.alone)) {
        AddOccurrence(start, walk.length, walk.terminal);
    }
}

// Emits the occurrence at `start`, whose id has the AloneExpansion `expansion`, when it also stands
// alone where it is: no group or region is open, and no walk of the gap reaches it.
template <bool kTracking>
bool Run<kTracking>::EmitAlone(std::size_t start, std::size_t length, uint32_t expansion) {
    if (mGroupOpen && start >= mGroupEnd) {
        CloseGroup();
    }
    if (mGroupOpen || mRegionBegin != kNoPosition || GapReaches(start)) {
        return false;
    }
    CopyUpTo(start);
    EmitExpansion(expansion);
    mCopied = start + length;
    mSafeCut = mCopied;
    mGapExtent = 0;
    return true;
}

template <bool kTracking>
void Run<kTracking>::AddOccurrence(std::size_t start, std::size_t length, uint32_t terminal) {
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

// A lone start reaches up to `extent`: no position up to there is a cut.
template <bool kTracking>
void Run<kTracking>::AddLoneStart(std::size_t start, std::size_t extent) {
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

// Nothing found later can join the group: its end is a cut when its replay shows one.
template <bool kTracking>
void Run<kTracking>::CloseGroup() {
    mGroupOpen = false;
    const std::size_t begin = mGroupBegin;
    const std::size_t end = mGroupEnd;
    mGapExtent = 0;
    mSafeCut = end;
    if (mRegionBegin != kNoPosition) {
        TryCloseRegion(end, false);
        return;
    }
    // At the end of the text nothing follows that a suffix could join.
    const bool last = mText.IsEnd(end);
    if (mGroupTerminal != kNone) {
        const uint32_t expansion = mReplay.ExpansionIndex(mGroupTerminal);
        if (mReplay.ExpansionAt(expansion).complete) {
            EmitExpansion(expansion);
            mCopied = end;
            return;
        }
    }
    mWindow.assign(mText.At(begin), end - begin);
    if (ReplayWindow(!last)) {
        EmitWindow();
        mCopied = end;
        return;
    }
    StartRegion(begin, end);
}

template <bool kTracking>
void Run<kTracking>::ReachCut(std::size_t cut) {
    if (mRegionBegin == kNoPosition) {
        CopyUpTo(cut);
    } else {
        TryCloseRegion(cut, false);
    }
}

// The text before `begin` is final; the region from it was tried up to `triedEnd`.
template <bool kTracking>
void Run<kTracking>::StartRegion(std::size_t begin, std::size_t triedEnd) {
    CopyUpTo(begin);
    mRegionBegin = begin;
    mRegionRetry = 2 * (triedEnd - begin);
}

// Replays the region up to `cut` when it has doubled since it was last tried, or when `forced`,
// and emits it when its replay shows that `cut` is one.
template <bool kTracking>
bool Run<kTracking>::TryCloseRegion(std::size_t cut, bool forced) {
    const std::size_t length = cut - mRegionBegin;
    if (!forced && length < mRegionRetry) {
        return false;
    }
    mWindow.assign(mText.At(mRegionBegin), length);
    if (!ReplayWindow(!mText.IsEnd(cut))) {
        mRegionRetry = 2 * length;
        return false;
    }
    EmitWindow();
    mCopied = cut;
    mSafeCut = cut;
    mRegionBegin = kNoPosition;
    return true;
}

template <bool kTracking>
void Run<kTracking>::CopyUpTo(std::size_t position) {
    if (position > mCopied) {
        if constexpr (kTracking) {
            mEmitted += position - mCopied;
        }
        mOut.Emit(mText.At(mCopied), position - mCopied);
        mCopied = position;
    }
}

// `secrets` are those of `size` bytes that go out next.
template <bool kTracking>
void Run<kTracking>::NoteSecrets(std::span<const ByteRange> secrets, std::size_t size) {
    for (const ByteRange& secret : secrets) {
        mSecrets->Add({qint64(mEmitted) + secret.begin, qint64(mEmitted) + secret.end});
    }
    mEmitted += size;
}

// Runs the passes on mWindow, which holds text of the template and so no secret.
template <bool kTracking>
bool Run<kTracking>::ReplayWindow(bool checkTail) {
    if constexpr (kTracking) {
        mWindowSecrets.clear();
        return mReplay.Replay(mWindow, checkTail, &mWindowSecrets);
    }
    return mReplay.Replay(mWindow, checkTail);
}

template <bool kTracking>
void Run<kTracking>::EmitWindow() {
    if constexpr (kTracking) {
        NoteSecrets(mWindowSecrets, mWindow.size());
    }
    mOut.Emit(mWindow);
}

}  // namespace

struct SubstitutionPlan::Impl {
    Impl(std::vector<Substitution> list, std::size_t pieceBytes)
        : substitutions(std::move(list)),
          trie(substitutions),
          pieceBytes(std::max<std::size_t>(pieceBytes, 1)),
          anySecret(
              std::any_of(substitutions.begin(), substitutions.end(),
                          [](const Substitution& s) { return s.secret && !s.id.isEmpty(); })) {}

    // Runs the plan; sets `gaveUp` when the plain passes have to be run instead.
    Status Execute(ByteSource& text, ByteSink& out, SecretRanges* secrets, bool* gaveUp) const {
        if (secrets != nullptr) {
            return Run<true>(substitutions, trie, pieceBytes, text, out, secrets).Execute(gaveUp);
        }
        return Run<false>(substitutions, trie, pieceBytes, text, out, nullptr).Execute(gaveUp);
    }

    // Reads the rest of `text` whole and sends the result of SubstituteSequentially in one piece;
    // with `secrets`, tracking them from `templateSecrets`.
    Status ApplyPlainPasses(ByteSource& text, ByteSink& out, SecretRanges* secrets,
                            std::vector<ByteRange> templateSecrets) const {
        QByteArray whole;
        if (Status read = ReadAll(text, &whole); !read.ok()) {
            return read;
        }
        QByteArray result;
        if (secrets != nullptr) {
            secrets->Clear();
            result = SubstituteSequentially(std::move(whole), substitutions, &templateSecrets);
            for (const ByteRange& range : templateSecrets) {
                secrets->Add(range);
            }
        } else {
            result = SubstituteSequentially(std::move(whole), substitutions);
        }
        out.Append(result.constData(), static_cast<std::size_t>(result.size()));
        return Status::Ok();
    }

    std::vector<Substitution> substitutions;
    SubstitutionTrie trie;  // points into the ids of `substitutions`
    std::size_t pieceBytes;
    bool anySecret;  // without one nothing is ever secret, and no run needs to track
};

std::size_t SubstitutionPlan::PieceBytesFor(qint64 textSize) {
    constexpr std::size_t kLeast = std::size_t{64} << 10;
    return textSize <= 0
               ? kPieceBytes
               : std::clamp(std::size_t(textSize) / 8, std::min(kLeast, kPieceBytes), kPieceBytes);
}

SubstitutionPlan::SubstitutionPlan(std::vector<Substitution> substitutions, std::size_t pieceBytes)
    : mImpl(std::make_unique<Impl>(std::move(substitutions), pieceBytes)) {}

SubstitutionPlan::~SubstitutionPlan() = default;
SubstitutionPlan::SubstitutionPlan(SubstitutionPlan&&) noexcept = default;
SubstitutionPlan& SubstitutionPlan::operator=(SubstitutionPlan&&) noexcept = default;

Status SubstitutionPlan::Apply(ByteSource& text, ByteSink& out, SecretRanges* secrets,
                               const std::vector<ByteRange>& templateSecrets) const {
    if (secrets != nullptr) {
        secrets->Clear();
        if (!mImpl->anySecret && templateSecrets.empty()) {
            secrets = nullptr;
        }
    }
    if (secrets != nullptr && !templateSecrets.empty()) {
        return mImpl->ApplyPlainPasses(text, out, secrets, templateSecrets);
    }
    if (mImpl->trie.TerminalCount() == 0) {
        std::string piece(TemplateWindow::kReadBytes, '\0');
        for (;;) {
            std::size_t got = 0;
            if (Status read = text.Read(piece.data(), piece.size(), &got); !read.ok() || got == 0) {
                return read;
            }
            if (!out.Append(piece.data(), got)) {
                return Status::Ok();
            }
        }
    }
    bool gaveUp = false;
    if (Status read = mImpl->Execute(text, out, secrets, &gaveUp); !read.ok() || !gaveUp) {
        return read;
    }
    if (!out.Restart()) {
        return Status::Ok();
    }
    if (Status read = text.Rewind(); !read.ok()) {
        return read;
    }
    return mImpl->ApplyPlainPasses(text, out, secrets, {});
}

QByteArray SubstitutionPlan::Apply(const QByteArray& text, std::vector<ByteRange>* secrets) const {
    ByteArraySource source(text);
    ByteArraySink out;
    SecretRanges ranges;
    // Bytes in memory are read and kept without fail, so the plan cannot fail here.
    const Status applied = Apply(source, out, secrets != nullptr ? &ranges : nullptr);
    Q_ASSERT(applied.ok());
    if (secrets != nullptr) {
        *secrets = ranges.Ranges();
    }
    return std::move(out.bytes());
}

#include "settings/SubstitutionReplay.h"

#include <algorithm>
#include <cstring>
#include <utility>

bool SubstitutionReplay::Replay(std::string& window, bool checkTail,
                                std::vector<ByteRange>* secrets) {
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
        if (secrets != nullptr)
            MoveSecrets(window, pass, secrets);
        ReplaceAll(window, pass);
        from = pass + 1;
    }
}

bool SubstitutionReplay::Dangles(std::string_view text) const {
    const std::size_t reach =
        mTrie.Longest() - 1;  // a proper prefix is shorter than the longest id
    const char* const end = text.data() + text.size();
    for (const char* at = end - std::min(reach, text.size()); at < end; ++at) {
        if (mTrie.StartsId(*at) && mTrie.StartsAnIdBeyond(at, end)) {
            return true;
        }
    }
    return false;
}

// The passes on the id alone, as on a window of its own.
uint32_t SubstitutionReplay::WorkOut(uint32_t terminal) {
    const uint32_t pass = mTrie.PassesOf(terminal).front();
    const Substitution& first = mSubstitutions[pass];
    const std::string_view id = View(first.id);
    const std::string_view value = View(first.value);
    Expansion expansion;
    if (std::none_of(value.begin(), value.end(), [&](char c) { return mTrie.StartsId(c); })) {
        // Most values: the first pass makes the id the value, in which nothing can match.
        expansion = {value, !Dangles(id)};
        if (!first.secret && pass < kPassBits) {
            mExpansionOf[terminal] = kValueOf | (expansion.complete ? kComplete : 0) | pass;
            return mExpansionOf[terminal];
        }
    } else {
        std::string& replayed = mReplayed.emplace_back(id);
        expansion.complete = Replay(replayed, true);
        expansion.text = replayed;
    }
    mExpansionOf[terminal] = static_cast<uint32_t>(mExpansions.size());
    mExpansions.push_back(expansion);
    if (mTracking) {
        mExpansionSecrets.push_back(SecretsOf(first));
    }
    return mExpansionOf[terminal];
}

// Where the expansion of the id of `first`, its first substitution, holds secrets: the passes
// once more, on the id alone, tracking them. They stop where WorkOut's do, so the secrets are
// those of the same text.
std::vector<ByteRange> SubstitutionReplay::SecretsOf(const Substitution& first) {
    std::vector<ByteRange> secrets;
    const std::string_view value = View(first.value);
    if (std::none_of(value.begin(), value.end(), [&](char c) { return mTrie.StartsId(c); })) {
        if (first.secret) {
            secrets.push_back({0, qint64(value.size())});
        }
        return secrets;
    }
    std::string replayed(View(first.id));
    Replay(replayed, true, &secrets);
    return secrets;
}

// The smallest substitution index from `from` on whose id occurs in the window, or kNone.
uint32_t SubstitutionReplay::NextPass(std::string_view window, uint32_t from) {
    uint32_t best = kNone;
    const char* const end = window.data() + window.size();
    mTrie.ForEachStart(window.data(), end, [&](const char* at) {
        mWork += mTrie.Match(at, end, [&](std::size_t, uint32_t terminal) {
            const std::span<const uint32_t> passes = mTrie.PassesOf(terminal);
            if (passes.back() >= from) {
                best = std::min(best, *std::lower_bound(passes.begin(), passes.end(), from));
            }
        });
        return best != from;
    });
    return best;
}

// Moves `secrets` for the pass `pass` on the window, before it runs: as the second
// SubstituteSequentially does, at the occurrences that ReplaceAll will replace.
void SubstitutionReplay::MoveSecrets(const std::string& window, uint32_t pass,
                                     std::vector<ByteRange>* secrets) {
    const Substitution& substitution = mSubstitutions[pass];
    const std::string_view id = View(substitution.id);
    mStarts.clear();
    std::size_t from = 0;
    while (const void* found =
               memmem(window.data() + from, window.size() - from, id.data(), id.size())) {
        const auto at = static_cast<std::size_t>(static_cast<const char*>(found) - window.data());
        mStarts.push_back(qint64(at));
        from = at + id.size();
    }
    MoveSecretRanges(*secrets, mStarts, qint64(id.size()), substitution.value.size(),
                     substitution.secret, &mMoved);
    std::swap(*secrets, mMoved);
}

// One pass on the window as QByteArray::replace does it: leftmost matches, not overlapping, the
// inserted values not searched again.
void SubstitutionReplay::ReplaceAll(std::string& window, uint32_t pass) {
    const Substitution& substitution = mSubstitutions[pass];
    const std::string_view id = View(substitution.id);
    mScratch.clear();
    std::size_t copied = 0;
    while (const void* found =
               memmem(window.data() + copied, window.size() - copied, id.data(), id.size())) {
        const auto at = static_cast<std::size_t>(static_cast<const char*>(found) - window.data());
        mScratch.append(window, copied, at - copied);
        mScratch.append(View(substitution.value));
        copied = at + id.size();
    }
    mScratch.append(window, copied);
    mWork += window.size();
    std::swap(window, mScratch);
}

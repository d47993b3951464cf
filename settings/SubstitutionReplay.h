#pragma once

#include "settings/Substitution.h"
#include "settings/SubstitutionTrie.h"

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The passes of a list of substitutions, run on a small piece of text (a window) instead of the
// whole of it, and what they make of each id alone (its expansion), worked out once.
//
// This is where values that hold the ids of later variables are followed: with $(URL) ->
// "http://$(HOST):$(PORT)/", $(HOST) -> "db" and $(PORT) -> "5432", in that order, the expansion
// of $(URL) is "http://$(HOST):$(PORT)/" after the first pass, "http://db:$(PORT)/" after the
// second, "http://db:5432/" after the third. Only the passes whose id is in the window are run.
//
// A tracking replay also tells where each result holds a secret, by the rules of the second
// SubstituteSequentially: where it started from a window without any.
class SubstitutionReplay {
  public:
    // What the passes make of one id alone. `complete` is false when they were stopped because a
    // form of it ends in a proper prefix of an id, which the text after an occurrence could
    // complete; `text` is then not the result.
    struct Expansion {
        std::string_view text;  // into a value of the list, or into the replay's own storage
        bool complete = false;
    };

    // REQUIRES: both outlive the replay unchanged; `trie` is the trie of `substitutions`.
    // `tracking`: each expansion comes with its secrets (ExpansionSecrets).
    SubstitutionReplay(const std::vector<Substitution>& substitutions, const SubstitutionTrie& trie,
                       bool tracking = false)
        : mSubstitutions(substitutions),
          mTrie(trie),
          mTracking(tracking),
          mExpansionOf(trie.TerminalCount(), kNone) {}

    // Runs the passes on `window`. When `checkTail`, stops and returns false as soon as a form of
    // the window ends in a proper prefix of an id. Tracks secrets when `secrets` is given: it
    // holds where the window holds a secret, and receives where its result does.
    bool Replay(std::string& window, bool checkTail, std::vector<ByteRange>* secrets = nullptr);
    // Whether some suffix of `text` is a proper prefix of an id.
    bool Dangles(std::string_view text) const;

    // The index of the terminal's expansion, for ExpansionAt; worked out on first use.
    uint32_t ExpansionIndex(uint32_t terminal) {
        return mExpansionOf[terminal] != kNone ? mExpansionOf[terminal] : WorkOut(terminal);
    }
    Expansion ExpansionAt(uint32_t index) const {
        if ((index & kValueOf) != 0) {
            return {View(mSubstitutions[index & kPassBits].value), (index & kComplete) != 0};
        }
        return mExpansions[index];
    }
    Expansion ExpansionOf(uint32_t terminal) { return ExpansionAt(ExpansionIndex(terminal)); }
    // Where the expansion of that index holds a secret, relative to its start.
    // REQUIRES: a tracking replay.
    std::span<const ByteRange> ExpansionSecrets(uint32_t index) const {
        if ((index & kValueOf) != 0) {
            return {};
        }
        return mExpansionSecrets[index];
    }

    // The bytes gone through so far: the windows of the passes, and the walks that found their
    // ids.
    uint64_t Work() const { return mWork; }

  private:
    static constexpr uint32_t kNone = SubstitutionTrie::kNone;
    // Most expansions are the value of the id's first substitution, which holds no byte that
    // starts an id and is no secret: such an expansion is kept in its index alone, as that
    // substitution's place in the list with these two bits, and takes no room of its own.
    static constexpr uint32_t kValueOf = uint32_t{1} << 31;
    static constexpr uint32_t kComplete = uint32_t{1} << 30;
    static constexpr uint32_t kPassBits = kComplete - 1;  // all ones is kNone

    static std::string_view View(QByteArrayView bytes) {
        return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }

    uint32_t WorkOut(uint32_t terminal);
    uint32_t NextPass(std::string_view window, uint32_t from);
    std::vector<ByteRange> SecretsOf(const Substitution& first);
    void MoveSecrets(const std::string& window, uint32_t pass, std::vector<ByteRange>* secrets);
    void ReplaceAll(std::string& window, uint32_t pass);

    const std::vector<Substitution>& mSubstitutions;
    const SubstitutionTrie& mTrie;
    const bool mTracking;
    std::vector<uint32_t> mExpansionOf;  // by terminal: the index of its expansion, or kNone
    std::vector<Expansion> mExpansions;  // those not kept in their index
    std::vector<std::vector<ByteRange>> mExpansionSecrets;  // by index, when tracking
    std::deque<std::string> mReplayed;  // the texts of expansions that are not a value
    std::string mScratch;
    std::vector<qint64> mStarts;  // of the occurrences of a tracked pass
    std::vector<ByteRange> mMoved;
    uint64_t mWork = 0;
};

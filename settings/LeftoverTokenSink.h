#pragma once

#include "platform/ByteSink.h"
#include "settings/SecretRanges.h"

#include <QByteArray>
#include <QByteArrayView>

#include <string_view>
#include <unordered_set>
#include <vector>

// A token of the shape of a variable id that is still in an output: "$(", one or more ASCII
// letters, digits, "_", "." or "-", then ")".
struct LeftoverToken {
    QByteArray text;
    qint64 line;  // the first line it appears on, counted from 1
};

// Passes the bytes on to another sink unchanged and notes the first kMaxListed distinct
// $(NAME)-shaped tokens in them, each once, in the order in which they first appear; a token may be
// split between pieces. Every later occurrence of any other token is only counted, so that an
// output full of different tokens costs no memory and a report stays short. Restart forgets the
// tokens too. The scan finds each "$" with memchr and counts the lines only up to each "$(" and to
// the end of a piece; it costs little next to producing the bytes.
//
// A token that takes in a byte of a password's value is neither listed nor counted: a warning
// would show that part of the password. `secrets`, when given, tells where the bytes hold one
// (SubstitutionPlan::Apply); the sink tells it how far it has read (SecretRanges::Passed).
class LeftoverTokenSink final : public ByteSink {
  public:
    static constexpr std::size_t kMaxListed = 100;

    // `secrets`, when given, must outlive the sink.
    explicit LeftoverTokenSink(ByteSink& out, SecretRanges* secrets = nullptr)
        : mOut(out), mSecrets(secrets) {}

    bool Append(const char* data, std::size_t size) override;
    bool Restart() override;

    // The first distinct tokens, at most kMaxListed.
    const std::vector<LeftoverToken>& Tokens() const { return mTokens; }
    // How many occurrences of tokens that are not among Tokens() came after the list was full.
    qint64 UnlistedCount() const { return mUnlisted; }

  private:
    template <bool kSecrets>
    void Scan(const char* data, const char* end);
    void Note(QByteArrayView text, qint64 line);

    ByteSink& mOut;
    SecretRanges* mSecrets;
    qint64 mLine = 1;     // of the end of what was scanned
    qint64 mScanned = 0;  // the bytes scanned before the piece being scanned
    QByteArray mPartial;  // the start of a token that the last piece ended in
    qint64 mPartialLine = 0;
    qint64 mPartialBegin = 0;  // where it starts, with mSecrets
    // The texts of mTokens, which own the bytes: a QByteArray keeps them in place when it moves.
    std::unordered_set<std::string_view> mListed;
    std::vector<LeftoverToken> mTokens;
    qint64 mUnlisted = 0;
};

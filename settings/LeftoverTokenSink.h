#pragma once

#include "platform/ByteSink.h"

#include <QByteArray>
#include <QSet>

#include <vector>

// A token of the shape of a variable id that is still in an output: "$(", one or more ASCII
// letters, digits, "_", "." or "-", then ")".
struct LeftoverToken {
    QByteArray text;
    qint64 line;  // the first line it appears on, counted from 1
};

// Passes the bytes on to another sink unchanged and notes every distinct $(NAME)-shaped token in
// them, once, in the order in which they first appear; a token may be split between pieces.
// Restart forgets the tokens too. The scan finds each "$" with memchr and counts the lines only up
// to each "$(" and to the end of a piece; it costs little next to producing the bytes.
class LeftoverTokenSink final : public ByteSink {
  public:
    explicit LeftoverTokenSink(ByteSink& out) : mOut(out) {}

    bool Append(const char* data, std::size_t size) override;
    bool Restart() override;

    const std::vector<LeftoverToken>& Tokens() const { return mTokens; }

  private:
    void Scan(const char* data, const char* end);
    void Note(const QByteArray& text, qint64 line);

    ByteSink& mOut;
    qint64 mLine = 1;     // of the end of what was scanned
    QByteArray mPartial;  // the start of a token that the last piece ended in
    qint64 mPartialLine = 0;
    QSet<QByteArray> mSeen;
    std::vector<LeftoverToken> mTokens;
};

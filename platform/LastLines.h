#pragma once

#include "platform/SecretSet.h"

#include <QByteArray>
#include <QStringList>

#include <cstddef>
#include <deque>
#include <optional>

// The last lines of what a program writes, kept in bounded memory however much it writes: at most
// `lineCount` lines of at most `lineBytes` bytes each, whatever comes in between. A line that
// holds any of `secrets` (SecretSet, looked for in the whole line as written, also in what is cut
// off) is held back whole. `secrets`, when given, must outlive this.
class LastLines {
  public:
    LastLines(int lineCount, qsizetype lineBytes, const SecretSet* secrets = nullptr);

    // Takes the next `size` bytes of the output. A line ends at each line feed.
    void Append(const char* data, std::size_t size);

    // The lines kept, the oldest first, as text that can be shown anywhere: invalid UTF-8 becomes
    // U+FFFD, a control character other than the tab is shown escaped ("\x00"), and so is a
    // character that would break or turn the line (U+2028, U+202E: "\u2028"); a line's final
    // carriage return is dropped. A line longer than `lineBytes` keeps its start and ends with
    // "[... 12345 more bytes]". A last line without its line feed counts, an empty one does not.
    // A line held back is SecretSet::HeldBackLine().
    QStringList Lines() const;

  private:
    struct Line {
        QByteArray bytes;
        qint64 cut = 0;     // the bytes beyond the limit, dropped
        bool held = false;  // it holds a secret: its bytes are dropped
    };
    void EndLine();
    static QString Shown(const Line& line);

    const int mLineCount;
    const qsizetype mLineBytes;
    std::deque<Line> mLines;               // ended lines, at most mLineCount
    Line mCurrent;                         // the line being written
    std::optional<SecretSet::Scan> mScan;  // of mCurrent, with secrets to look for
};

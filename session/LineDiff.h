#pragma once

#include "platform/ByteSink.h"
#include "platform/SecretSet.h"
#include "settings/SecretRanges.h"

#include <QByteArray>

#include <utility>
#include <vector>

// What the diff of one file hides of the lines it shows: the ranges of bytes of each version that
// must not be seen (the values of passwords), each shown as one placeholder.
class DiffMask {
  public:
    virtual ~DiffMask() = default;

    // A run of removed lines and the run of added lines that the diff shows in its place, as byte
    // ranges of each version; either may be empty.
    struct Change {
        ByteRange before;
        ByteRange after;
    };
    // Called once, with both versions and every change of the diff in order, before anything is
    // written. False when the mask cannot tell what to hide: then nothing is written.
    virtual bool Prepare(const QByteArray& before, const QByteArray& after,
                         const std::vector<Change>& changes) = 0;
    // The ranges to hide in each version, sorted and apart; an empty one hides nothing.
    virtual const std::vector<ByteRange>& HiddenBefore() const = 0;
    virtual const std::vector<ByteRange>& HiddenAfter() const = 0;
    // What stands in a line for each hidden range, or for the part of one in that line.
    virtual QByteArray Placeholder() const = 0;
    // The removed lines, by where they start in `before`, ascending, that are shown as one
    // placeholder line each (WithheldLine): those of which the mask cannot tell for certain
    // where a password stood. None unless the mask says.
    virtual const std::vector<qint64>& WithheldBefore() const {
        static const std::vector<qint64> kNone;
        return kNone;
    }
};

// What a diff shows in place of a line that is held back whole: "******** (...)", in UTF-8.
QByteArray WithheldLine();

// A mask whose ranges are known before the diff is worked out.
class KnownRangesMask final : public DiffMask {
  public:
    KnownRangesMask(std::vector<ByteRange> before, std::vector<ByteRange> after,
                    QByteArray placeholder)
        : mBefore(std::move(before)),
          mAfter(std::move(after)),
          mPlaceholder(std::move(placeholder)) {}

    bool Prepare(const QByteArray&, const QByteArray&, const std::vector<Change>&) override {
        return true;
    }
    const std::vector<ByteRange>& HiddenBefore() const override { return mBefore; }
    const std::vector<ByteRange>& HiddenAfter() const override { return mAfter; }
    QByteArray Placeholder() const override { return mPlaceholder; }

  private:
    std::vector<ByteRange> mBefore;
    std::vector<ByteRange> mAfter;
    QByteArray mPlaceholder;
};

enum class DiffWritten {
    Nothing,  // `before` holds `after`
    Plain,
    Masked,   // with at least one range hidden
    Refused,  // the mask could not tell what to hide: nothing was written
};

// The difference between two versions of a file as a git-style unified diff, which `patch -p1`
// applies, written to `out` piece by piece:
//  - "diff --git a/<name> b/<name>", then "--- a/<name>" ("--- /dev/null" when `before` is null:
//    the file does not exist yet) and "+++ b/<name>", then hunks headed
//    "@@ -<start>,<count> +<start>,<count> @@" (",1" left out) holding three lines of context
//    around each change, removed lines before added ones, and "\ No newline at end of file"
//    after a last line without one. Lines end after "\n"; the bytes pass through as they are;
//  - a file that does not exist yet and is created empty has no hunks to show it: it gets
//    "new file mode 100644" after the first line instead, which is how patch learns of it;
//  - names are written as GitQuoted gives them, and "---" and "+++" lines of a name with a blank
//    end in a tab, as git writes them, so that patch takes the whole name; a name that ends in a
//    blank is quoted there as well, as patch would drop that blank.
// Writes nothing when `before` holds `after`.
//
// With a `mask`, each shown line has the ranges of its version that the mask hides replaced by
// the placeholder: a removed line those of `before`, an added line those of `after`, and a line
// of context both (it is in both). A line break stays where it is, hidden or not, so that the
// diff keeps its lines; names and hunk headers are never hidden. A removed line that the mask
// withholds (DiffMask::WithheldBefore) is shown as WithheldLine(), and so is every line of
// context, removed or added that, as it would be shown, still holds any of `secrets`.
//
// Memory: the two versions, which the caller holds, and for the lines between the first and
// the last that differ, 16 bytes a line. Those lines are matched by Myers' shortest edit search,
// which needs memory that grows with the square of the number of differing lines: beyond 2,000
// of them, beyond 4,194,304 lines between the first and the last change, or when the search
// takes too long, those lines are shown as one block that is removed and added whole.
DiffWritten WriteFileDiff(const QByteArray& name, const QByteArray* before, const QByteArray& after,
                          ByteSink& out, DiffMask* mask = nullptr,
                          const SecretSet* secrets = nullptr);

// `name` as git writes a path in a diff: as it is, or in double quotes, with C escapes ("\t",
// "\n", "\"", "\\", "\303\274"), when it holds a control character, a quotation mark, a
// backslash or a byte beyond ASCII.
QByteArray GitQuoted(const QByteArray& name);

#pragma once

#include "platform/ByteSink.h"

#include <QByteArray>

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
//    end in a tab, as git writes them, so that patch takes the whole name.
// Writes nothing when `before` holds `after`.
//
// Memory: the two versions, which the caller holds, and for the lines between the first and
// the last that differ, 16 bytes a line. Those lines are matched by Myers' shortest edit search,
// which needs memory that grows with the square of the number of differing lines: beyond 2,000
// of them, beyond 4,194,304 lines between the first and the last change, or when the search
// takes too long, those lines are shown as one block that is removed and added whole.
void WriteFileDiff(const QByteArray& name, const QByteArray* before, const QByteArray& after,
                   ByteSink& out);

// `name` as git writes a path in a diff: as it is, or in double quotes, with C escapes ("\t",
// "\n", "\"", "\\", "\303\274"), when it holds a control character, a quotation mark, a
// backslash or a byte beyond ASCII.
QByteArray GitQuoted(const QByteArray& name);

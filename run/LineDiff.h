#pragma once

#include <QByteArray>

// The difference between two versions of a file as a unified diff, the way `diff -u` and `git
// diff` write one: the headers "--- <oldName>" and "+++ <newName>", then hunks headed
// "@@ -<start>,<count> +<start>,<count> @@" (",1" left out) holding three lines of context
// around each change, removed lines before added ones, and "\ No newline at end of file" after a
// last line without one. Lines end after "\n"; the bytes pass through as they are. Empty when the
// two are the same.
//
// The lines are matched by Myers' shortest edit search, whose memory grows with the square of the
// number of differing lines. Beyond 2,000 of them (or when the search takes too long), the part
// between the common first and last lines is shown as one block that is removed and added whole.
QByteArray UnifiedDiff(const QByteArray& before, const QByteArray& after, const QByteArray& oldName,
                       const QByteArray& newName);

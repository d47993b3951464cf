#pragma once

#include "session/LineDiff.h"
#include "settings/SecretRanges.h"

#include <QByteArray>

#include <vector>

// What the diff of an output hides. In the new version: where the export put the values of
// passwords (TemplateExport::SecretsReport). In the old version, which nothing tracked, where it
// most likely held them, found by its structure: the old output was made from the same template
// with other values, so a line that held a password is a line of the new version whose text
// outside the password is the same, and whatever stands in the password's place is hidden.
//
// A change is the lines the diff removes and the lines it adds in their place:
//  - where the new lines hold a password of several lines, the removed lines are matched as a
//    whole against the added ones (the text outside the passwords equal, a password's place
//    taking any bytes, line breaks too);
//  - otherwise, and where that does not match, each removed line is matched against every new
//    line that holds a password. A line that holds nothing but passwords and blanks would match
//    almost any line, so it is matched only against the lines its own change removes.
// Where a line matches in more than one way, all that any way takes for a password is hidden. A
// removed line that matches nothing is shown only where it pairs for certain with a new line
// without a password: line for line, in a change apart from every password's place. Any other
// is held back whole (WithheldBefore): the rest of an old password of several lines, or a line
// whose other values changed around its password, cannot be told apart from a line without one.
class OutputDiffMask final : public DiffMask {
  public:
    // `secrets`: where the new version holds the values of passwords, sorted and apart; an empty
    // range is where a password without a value went.
    explicit OutputDiffMask(std::vector<ByteRange> secrets);

    // False when matching the old lines would take far longer than writing the diff (an output
    // of very many different lines that hold passwords).
    bool Prepare(const QByteArray& before, const QByteArray& after,
                 const std::vector<Change>& changes) override;
    const std::vector<ByteRange>& HiddenBefore() const override { return mBefore; }
    const std::vector<ByteRange>& HiddenAfter() const override { return mAfter; }
    QByteArray Placeholder() const override { return QByteArrayLiteral("********"); }
    const std::vector<qint64>& WithheldBefore() const override { return mWithheld; }

  private:
    std::vector<ByteRange> mAfter;
    std::vector<ByteRange> mBefore;
    std::vector<qint64> mWithheld;
};

#pragma once

#include "platform/ByteSink.h"
#include "platform/ByteSource.h"
#include "platform/Status.h"
#include "settings/SecretRanges.h"
#include "settings/Substitution.h"

#include <QByteArray>

#include <cstddef>
#include <memory>
#include <vector>

// The substitutions of one export run, prepared once and applied to every template.
//
// Apply gives byte for byte what SubstituteSequentially gives for the same substitutions, in time
// about linear in the template's length, also where values hold the ids of later variables: one
// scan finds every occurrence of every id, and the passes are replayed only on the pieces of text
// that they can change, each id's result worked out once. Only where the scan itself would cost
// more than the passes (ids of many bytes that occur everywhere) does Apply run
// SubstituteSequentially on the template instead.
//
// Asked to, it also tells where the output holds a secret, as the second SubstituteSequentially
// does; where no substitution is secret, that costs nothing.
class SubstitutionPlan {
  public:
    // The output goes out in pieces gathered up to about `pieceBytes` bytes; a longer piece (a
    // long value, a long stretch of text copied at once) goes out as it is. Tests make them tiny.
    // A text of known size gets pieces of about an eighth of it, if that is less (PieceBytesFor).
    static constexpr std::size_t kPieceBytes = std::size_t{1} << 20;
    // The pieces for a text of `textSize` bytes, 0 when unknown: an eighth of it, from 64 KiB up
    // to kPieceBytes. A few pieces make the most of the thread that writes them; a small text
    // needs no buffers of a large one's size.
    static std::size_t PieceBytesFor(qint64 textSize);
    explicit SubstitutionPlan(std::vector<Substitution> substitutions,
                              std::size_t pieceBytes = kPieceBytes);
    ~SubstitutionPlan();
    SubstitutionPlan(SubstitutionPlan&&) noexcept;
    SubstitutionPlan& operator=(SubstitutionPlan&&) noexcept;

    // Reads the text from `text` and sends the substituted text to `out` as it is produced;
    // neither is held whole. When the passes have to be run instead, the sink is restarted, and
    // the text is read again from its start, whole, and its result sent in one piece. Fails when
    // the text cannot be read; a failing sink just stops the work, and its owner reports why.
    // `secrets`, when given, is cleared, and told where the output holds a secret, each range
    // before its bytes reach `out`; cleared again when `out` restarts. `templateSecrets`, when not
    // empty, are where the template holds secrets itself (it is an output made before): such a
    // template is read whole and goes through the plain passes.
    Status Apply(ByteSource& text, ByteSink& out, SecretRanges* secrets = nullptr,
                 const std::vector<ByteRange>& templateSecrets = {}) const;
    QByteArray Apply(const QByteArray& text, std::vector<ByteRange>* secrets = nullptr) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> mImpl;
};

// SubstitutionPlan is the fast form of SubstituteSequentially and must give the same bytes for
// every template and every list of substitutions: ids that overlap, repeat, are empty, are found
// inside values or straddle the boundary between a value and the text around it. Where some of
// them are passwords, it must tell where the output holds their values as the passes do.
//
// Input: a header byte whose low three bits give the number of substitutions and whose high five
// bits say which of the first five are passwords, then for each substitution a length byte and
// the id and value bytes, then the template. In a length byte, bits 0-1 plus bit 2 give the id's
// length, 0 to 4, and bit 3 adds eight, for ids longer than the trie's eight-byte label heads; the
// high four bits give the value's length. Every byte of an id, a value or the template is mapped
// onto a small alphabet, so that the ids do occur, overlap and chain.

#include "fuzz/FuzzCheck.h"
#include "settings/Substitution.h"
#include "settings/SubstitutionPlan.h"
#include "testing/SecretBytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t* const end = data + size;
    // The next `length` input bytes, as many as there are, mapped onto a small alphabet: '$', '('
    // and ')' as in "$(NAME)", and the literal's closing NUL, because templates are bytes and not
    // C strings.
    const auto take = [&](size_t length) {
        QByteArray text;
        for (; length > 0 && data < end; --length)
            text.append("ab$()"[*data++ % 6]);
        return text;
    };
    const uint8_t header = data < end ? *data++ : 0;
    std::vector<Substitution> substitutions(header % 8);
    std::vector<QByteArray> pieces;  // which the substitutions view
    pieces.reserve(2 * substitutions.size());
    double growth = 1;  // a bound on how much the passes multiply the size of the text
    QByteArray shown;   // the substitutions, for a report
    for (std::size_t i = 0; i < substitutions.size(); ++i) {
        Substitution& substitution = substitutions[i];
        const uint8_t lengths = data < end ? *data++ : 0;
        substitution.id =
            pieces.emplace_back(take((lengths & 3) + (lengths >> 2 & 1) + (lengths & 8)));
        substitution.value = pieces.emplace_back(take(lengths >> 4));
        substitution.secret = (header >> (3 + i) & 1) != 0;
        if (!substitution.id.isEmpty() && substitution.value.size() > substitution.id.size())
            growth *= double(substitution.value.size()) / double(substitution.id.size());
        shown += fuzz::Shown(substitution.id) + (substitution.secret ? " => " : " -> ") +
                 fuzz::Shown(substitution.value) + "; ";
    }
    const QByteArray text = take(size);
    // Values that hold the ids of later variables make the text grow geometrically, and a result
    // of hundreds of megabytes tests nothing a smaller one does not.
    if (double(text.size()) * growth > double(1 << 20))
        return 0;
    std::vector<ByteRange> secrets;
    const QByteArray expected = SubstituteSequentially(text, substitutions, &secrets);
    FUZZ_CHECK(SubstituteSequentially(text, substitutions) == expected,
               "the passes that track secrets give the bytes of those that do not");
    // The text comes in and goes out in pieces; tiny ones split ids and the pieces between cuts.
    for (const size_t piece : {SubstitutionPlan::kPieceBytes, 1 + size % 16}) {
        ByteArraySource source(text, piece);
        ByteArraySink sink;
        SecretRanges tracked;
        FUZZ_CHECK(SubstitutionPlan(substitutions, piece).Apply(source, sink, &tracked).ok(),
                   "a plan reads and writes bytes in memory without fail");
        const QByteArray& actual = sink.bytes();
        if (actual != expected || tracked.Ranges() != secrets)
            std::fprintf(
                stderr, "template %s\nwith %s\npieces of %zu bytes\nplan %s %s\nsequential %s %s\n",
                fuzz::Shown(text).constData(), shown.constData(), piece,
                fuzz::Shown(actual).constData(), Shown(tracked.Ranges()).c_str(),
                fuzz::Shown(expected).constData(), Shown(secrets).c_str());
        FUZZ_CHECK(actual == expected, "the plan gives the bytes of the sequential passes");
        FUZZ_CHECK(tracked.Ranges() == secrets, "the plan tells where the passwords went");
    }
    return 0;
}

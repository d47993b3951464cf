// SubstitutionPlan is the fast form of SubstituteSequentially and must give the same bytes for
// every template and every list of substitutions: ids that overlap, repeat, are empty, are found
// inside values or straddle the boundary between a value and the text around it.
//
// Input: a header byte with the number of substitutions, then for each one a length byte and the
// id and value bytes, then the template. In a length byte, bits 0-1 plus bit 2 give the id's
// length, 0 to 4, and bit 3 adds eight, for ids longer than the plan's eight-byte label heads; the
// high four bits give the value's length. Every byte of an id, a value or the template is mapped
// onto a small alphabet, so that the ids do occur, overlap and chain.

#include "fuzz/FuzzCheck.h"
#include "settings/Substitution.h"
#include "settings/SubstitutionPlan.h"

#include <cstddef>
#include <cstdint>

namespace {

// '$', '(' and ')' as in "$(NAME)"; a NUL byte because templates are bytes, not C strings.
constexpr char kAlphabet[] = {'a', 'b', '$', '(', ')', '\0'};
constexpr size_t kMaxOutputBytes = size_t(1) << 20;

// The next `length` input bytes, as many as there are, mapped onto the alphabet.
QByteArray Take(const uint8_t*& data, const uint8_t* end, size_t length) {
    QByteArray text;
    for (; length > 0 && data < end; --length) {
        text.append(kAlphabet[*data++ % sizeof kAlphabet]);
    }
    return text;
}

// A bound on the size of the result: each pass at most multiplies the text by value / id length.
// Values that hold the ids of later variables make the text grow geometrically, and a result of
// hundreds of megabytes tests nothing a smaller one does not.
bool OutputStaysSmall(qsizetype textSize, const std::vector<Substitution>& substitutions) {
    double bound = double(textSize);
    for (const Substitution& substitution : substitutions) {
        if (!substitution.id.isEmpty() && substitution.value.size() > substitution.id.size()) {
            bound = bound * double(substitution.value.size()) / double(substitution.id.size()) + 1;
        }
    }
    return bound <= double(kMaxOutputBytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t* const end = data + size;
    std::vector<Substitution> substitutions(data < end ? *data++ % 8 : 0);
    for (Substitution& substitution : substitutions) {
        const uint8_t lengths = data < end ? *data++ : 0;
        substitution.id = Take(data, end, (lengths & 3) + (lengths >> 2 & 1) + (lengths & 8));
        substitution.value = Take(data, end, lengths >> 4);
    }
    const QByteArray text = Take(data, end, size);
    if (!OutputStaysSmall(text.size(), substitutions)) {
        return 0;
    }

    const QByteArray expected = SubstituteSequentially(text, substitutions);
    // The output goes out in pieces; tiny ones make clusters straddle piece boundaries.
    const QByteArray actual = SubstitutionPlan(substitutions).Apply(text);
    const QByteArray inPieces = SubstitutionPlan(substitutions, 1 + size % 16).Apply(text);
    if (actual != expected || inPieces != expected) {
        fuzz::Show("template", text);
        for (const Substitution& substitution : substitutions) {
            fuzz::Show("id", substitution.id);
            fuzz::Show("  value", substitution.value);
        }
        fuzz::Show("SubstituteSequentially", expected);
        fuzz::Show("SubstitutionPlan", actual);
        fuzz::Show("SubstitutionPlan in small pieces", inPieces);
        __builtin_trap();
    }
    return 0;
}

// SubstitutionPlan is the fast form of SubstituteSequentially and must give the same bytes for
// every template and every list of substitutions: ids that overlap, repeat, are empty, are found
// inside values or straddle the boundary between a value and the text around it.
//
// Input: a header byte with the number of substitutions, then for each one a length byte and the
// id and value bytes, then the template. Every byte of an id, a value or the template is mapped
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

class Reader {
  public:
    Reader(const uint8_t* data, size_t size) : mData(data), mSize(size) {}

    bool AtEnd() const { return mPos >= mSize; }
    uint8_t Byte() { return AtEnd() ? 0 : mData[mPos++]; }
    QByteArray Text(size_t length) {
        QByteArray text;
        while (length-- > 0 && !AtEnd()) {
            text.append(kAlphabet[Byte() % sizeof kAlphabet]);
        }
        return text;
    }

  private:
    const uint8_t* mData;
    size_t mSize;
    size_t mPos = 0;
};

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
    Reader reader(data, size);
    const int count = reader.Byte() % 8;
    std::vector<Substitution> substitutions;
    for (int i = 0; i < count; ++i) {
        // Low bits: id length 0..4 (0 is the empty id, which replaces nothing, one time in
        // eight); high bits: value length 0..15.
        const uint8_t lengths = reader.Byte();
        Substitution substitution;
        substitution.id = reader.Text((lengths & 0x3) + ((lengths >> 2) & 0x1));
        substitution.value = reader.Text(lengths >> 4);
        substitutions.push_back(std::move(substitution));
    }
    QByteArray text;
    while (!reader.AtEnd()) {
        text.append(reader.Text(1));
    }
    if (!OutputStaysSmall(text.size(), substitutions)) {
        return 0;
    }

    const QByteArray expected = SubstituteSequentially(text, substitutions);
    // The output goes out in pieces; tiny ones make clusters straddle piece boundaries.
    const size_t piece = 1 + size % 16;
    const QByteArray actual = SubstitutionPlan(substitutions).Apply(text);
    const QByteArray inPieces = SubstitutionPlan(substitutions, piece).Apply(text);
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

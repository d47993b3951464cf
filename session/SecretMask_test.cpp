#include "session/SecretMask.h"

#include <gtest/gtest.h>

namespace {

// Every occurrence of a secret becomes "********", however the text is cut into pieces.
TEST(SecretMaskTest, MasksEverySecretWhereverThePiecesAreCut) {
    const struct {
        const char* what;
        QList<QByteArray> secrets;
        const char* text;
        const char* masked;
    } cases[] = {
        {"no secret", {}, "password = s3cret", "password = s3cret"},
        {"one secret twice", {"s3cret"}, "-pw s3cret\n+pw s3cret!", "-pw ********\n+pw ********!"},
        {"a secret at the very end", {"s3cret"}, "pw s3cret", "pw ********"},
        {"a secret shorter than four characters", {"ab"}, "abcab", "********c********"},
        {"the longer of two secrets that start alike", {"ab", "abcd"}, "xabcdx", "x********x"},
        {"overlapping occurrences, left first", {"aba"}, "ababa", "********ba"},
        {"a partial secret stays", {"s3cret"}, "s3cre", "s3cre"},
    };
    for (const auto& c : cases) {
        for (qsizetype piece : {1, 2, 3, 100}) {
            SCOPED_TRACE(std::string(c.what) + ", in pieces of " + std::to_string(piece));
            QByteArray out;
            {
                SecretMask mask(c.secrets, [&out](const QByteArray& bytes) { out += bytes; });
                const QByteArray text(c.text);
                for (qsizetype at = 0; at < text.size(); at += piece) {
                    mask.Append(text.constData() + at, std::min(piece, text.size() - at));
                }
            }
            EXPECT_EQ(out.toStdString(), c.masked);
        }
    }
}

}  // namespace

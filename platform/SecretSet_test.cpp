#include "platform/SecretSet.h"

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Whether `text`, given to a scan in pieces of `piece` bytes, holds a secret of `secrets`.
bool FoundInPieces(const SecretSet& secrets, const std::string& text, std::size_t piece) {
    SecretSet::Scan scan(secrets);
    for (std::size_t at = 0; at < text.size(); at += piece)
        scan.Add(QByteArrayView(text.data() + at, qsizetype(std::min(piece, text.size() - at))));
    return scan.Found();
}

TEST(SecretSetTest, FindsEverySecretInTheRawBytesOfAText) {
    const struct {
        const char* what;
        QStringList values;
        std::string text;
        bool held;
    } cases[] = {
        {"no secret at all", {}, "anything", false},
        {"an empty value is no secret", {""}, "anything", false},
        {"a text without them", {"s3cret", "other"}, "a s3cre t", false},
        {"one of many, at the end", {"alpha", "beta", "gamma"}, "x gamma", true},
        {"found after a longer start that failed", {"abcde", "cdf"}, "abcdf", true},
        {"a repeated start", {"aab"}, "aaab", true},
        {"a secret inside another one's start", {"abcd", "bc"}, "xbcx", true},
        {"a line of a value of several lines, LF", {"one\ntw0"}, "only tw0 here", true},
        {"a line of a value of several lines, CR LF", {"one\r\ntw0"}, "tw0", true},
        {"a line of a value of several lines, CR", {"one\rtw0"}, "tw0\r", true},
        {"the whole value of several lines", {"one\ntw0"}, "one\ntw0", true},
        {"the empty lines of a value are no secret", {"a\n\nb"}, "\n\n", false},
        {"a value with U+0085 and U+202E, raw", {"p\u0085w\u202e!"}, "x p\u0085w\u202e! y", true},
        {"... which its escaped form does not hold", {"p\u0085w\u202e!"}, "p\\x85w\\u202e!", false},
        {"bytes that are not UTF-8 around it", {"pw"}, "\xff\xfe pw \x80", true},
    };
    for (const auto& c : cases) {
        const SecretSet secrets(c.values);
        EXPECT_EQ(secrets.HeldIn(QByteArrayView(c.text.data(), qsizetype(c.text.size()))), c.held)
            << c.what;
        for (const std::size_t piece : {std::size_t(1), std::size_t(2), std::size_t(3)})
            EXPECT_EQ(FoundInPieces(secrets, c.text, piece), c.held)
                << c.what << ", in pieces of " << piece;
    }
}

// Thousands of secrets are looked for in one pass; a text holds one of them or none.
TEST(SecretSetTest, LooksForManySecretsAtOnce) {
    QStringList values;
    for (int i = 0; i < 5000; ++i)
        values.append(QStringLiteral("secret-%1-end").arg(i * 7919));
    const SecretSet secrets(values);
    EXPECT_TRUE(secrets.HeldIn(QByteArrayView("... secret-9772046-end ...")));
    EXPECT_FALSE(secrets.HeldIn(QByteArrayView("... secret-9772047-end ...")));
}

// A message keeps its lines, but each that holds a secret is replaced.
TEST(SecretSetTest, HoldsBackTheLinesOfAMessageThatHoldASecret) {
    const SecretSet secrets({"hunter2"});
    EXPECT_EQ(secrets.Withheld(QStringLiteral("The command failed:\nlogin hunter2 refused\nbye")),
              "The command failed:\n" + SecretSet::HeldBackLine() + "\nbye");
    EXPECT_EQ(SecretSet().Withheld(QStringLiteral("hunter2")), "hunter2");
}

}  // namespace

#pragma once

#include "testing/QStringPrinter.h"

#include <QStringList>

#include <gmock/gmock.h>

#include <vector>

// Matches a QString that holds `part` somewhere: for messages of which a test pins down the words
// that matter. A failure reads: holds text (part: "...").
MATCHER_P(HoldsText, part, "") {
    return arg.contains(part);
}

// Matches a list of texts, such as the messages shown, that holds exactly as many texts as
// `parts`, each holding its part, in order. A failure lists every text that is there.
inline auto HoldTextsInTurn(const QStringList& parts) {
    std::vector<::testing::Matcher<const QString&>> matchers;
    for (const QString& part : parts)
        matchers.push_back(HoldsText(part));
    return ::testing::ElementsAreArray(matchers);
}

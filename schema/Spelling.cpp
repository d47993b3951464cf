#include "schema/Spelling.h"

#include <algorithm>
#include <vector>

namespace {

// The optimal string alignment distance: Levenshtein's, with a swap of two neighbouring
// characters counting as one edit ("flie" is one edit from "file").
int EditDistance(QStringView a, QStringView b) {
    const qsizetype rows = a.size() + 1;
    const qsizetype columns = b.size() + 1;
    std::vector<int> d(static_cast<std::size_t>(rows * columns));
    const auto at = [&](qsizetype i, qsizetype j) -> int& {
        return d[static_cast<std::size_t>(i * columns + j)];
    };
    for (qsizetype i = 0; i < rows; ++i)
        at(i, 0) = static_cast<int>(i);
    for (qsizetype j = 0; j < columns; ++j)
        at(0, j) = static_cast<int>(j);
    for (qsizetype i = 1; i < rows; ++i) {
        for (qsizetype j = 1; j < columns; ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
            }
        }
    }
    return at(rows - 1, columns - 1);
}

}  // namespace

std::optional<QString> LikelyMeant(const QString& word, const QStringList& known) {
    // Nothing is close to a word this long, and the table would take room for nothing.
    constexpr qsizetype kLongestCompared = 64;
    if (word.size() > kLongestCompared) {
        return std::nullopt;
    }
    const QString folded = word.toCaseFolded();
    std::optional<QString> best;
    int bestDistance = 0;
    for (const QString& candidate : known) {
        const int allowed = candidate.size() <= 4 ? 1 : 2;
        const int distance = EditDistance(folded, candidate.toCaseFolded());
        if (distance <= allowed && (!best || distance < bestDistance)) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

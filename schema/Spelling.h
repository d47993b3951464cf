#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The word of `known` that `word` most likely misspells, for a warning that suggests it: the first
// one, in the order given, at the smallest edit distance from `word` (insertions, deletions,
// substitutions and swaps of two neighbouring letters, case ignored), provided that distance is
// at most 1 for a known word of up to 4 letters and at most 2 for a longer one. Nothing when
// none is that close; a word that is itself in `known` suggests itself.
std::optional<QString> LikelyMeant(const QString& word, const QStringList& known);

#pragma once

#include "settings/SecretRanges.h"

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

// One variable of an export: every occurrence of `id` in a template becomes `value`. `secret`:
// the variable is a password, and wherever its value goes is a secret (see the second
// SubstituteSequentially). The bytes are kept by whoever made it, for as long as it is used.
struct Substitution {
    QByteArrayView id;
    QByteArrayView value;
    bool secret = false;
};

// Replaces, for each substitution in order, every occurrence of its id in `text` by its value:
// one left-to-right pass per variable that does not rescan what it has just inserted, so a value
// holding the id of a later variable is substituted again, one holding an earlier id is not.
// An empty id replaces nothing.
QByteArray SubstituteSequentially(QByteArray text, const std::vector<Substitution>& substitutions);

// The same passes, telling where the result holds a secret. `secrets` holds, sorted and apart,
// where `text` holds one already (usually nowhere), and receives where the result does. In each
// pass an occurrence is replaced by a secret when the substitution is secret, or when the
// occurrence takes in any secret byte (a password's value that, with the text around it, spells
// the id), or the place of an empty secret strictly inside it: so the whole expansion of a
// password whose value holds later ids is secret, and so is a password's value that reaches the
// text inside another variable's value. The rest of a secret that an occurrence cuts into stays
// secret. An empty secret (a password without a value) is a place; one at either end of an
// occurrence stays there, before or after its replacement.
QByteArray SubstituteSequentially(QByteArray text, const std::vector<Substitution>& substitutions,
                                  std::vector<ByteRange>* secrets);

// Where the secrets of a text stand after one pass of the rules above: `before` are those of the
// text, sorted and apart; the pass replaced the id of `idLength` bytes at each of `starts`
// (ascending, apart by at least `idLength`) by a value of `valueLength` bytes, a secret one when
// `secretValue`. `after` receives the secrets of the result, sorted and apart.
void MoveSecretRanges(const std::vector<ByteRange>& before, const std::vector<qint64>& starts,
                      qint64 idLength, qint64 valueLength, bool secretValue,
                      std::vector<ByteRange>* after);

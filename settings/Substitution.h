#pragma once

#include <QByteArray>

#include <vector>

// One variable of an export: every occurrence of `id` in a template becomes `value`.
struct Substitution {
    QByteArray id;
    QByteArray value;
};

// Replaces, for each substitution in order, every occurrence of its id in `text` by its value:
// one left-to-right pass per variable that does not rescan what it has just inserted, so a value
// holding the id of a later variable is substituted again, one holding an earlier id is not.
// An empty id replaces nothing.
QByteArray SubstituteSequentially(QByteArray text, const std::vector<Substitution>& substitutions);

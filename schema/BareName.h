#pragma once

#include <QString>

// A variable id's bare name: the id with every "$(" removed, then every ")". "$(DBHOST)",
// "$(DBHOST" and "DBHOST" all give "DBHOST". Ids of the same bare name address the same variable,
// so bare names are unique among a configuration's items.
QString BareName(QStringView id);
// Writes the bare name of `id` to `out`, which has room for id.size() characters, and returns its
// length: for a lookup that needs no string of its own.
qsizetype WriteBareName(QStringView id, QChar* out);

#include "schema/BareName.h"

// One pass over the id: every "$(" of the id is found where it stands before anything is removed,
// so removing them all first, then every ")", drops the same characters. A plain loop, as this
// runs for every variable of every load and save.
qsizetype WriteBareName(QStringView id, QChar* out) {
    QChar* const start = out;
    const QChar* const end = id.data() + id.size();
    for (const QChar* at = id.data(); at < end; ++at) {
        if (*at == u'$' && at + 1 < end && at[1] == u'(') {
            ++at;
        } else if (*at != u')') {
            *out++ = *at;
        }
    }
    return out - start;
}

QString BareName(QStringView id) {
    QString name(id.size(), Qt::Uninitialized);
    name.truncate(WriteBareName(id, name.data()));
    return name;
}

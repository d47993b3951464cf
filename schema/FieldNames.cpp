#include "schema/FieldNames.h"

#include <algorithm>

namespace {

// `prefix` + the bare name. One pass over the id: every "$(" of the id is found where it stands
// before anything is removed, so removing them all first, then every ")", drops the same
// characters. A plain loop, as this runs for every variable of every load and save.
QString PrefixedBareName(QStringView prefix, const QString& id) {
    QString name(prefix.size() + id.size(), Qt::Uninitialized);
    QChar* out = std::copy(prefix.begin(), prefix.end(), name.data());
    const QChar* const end = id.constData() + id.size();
    for (const QChar* at = id.constData(); at < end; ++at) {
        if (*at == u'$' && at + 1 < end && at[1] == u'(') {
            ++at;
        } else if (*at != u')') {
            *out++ = *at;
        }
    }
    name.truncate(out - name.constData());
    return name;
}

}  // namespace

QString BareName(const QString& id) {
    return PrefixedBareName({}, id);
}

QString FieldControlName(const QString& id) {
    return PrefixedBareName(u"e", id);
}

QString LabelControlName(const QString& id) {
    return PrefixedBareName(u"lbl", id);
}

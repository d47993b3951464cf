#include "schema/FieldNames.h"

QString BareName(const QString& id) {
    QString bare = id;
    bare.remove(QStringLiteral("$("));
    bare.remove(u')');
    return bare;
}

QString FieldControlName(const QString& id) {
    return u'e' + BareName(id);
}

QString LabelControlName(const QString& id) {
    return QStringLiteral("lbl") + BareName(id);
}

#include "gui/ControlNames.h"

#include "schema/BareName.h"

QString FieldControlName(const QString& id) {
    return u'e' + BareName(id);
}

QString LabelControlName(const QString& id) {
    return QStringLiteral("lbl") + BareName(id);
}

#include "gui/ControlNames.h"

#include "schema/BareName.h"

QString FieldControlName(QStringView id) {
    return u'e' + BareName(id);
}

QString LabelControlName(QStringView id) {
    return QStringLiteral("lbl") + BareName(id);
}

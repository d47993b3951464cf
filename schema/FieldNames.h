#pragma once

#include <QString>

// The names and places of a variable's controls, derived from its id ("$(DBHOST)").

// The id with every "$(" removed, then every ")": "$(DBHOST)", "$(DBHOST" and "DBHOST" all give
// "DBHOST".
QString BareName(const QString& id);
// "e" + bare name: the name of the variable's text field.
QString FieldControlName(const QString& id);
// "lbl" + bare name: the name of the variable's label.
QString LabelControlName(const QString& id);

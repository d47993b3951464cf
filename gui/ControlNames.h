#pragma once

#include <QString>

// The names of a variable's controls in the window, derived from its id through its bare name:
// $(DBHOST) gives the text field eDBHOST and the label lblDBHOST.

// "e" + bare name: the name of the variable's value field.
QString FieldControlName(QStringView id);
// "lbl" + bare name: the name of the variable's label.
QString LabelControlName(QStringView id);

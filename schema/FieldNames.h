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

// Row geometry in twips (1/1440 inch). Rows are 500 twips apart from 1000 down, with no upper
// bound on the row index.
namespace RowLayout {
constexpr int kLabelLeft = 200;
constexpr int kFieldLeft = 1500;
constexpr int kWidth = 1500;
constexpr int kHeight = 300;
constexpr int Top(int row) {
    return 1000 + 500 * row;
}
}  // namespace RowLayout

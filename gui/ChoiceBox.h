#pragma once

#include <QComboBox>

// A drop-down list that a screen reader names by its accessible name (its field's label), as it
// names every other field, and not by the entry chosen: Qt's own combo box on Linux gives its
// value as its name and leaves the name to the label's relation. The value stays its value.
class ChoiceBox : public QComboBox {
    Q_OBJECT
  public:
    explicit ChoiceBox(QWidget* parent);
};

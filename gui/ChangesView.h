#pragma once

#include "session/EditSession.h"

#include <QByteArray>
#include <QDialog>
#include <QStringList>

#include <vector>

// The preview of a save. From the top: the values that break their rules, while any does (and
// its Save button is disabled until none does); a table of the values edited since the save, by
// group and label, old -> new (a password as ********); the files that would change; a few lines
// about what the diff does not show (problems and warnings of the save, changes a diff cannot
// carry, masked passwords); then the diff that the save would make to the settings file and to
// every output, read-only in a fixed-width font. Its buttons are Save and Close. Save does not
// save by itself: it asks the window through SaveRequested, and the window closes the view when
// its save went through.
class ChangesView final : public QDialog {
    Q_OBJECT
  public:
    // One row of the table of values.
    struct ChangedValue {
        QString group;
        QString label;
        QString before;
        QString after;
    };
    // `diff`: the report of `preview`, the bytes /diff prints for the same state. `invalid`: one
    // line for each value that breaks its rules; `values`: the rows of the table, with passwords
    // masked already.
    ChangesView(const SavePreview& preview, const QByteArray& diff, const QStringList& invalid,
                const std::vector<ChangedValue>& values, QWidget* parent);

  signals:
    void SaveRequested();
};

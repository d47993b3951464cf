#pragma once

#include "session/EditSession.h"

#include <QByteArray>
#include <QDialog>

// The preview of a save: the diff that it would make to the settings file and to every output,
// read-only in a fixed-width font, under a few lines about what the diff does not show (problems
// and warnings of the save, changes a diff cannot carry, masked passwords, or that no file would
// change), with the buttons Save and Close. Save does not save by itself: it asks the window
// through SaveRequested, and the window closes the view when its save went through.
class ChangesView final : public QDialog {
    Q_OBJECT
  public:
    // `diff`: the report of `preview`, the bytes /diff prints for the same state.
    ChangesView(const SavePreview& preview, const QByteArray& diff, QWidget* parent);

  signals:
    void SaveRequested();
};

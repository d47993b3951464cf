#pragma once

#include <QObject>
#include <QString>

class QLineEdit;
class QWidget;
class frmsetup;

// One variable's text field: creates the single-line text box and reports every change of its
// text, typed or set by the program, to the main window as a modification.
class clsTextbox : public QObject {
    Q_OBJECT
  public:
    // Creates the text box named `aID` on `aParent` at (`aLeft`, `aTop`) in pixels, tagged with
    // the group `aTabKey`, hidden until the page switch shows its group.
    void Create(const QString& aID, const QString& aTabKey, frmsetup* aFrm, QWidget* aParent,
                int aLeft, int aTop);

    QLineEdit* Textbox() const { return mTextbox; }

  private slots:
    void mTextbox_Change();

  private:
    QLineEdit* mTextbox = nullptr;  // owned by its parent widget
    frmsetup* mOwner = nullptr;
};

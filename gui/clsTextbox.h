#pragma once

#include <QObject>
#include <QString>

class QLineEdit;
class QWidget;

// One variable's text field: creates the single-line text box and reports every change of its
// text, typed or set by the program, through Changed().
class clsTextbox : public QObject {
    Q_OBJECT
  public:
    // Creates the text box named `aID` on the page `aFrm`, at (`aLeft`, `aTop`) in twips of the
    // window, tagged with the group `aTabKey` and hidden until the page switch shows its group.
    void Create(const QString& aID, const QString& aTabKey, QWidget* aFrm, int aLeft, int aTop);

    QLineEdit* Textbox() const { return mTextbox; }

  signals:
    void Changed();

  private slots:
    void mTextbox_Change();

  private:
    QLineEdit* mTextbox = nullptr;  // owned by its page
};

#include "gui/clsTextbox.h"

#include "gui/Layout.h"

#include <QLineEdit>

#include <limits>

void clsTextbox::Create(const QString& aID, const QString& aTabKey, QWidget* aFrm, int aLeft,
                        int aTop) {
    mTextbox = new QLineEdit(aFrm);
    mTextbox->setObjectName(aID);
    mTextbox->setProperty("Tag", aTabKey);
    // A line edit cuts texts at 32767 characters by default; a value must survive a load and a
    // save whole.
    mTextbox->setMaxLength(std::numeric_limits<int>::max());
    mTextbox->setGeometry(Layout::RowControlRect(aLeft, aTop));
    mTextbox->hide();
    connect(mTextbox, &QLineEdit::textChanged, this, &clsTextbox::mTextbox_Change);
}

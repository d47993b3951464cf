#include "clsTextbox.h"

#include "app/frmsetup.h"
#include "schema/FieldNames.h"

#include <QLineEdit>

#include <limits>

void clsTextbox::Create(const QString& aID, const QString& aTabKey, frmsetup* aFrm,
                        QWidget* aParent, int aLeft, int aTop) {
    mOwner = aFrm;
    mTextbox = new QLineEdit(aParent);
    mTextbox->setObjectName(aID);
    mTextbox->setProperty("Tag", aTabKey);
    // A line edit cuts texts at 32767 characters by default; a value must survive a load and a
    // save whole.
    mTextbox->setMaxLength(std::numeric_limits<int>::max());
    mTextbox->setGeometry(aLeft, aTop, (RowLayout::kWidth + 7) / 15, (RowLayout::kHeight + 7) / 15);
    mTextbox->hide();
    connect(mTextbox, &QLineEdit::textChanged, this, &clsTextbox::mTextbox_Change);
}

void clsTextbox::mTextbox_Change() {
    mOwner->Dirty();
}

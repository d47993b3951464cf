#include "gui/clsTextbox.h"

#include "gui/Layout.h"

#include <QLineEdit>
#include <QStyle>

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

void clsTextbox::mTextbox_Change() {
    // A value wider than its box shows whole in a tooltip. The box's frame and the margins of its
    // text take two pixels each side.
    const QString text = mTextbox->text();
    const int room =
        mTextbox->width() - 4 - 2 * mTextbox->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    mTextbox->setToolTip(mTextbox->fontMetrics().horizontalAdvance(text) > room ? text : QString());
    emit Changed();
}

#include "gui/BooleanField.h"

#include "schema/ValueRules.h"

#include <QCheckBox>

QWidget* BooleanField::MakeControl(QWidget* page) {
    mCheck = new QCheckBox(page);
    connect(mCheck, &QCheckBox::stateChanged, this, [this](int state) {
        if (state != Qt::PartiallyChecked && mCheck->isTristate()) {
            // The user has decided: the value that was neither on nor off is replaced.
            mCheck->setTristate(false);
            mCheck->setText(QString());
            mOtherValue.clear();
        }
        ValueChanged();
    });
    return mCheck;
}

QString BooleanField::Text() const {
    switch (mCheck->checkState()) {
        case Qt::Checked:
            return Rules().on;
        case Qt::Unchecked:
            return Rules().off;
        default:
            return mOtherValue;
    }
}

void BooleanField::ShowText(const QString& text) {
    const ValueRules& rules = Rules();
    const bool known = text == rules.on || text == rules.off;
    mOtherValue = known ? QString() : text;
    mCheck->setTristate(!known);
    mCheck->setCheckState(!known             ? Qt::PartiallyChecked
                          : text == rules.on ? Qt::Checked
                                             : Qt::Unchecked);
    // A box half checked says nothing by itself: the words beside it say why it is.
    const QString note = known                   ? QString()
                         : mOtherValue.isEmpty() ? tr("No value: neither on nor off")
                                                 : tr("Neither on nor off: %1").arg(mOtherValue);
    mCheck->setText(QString(note).replace(u'&', QStringLiteral("&&")));
}

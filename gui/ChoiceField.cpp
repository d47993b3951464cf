#include "gui/ChoiceField.h"

#include "gui/ChoiceBox.h"
#include "schema/ValueRules.h"

QWidget* ChoiceField::MakeControl(QWidget* page) {
    mChoice = new ChoiceBox(page);
    mChoice->addItems(Rules().options);
    connect(mChoice, &QComboBox::currentIndexChanged, this, &ChoiceField::ValueChanged);
    return mChoice;
}

QString ChoiceField::Text() const {
    return mChoice->currentText();
}

void ChoiceField::ShowText(const QString& text) {
    const QStringList& options = Rules().options;
    // Only the value shown last is kept as an extra entry.
    if (mChoice->count() > options.size()) {
        mChoice->removeItem(mChoice->count() - 1);
    }
    qsizetype index = options.indexOf(text);
    if (index < 0) {
        mChoice->addItem(text);
        index = mChoice->count() - 1;
    }
    mChoice->setCurrentIndex(static_cast<int>(index));
}

#include "gui/NumberField.h"

#include "gui/NumberBox.h"
#include "schema/ValueRules.h"

#include <QLineEdit>
#include <QMenu>

#include <algorithm>
#include <limits>

QWidget* NumberField::MakeControl(QWidget* page) {
    const ValueRules& rules = Rules();
    const qint64 minimum = rules.min.value_or(std::numeric_limits<qint64>::min());
    const qint64 maximum = rules.max.value_or(std::numeric_limits<qint64>::max());
    // A first step from an empty field goes to the default, or to the number nearest 0.
    bool isNumber = false;
    const qint64 byDefault = rules.defaultValue.value_or(QString()).toLongLong(&isNumber);
    const qint64 start = std::clamp<qint64>(isNumber ? byDefault : 0, minimum, maximum);
    mBox = new NumberBox(minimum, maximum, start, page);
    // A line edit cuts texts at 32767 characters by default; a value must survive a load and a
    // save whole.
    mBox->Edit()->setMaxLength(std::numeric_limits<int>::max());
    connect(mBox->Edit(), &QLineEdit::textChanged, this, &NumberField::ValueChanged);
    return mBox;
}

QString NumberField::Text() const {
    return mBox->Edit()->text();
}

void NumberField::ShowText(const QString& text) {
    // The change is reported by the caller, once.
    const QSignalBlocker quiet(mBox->Edit());
    mBox->Edit()->setText(text);
    mBox->Edit()->setCursorPosition(0);
    // The arrows follow the text.
    mBox->update();
}

QMenu* NumberField::MakeContextMenu() {
    return mBox->Edit()->createStandardContextMenu();
}

#include "gui/NumberBox.h"

#include <QLineEdit>
#include <QWheelEvent>

#include <algorithm>
#include <limits>
#include <optional>

namespace {

// An optional sign and digits, possibly none yet: what typing may leave in the box.
bool IsNumberSoFar(QStringView text) {
    if (text.startsWith(u'+') || text.startsWith(u'-')) {
        text = text.mid(1);
    }
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// Where a whole number lies: its value, or beyond 64 bits on its side (the lowest or the highest
// number of 64 bits stands for it). Nothing for a text that is no whole number.
std::optional<qint64> Place(const QString& text) {
    const bool sign = text.startsWith(u'+') || text.startsWith(u'-');
    if (text.size() == (sign ? 1 : 0) || !IsNumberSoFar(text)) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (ok) {
        return number;
    }
    return text.startsWith(u'-') ? std::numeric_limits<qint64>::min()
                                 : std::numeric_limits<qint64>::max();
}

}  // namespace

NumberBox::NumberBox(qint64 minimum, qint64 maximum, qint64 start, QWidget* parent)
    : QAbstractSpinBox(parent), mMinimum(minimum), mMaximum(maximum), mStart(start) {
    // A wheel turned over the page scrolls it rather than taking the focus here.
    setFocusPolicy(Qt::StrongFocus);
    setAccelerated(true);
}

QVariant NumberBox::Value() const {
    bool ok = false;
    const qint64 number = text().toLongLong(&ok);
    return ok && IsNumberSoFar(text()) ? QVariant(number) : QVariant();
}

QValidator::State NumberBox::validate(QString& input, int&) const {
    // Qt lets any edit of a text that was invalid before through, so a value loaded as it is can
    // be put right by hand; only a valid text is kept from becoming invalid.
    return IsNumberSoFar(input) ? QValidator::Acceptable : QValidator::Invalid;
}

void NumberBox::stepBy(int steps) {
    const std::optional<qint64> place = Place(text());
    qint64 number = mStart;
    if (place) {
        // Beyond the bounds, a step goes to the nearest one; it never passes one.
        number = *place;
        const auto distance = [](qint64 from, qint64 to) {
            return static_cast<quint64>(to) - static_cast<quint64>(from);
        };
        if (steps > 0 && number < mMaximum) {
            number = number < mMinimum                             ? mMinimum
                     : distance(number, mMaximum) > quint64(steps) ? number + steps
                                                                   : mMaximum;
        } else if (steps < 0 && number > mMinimum) {
            number = number > mMaximum                              ? mMaximum
                     : distance(mMinimum, number) > quint64(-steps) ? number + steps
                                                                    : mMinimum;
        }
    }
    lineEdit()->setText(QString::number(number));
    selectAll();
}

QAbstractSpinBox::StepEnabled NumberBox::stepEnabled() const {
    if (isReadOnly()) {
        return StepNone;
    }
    const std::optional<qint64> place = Place(text());
    StepEnabled enabled = StepNone;
    if (!place || *place < mMaximum) {
        enabled |= StepUpEnabled;
    }
    if (!place || *place > mMinimum) {
        enabled |= StepDownEnabled;
    }
    return enabled;
}

void NumberBox::wheelEvent(QWheelEvent* event) {
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QAbstractSpinBox::wheelEvent(event);
}

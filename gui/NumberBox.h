#pragma once

#include <QAbstractSpinBox>
#include <QVariant>

class QLineEdit;

// A box for a whole number of up to 64 bits: Up and Down, Page Up and Page Down, the arrows and the
// mouse wheel (while the box has the focus, so that the wheel scrolls a page past it) step within
// the bounds. Typing refuses a character that cannot be part of a whole number. Otherwise the text
// is free: a value shown as loaded stays exactly as it is, a number out of range or no number at
// all, until the user changes it; its field marks it. A step from such a value goes to the nearest
// number within the bounds, and from no number to `start`.
class NumberBox : public QAbstractSpinBox {
    Q_OBJECT
    // For screen readers, which read the bounds and the value as numbers.
    Q_PROPERTY(qlonglong minimum READ Minimum)
    Q_PROPERTY(qlonglong maximum READ Maximum)
    Q_PROPERTY(QVariant value READ Value)

  public:
    // REQUIRES: minimum <= start <= maximum.
    NumberBox(qint64 minimum, qint64 maximum, qint64 start, QWidget* parent);

    // The line that holds the text, and reports its changes.
    QLineEdit* Edit() const { return lineEdit(); }
    qint64 Minimum() const { return mMinimum; }
    qint64 Maximum() const { return mMaximum; }
    // The number shown, or nothing when the text is no whole number of 64 bits.
    QVariant Value() const;

    QValidator::State validate(QString& input, int& position) const override;
    void stepBy(int steps) override;

  protected:
    StepEnabled stepEnabled() const override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    qint64 mMinimum;
    qint64 mMaximum;
    qint64 mStart;
};

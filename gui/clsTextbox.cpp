#include "gui/clsTextbox.h"

#include "platform/Dialogs.h"
#include "schema/ValueRules.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

#include <limits>

namespace {

// The small pictures of the buttons inside a line edit, drawn in the edit's text colour so that
// they need no image files and follow the colour scheme.
QIcon DrawnIcon(const QWidget* edit, void (*draw)(QPainter&)) {
    const int size = edit->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, edit);
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    const QColor ink = edit->palette().color(QPalette::Text);
    painter.setPen(QPen(ink, 1.5));
    painter.setBrush(ink);
    draw(painter);
    return QIcon(pixmap);
}

void DrawDots(QPainter& painter) {
    painter.setPen(Qt::NoPen);
    for (const qreal x : {3.0, 8.0, 13.0}) {
        painter.drawEllipse(QPointF(x, 11), 1.6, 1.6);
    }
}

void DrawEye(QPainter& painter) {
    QPainterPath outline(QPointF(1, 8));
    outline.quadTo(8, 0, 15, 8);
    outline.quadTo(8, 16, 1, 8);
    const QBrush pupil = painter.brush();
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);
    painter.setBrush(pupil);
    painter.drawEllipse(QPointF(8, 8), 2.5, 2.5);
}

void DrawCrossedEye(QPainter& painter) {
    DrawEye(painter);
    painter.drawLine(QPointF(2, 14), QPointF(14, 2));
}

// A frame that says "this value is wrong", for the control's own class only: its popups and
// buttons keep their look, and a control without a problem has no style sheet at all.
QString InvalidStyle(const QWidget* control) {
    return QLatin1String(control->metaObject()->className()) +
           QStringLiteral(" { border: 2px solid #d00000; }");
}

}  // namespace

clsTextbox::clsTextbox(const ValueRules& rules, Dialogs& dialogs)
    : mRules(rules), mDialogs(dialogs) {}

void clsTextbox::Create(const QString& aID, QWidget* aFrm) {
    switch (mRules.kind) {
        case ValueKind::Boolean:
            CreateCheckBox(aFrm);
            break;
        case ValueKind::Choice:
            CreateChoice(aFrm);
            break;
        default:
            CreateLineEdit(aFrm);
            break;
    }
    mControl->setObjectName(aID);
    // The hint follows the focus; the tooltip of a long value follows the width.
    mControl->installEventFilter(this);
    mControl->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(mControl, &QWidget::customContextMenuRequested, this, &clsTextbox::ShowContextMenu);
}

void clsTextbox::CreateLineEdit(QWidget* page) {
    mEdit = new QLineEdit(page);
    mControl = mEdit;
    // A line edit cuts texts at 32767 characters by default; a value must survive a load and a
    // save whole.
    mEdit->setMaxLength(std::numeric_limits<int>::max());
    connect(mEdit, &QLineEdit::textChanged, this, &clsTextbox::ValueChanged);
    if (mRules.kind == ValueKind::Password) {
        mEdit->setEchoMode(QLineEdit::Password);
        QAction* show = mEdit->addAction(DrawnIcon(mEdit, DrawEye), QLineEdit::TrailingPosition);
        show->setObjectName(QStringLiteral("ShowPassword"));
        show->setCheckable(true);
        show->setText(tr("Show the password"));
        connect(show, &QAction::toggled, this, [this, show](bool shown) {
            mEdit->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
            show->setIcon(DrawnIcon(mEdit, shown ? DrawCrossedEye : DrawEye));
            show->setText(shown ? tr("Hide the password") : tr("Show the password"));
        });
    } else if (mRules.kind == ValueKind::File || mRules.kind == ValueKind::Folder) {
        QAction* browse = mEdit->addAction(DrawnIcon(mEdit, DrawDots), QLineEdit::TrailingPosition);
        browse->setObjectName(QStringLiteral("Browse"));
        browse->setText(mRules.kind == ValueKind::File ? tr("Choose a file... (F4)")
                                                       : tr("Choose a folder... (F4)"));
        // The button takes no focus; the key opens the dialog from the keyboard.
        browse->setShortcut(QKeySequence(Qt::Key_F4));
        browse->setShortcutContext(Qt::WidgetShortcut);
        connect(browse, &QAction::triggered, this, &clsTextbox::Browse);
    }
}

void clsTextbox::CreateCheckBox(QWidget* page) {
    mCheck = new QCheckBox(page);
    mControl = mCheck;
    connect(mCheck, &QCheckBox::stateChanged, this, [this](int state) {
        if (state != Qt::PartiallyChecked && mCheck->isTristate()) {
            // The user has decided: the value that was neither on nor off is replaced.
            mCheck->setTristate(false);
            mCheck->setText(QString());
            mOtherValue.clear();
        }
        ValueChanged();
    });
}

void clsTextbox::CreateChoice(QWidget* page) {
    mChoice = new QComboBox(page);
    mControl = mChoice;
    mChoice->addItems(mRules.options);
    connect(mChoice, &QComboBox::currentIndexChanged, this, &clsTextbox::ValueChanged);
}

void clsTextbox::Describe(const QString& label, const QString& id, QLabel* labelControl) {
    mLabel = label;
    mId = id;
    mLabelControl = labelControl;
    mControl->setAccessibleName(label);
    UpdateMarks();
}

bool clsTextbox::HasDefault() const {
    return mRules.defaultValue.has_value();
}

void clsTextbox::ResetToDefault() {
    if (mRules.defaultValue) {
        Replace(*mRules.defaultValue);
    }
}

void clsTextbox::Replace(const QString& text) {
    if (!mEdit) {
        SetText(text);
        return;
    }
    // Through the edit's own undo history rather than setText(), which would clear it.
    mEdit->selectAll();
    mEdit->insert(text);
    mEdit->setCursorPosition(0);
}

void clsTextbox::SetEdited(bool edited) {
    if (edited == mEdited) {
        return;
    }
    mEdited = edited;
    const QString name = edited ? tr("%1 (changed)").arg(mLabel) : mLabel;
    mControl->setAccessibleName(name);
    if (mLabelControl) {
        QFont font = mLabelControl->font();
        font.setBold(edited);
        mLabelControl->setFont(font);
        mLabelControl->setAccessibleName(name);
    }
}

void clsTextbox::ShowContextMenu(const QPoint& position) {
    // A text field keeps its own menu (undo, cut, copy, ...); ours is added below it.
    QMenu* menu = mEdit ? mEdit->createStandardContextMenu() : new QMenu(mControl);
    menu->setObjectName(QStringLiteral("FieldMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (!menu->isEmpty()) {
        menu->addSeparator();
    }
    QAction* saved =
        menu->addAction(tr("Reset to Saved Value"), this, &clsTextbox::ResetToSavedRequested);
    saved->setObjectName(QStringLiteral("ResetToSaved"));
    saved->setEnabled(mEdited);
    if (mRules.defaultValue) {
        QAction* byDefault =
            menu->addAction(tr("Reset to Default"), this, &clsTextbox::ResetToDefault);
        byDefault->setObjectName(QStringLiteral("ResetToDefault"));
        byDefault->setEnabled(Text() != *mRules.defaultValue);
    }
    menu->popup(mControl->mapToGlobal(position));
}

QString clsTextbox::Text() const {
    if (mCheck) {
        switch (mCheck->checkState()) {
            case Qt::Checked:
                return mRules.on;
            case Qt::Unchecked:
                return mRules.off;
            default:
                return mOtherValue;
        }
    }
    return mChoice ? mChoice->currentText() : mEdit->text();
}

void clsTextbox::SetText(const QString& text) {
    if (Text() == text) {
        return;
    }
    {
        // One change is reported once, after the control shows all of it.
        const QSignalBlocker quiet(mControl);
        if (mCheck) {
            const bool known = text == mRules.on || text == mRules.off;
            mOtherValue = known ? QString() : text;
            mCheck->setTristate(!known);
            mCheck->setCheckState(!known              ? Qt::PartiallyChecked
                                  : text == mRules.on ? Qt::Checked
                                                      : Qt::Unchecked);
            mCheck->setText(QString(mOtherValue).replace(u'&', QStringLiteral("&&")));
        } else if (mChoice) {
            // Only the value shown last is kept as an extra entry.
            if (mChoice->count() > mRules.options.size()) {
                mChoice->removeItem(mChoice->count() - 1);
            }
            qsizetype index = mRules.options.indexOf(text);
            if (index < 0) {
                mChoice->addItem(text);
                index = mChoice->count() - 1;
            }
            mChoice->setCurrentIndex(static_cast<int>(index));
        } else {
            mEdit->setText(text);
            // Show the start of a long value rather than its end.
            mEdit->setCursorPosition(0);
        }
    }
    ValueChanged();
}

void clsTextbox::ValueChanged() {
    UpdateMarks();
    emit Changed(Text());
    if (mControl->hasFocus()) {
        emit Hint(HintText());
    }
}

void clsTextbox::UpdateMarks() {
    const QString text = Text();
    const bool hadProblem = mProblem.has_value();
    mProblem = mRules.Problem(text);
    if (mProblem.has_value() != hadProblem) {
        mControl->setStyleSheet(mProblem ? InvalidStyle(mControl) : QString());
    }
    QStringList tip;
    if (mProblem) {
        tip.append(tr("This value %1.").arg(*mProblem));
    }
    if (!mRules.help.isEmpty()) {
        tip.append(mRules.help);
    }
    QStringList description = tip;
    // A value wider than its box shows whole in a tooltip, a password's never. The box's frame
    // and the margins of its text take two pixels each side, each button inside it its icon and
    // three pixels each side.
    if (mEdit && mRules.kind != ValueKind::Password) {
        const int room = mEdit->width() - 4 -
                         2 * mEdit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) -
                         static_cast<int>(mEdit->actions().size()) *
                             (mEdit->style()->pixelMetric(QStyle::PM_SmallIconSize) + 6);
        if (mEdit->fontMetrics().horizontalAdvance(text) > room) {
            tip.append(text);
        }
    }
    mControl->setToolTip(tip.join(u'\n'));
    description.append(mId);
    mControl->setAccessibleDescription(description.join(u'\n'));
}

QString clsTextbox::HintText() const {
    return mProblem ? tr("%1: %2").arg(mLabel, *mProblem) : mRules.help;
}

bool clsTextbox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mControl) {
        if (event->type() == QEvent::Resize) {
            UpdateMarks();
        } else if (event->type() == QEvent::FocusIn) {
            emit Hint(HintText());
        } else if (event->type() == QEvent::FocusOut &&
                   static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
            // The list of a choice keeps the hint while it is open.
            emit Hint(QString());
        }
    }
    return QObject::eventFilter(watched, event);
}

void clsTextbox::Browse() {
    const auto kind =
        mRules.kind == ValueKind::Folder ? Dialogs::PathKind::Folder : Dialogs::PathKind::File;
    if (const std::optional<QString> chosen = mDialogs.AskPath(kind, Text())) {
        SetText(*chosen);
    }
}

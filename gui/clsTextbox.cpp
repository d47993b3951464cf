#include "gui/clsTextbox.h"

#include "schema/Configuration.h"
#include "session/EditSession.h"

#include <QAbstractSpinBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QWidget>

namespace {

// A frame that says "this value is wrong", for the control's own class only: its popups and
// buttons keep their look, and a control without a problem has no style sheet at all.
QString InvalidStyle(const QWidget* control) {
    return QLatin1String(control->metaObject()->className()) +
           QStringLiteral(" { border: 2px solid #d00000; }");
}

}  // namespace

clsTextbox::clsTextbox(const ConfigItem& item) : mItem(item), mId(item.id.toString()) {}

void clsTextbox::Create(const QString& aID, QWidget* aFrm) {
    mControl = MakeControl(aFrm);
    mControl->setObjectName(aID);
    mControl->setAccessibleName(mItem.label.toString());
    // The hint follows the focus; the tooltip of a long value follows the width.
    mControl->installEventFilter(this);
    mControl->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(mControl, &QWidget::customContextMenuRequested, this, &clsTextbox::ShowContextMenu);
    ShowValueMarks();
}

void clsTextbox::SetLabel(QLabel* label) {
    mLabel = label;
    if (mEdited || mNotDefault) {
        ShowMarks();
    }
    if (mLabel && !mEnabled) {
        mLabel->setEnabled(false);
    }
}

const QString& clsTextbox::Id() const {
    return mId;
}

const ValueRules& clsTextbox::Rules() const {
    return mItem.rules;
}

void clsTextbox::SetText(const QString& text) {
    if (Text() == text) {
        return;
    }
    {
        // One change is reported once, after the control shows all of it.
        const QSignalBlocker quiet(mControl);
        ShowText(text);
    }
    Report(false);
}

bool clsTextbox::HasDefault() const {
    return mDefault.has_value();
}

void clsTextbox::ResetToDefault() {
    if (mDefault) {
        SetText(*mDefault);
    }
}

void clsTextbox::Report(bool typed) {
    emit Changed(Text(), typed);
    if (mControl->hasFocus()) {
        emit Hint(HintText());
    }
}

QLineEdit* clsTextbox::Line() const {
    auto* line = qobject_cast<QLineEdit*>(mControl);
    return line ? line : mControl->findChild<QLineEdit*>();
}

void clsTextbox::ShowState(const ItemState& state) {
    QLineEdit* line = Line();
    mDefault = state.defaultValue;
    const bool isDefault = state.defaultValue && state.value == *state.defaultValue;
    // An emptied line stands for the default, which it shows greyed.
    if (!(isDefault && line && Text().isEmpty())) {
        SetText(state.value);
    }
    if (line) {
        line->setPlaceholderText(isDefault ? state.value : QString());
    }
    const bool marksChanged = mEdited != state.edited || mNotDefault != state.notDefault;
    mEdited = state.edited;
    mNotDefault = state.notDefault;
    if (marksChanged) {
        ShowMarks();
    }
    if (mEnabled != state.enabled || mCondition != state.enabledWhen) {
        ShowEnabled(state.enabled, state.enabledWhen);
    }
    if (marksChanged || mProblem != state.problem) {
        const bool hadProblem = mProblem.has_value();
        mProblem = state.problem;
        if (mProblem.has_value() != hadProblem) {
            mControl->setStyleSheet(mProblem ? InvalidStyle(mControl) : QString());
        }
        ShowValueMarks();
        if (mControl->hasFocus()) {
            emit Hint(HintText());
        }
    }
}

void clsTextbox::ShowEnabled(bool enabled, const QString& condition) {
    mEnabled = enabled;
    mCondition = enabled ? QString() : condition;
    const QString tip = enabled ? QString() : tr("Enabled while %1.").arg(condition);
    // A disabled field stays in the keyboard order, so that whoever goes there by Tab learns
    // what enables it; only its value cannot be changed.
    if (auto* box = qobject_cast<QAbstractSpinBox*>(mControl)) {
        box->setReadOnly(!enabled);  // its line, its arrows and its wheel
    } else if (QLineEdit* line = Line()) {
        line->setReadOnly(!enabled);
    }
    QPalette palette = mControl->palette();
    for (const QPalette::ColorRole role :
         {QPalette::Text, QPalette::ButtonText, QPalette::WindowText}) {
        palette.setColor(QPalette::Active, role,
                         enabled ? QPalette().color(QPalette::Active, role)
                                 : palette.color(QPalette::Disabled, role));
        palette.setColor(QPalette::Inactive, role,
                         enabled ? QPalette().color(QPalette::Inactive, role)
                                 : palette.color(QPalette::Disabled, role));
    }
    mControl->setPalette(palette);
    mControl->setStatusTip(tip);
    if (mLabel) {
        mLabel->setEnabled(enabled);
        mLabel->setToolTip(tip);
        mLabel->setStatusTip(tip);
    }
    ShowValueMarks();
}

void clsTextbox::SetHistoryActions(QAction* undo, QAction* redo) {
    mUndo = undo;
    mRedo = redo;
}

void clsTextbox::ShowMarks() {
    const QString name = mEdited ? tr("%1 (edited)").arg(mItem.label) : mItem.label.toString();
    mControl->setAccessibleName(name);
    if (mLabel) {
        // The label column has room for every label in bold: the fields do not move.
        QFont font = mLabel->font();
        font.setBold(mEdited);
        font.setItalic(mNotDefault);
        mLabel->setFont(font);
        mLabel->setAccessibleName(name);
    }
}

void clsTextbox::ShowValueMarks() {
    const QString text = Text();
    QStringList tip;
    if (!mEnabled) {
        tip.append(tr("Enabled while %1.").arg(mCondition));
    }
    if (mProblem) {
        tip.append(tr("This value %1.").arg(*mProblem));
    }
    if (!mItem.rules.help.isEmpty()) {
        tip.append(mItem.rules.help);
    }
    // What a screen reader says after the name: the states first, as Qt has none for them.
    QStringList description = tip;
    if (mProblem) {
        description.prepend(tr("Invalid."));
    }
    if (mItem.rules.required && mEnabled) {
        description.prepend(tr("Required."));
    }
    if (mEdited) {
        tip.append(tr("Bold label: edited since the file was loaded or saved."));
    }
    if (mNotDefault) {
        tip.append(tr("Italic label: not the default value."));
    }
    if (IsCut(text)) {
        tip.append(text);
    }
    mControl->setToolTip(tip.join(u'\n'));
    if (const QString keys = KeysHint(); !keys.isEmpty()) {
        description.append(keys);
    }
    description.append(mId);
    if (mNotDefault) {
        description.append(tr("Not the default value."));
    }
    mControl->setAccessibleDescription(description.join(u'\n'));
}

bool clsTextbox::IsCut(const QString&) const {
    return false;
}

QString clsTextbox::HintText() const {
    return mProblem ? tr("%1: %2").arg(mItem.label, *mProblem) : mItem.rules.help;
}

QMenu* clsTextbox::MakeContextMenu() {
    return new QMenu(mControl);
}

void clsTextbox::ShowContextMenu(const QPoint& position) {
    QMenu* menu = MakeContextMenu();
    menu->setObjectName(QStringLiteral("FieldMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // A line's own Undo and Redo give way to the window's, which know every change.
    // Qt names them by their text: its own translation, followed by a tab and the key. (Texts
    // of Qt's catalog, named apart so that they stay out of this program's.)
    const char* const lineContext = "QLineEdit";
    const QString ownUndo = QCoreApplication::translate(lineContext, "&Undo");
    const QString ownRedo = QCoreApplication::translate(lineContext, "&Redo");
    for (QAction* own : menu->actions()) {
        const QString text = own->text().section(u'\t', 0, 0);
        if (own->objectName() == QLatin1String("edit-undo") ||
            own->objectName() == QLatin1String("edit-redo") || text == ownUndo || text == ownRedo) {
            menu->removeAction(own);
        }
    }
    if (mUndo) {
        QAction* first = menu->actions().value(0);
        menu->insertActions(first, {mUndo, mRedo});
        if (first) {
            menu->insertSeparator(first);
        }
    }
    if (!menu->isEmpty()) {
        menu->addSeparator();
    }
    QAction* saved =
        menu->addAction(tr("Reset to Saved Value"), this, &clsTextbox::ResetToSavedRequested);
    saved->setObjectName(QStringLiteral("ResetToSaved"));
    saved->setEnabled(mEdited);
    if (mDefault) {
        QAction* byDefault =
            menu->addAction(tr("Reset to Default"), this, &clsTextbox::ResetToDefault);
        byDefault->setObjectName(QStringLiteral("ResetToDefault"));
        byDefault->setEnabled(mNotDefault);
    }
    menu->popup(mControl->mapToGlobal(position));
}

bool clsTextbox::eventFilter(QObject* watched, QEvent* event) {
    if (!mEnabled && watched == mControl) {
        // Read-only: what would change the value goes nowhere; Tab and the focus still work.
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
                if (!Line()) {
                    return true;
                }
                break;
            case QEvent::KeyPress: {
                const int key = static_cast<QKeyEvent*>(event)->key();
                if (!Line() && key != Qt::Key_Tab && key != Qt::Key_Backtab) {
                    return true;
                }
                break;
            }
            default:
                break;
        }
    }
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        // Not taken here, Undo and Redo reach the window's shortcuts.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
            return true;
        }
    }
    if (watched == mControl) {
        if (event->type() == QEvent::Resize) {
            ShowValueMarks();
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

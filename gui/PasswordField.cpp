#include "gui/PasswordField.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>

namespace {

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

// Shows or hides the value while the line has the focus.
QKeySequence ToggleKey() {
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H);
}

void DrawCrossedEye(QPainter& painter) {
    DrawEye(painter);
    painter.drawLine(QPointF(2, 14), QPointF(14, 2));
}

}  // namespace

QWidget* PasswordField::MakeControl(QWidget* page) {
    QWidget* control = TextField::MakeControl(page);
    Edit()->setEchoMode(QLineEdit::Password);
    mShow = AddButton("ShowPassword", DrawEye);
    mShow->setCheckable(true);
    mShow->setText(
        tr("Show the password (%1)").arg(ToggleKey().toString(QKeySequence::NativeText)));
    mShow->setShortcut(ToggleKey());
    mShow->setShortcutContext(Qt::WidgetShortcut);
    connect(mShow, &QAction::toggled, this, [this](bool shown) {
        Edit()->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
        mShow->setIcon(DrawnIcon(shown ? DrawCrossedEye : DrawEye));
        const QString key = ToggleKey().toString(QKeySequence::NativeText);
        mShow->setText(shown ? tr("Hide the password (%1)").arg(key)
                             : tr("Show the password (%1)").arg(key));
    });
    return control;
}

QMenu* PasswordField::MakeContextMenu() {
    QMenu* menu = TextField::MakeContextMenu();
    QAction* toggle =
        new QAction(mShow->isChecked() ? tr("Hide Password") : tr("Show Password"), menu);
    toggle->setObjectName(QStringLiteral("TogglePassword"));
    toggle->setShortcut(ToggleKey());
    connect(toggle, &QAction::triggered, mShow, &QAction::toggle);
    menu->insertAction(menu->actions().value(0), toggle);
    menu->insertSeparator(menu->actions().value(1));
    return menu;
}

QString PasswordField::KeysHint() const {
    return tr("%1 shows or hides the password.")
        .arg(ToggleKey().toString(QKeySequence::NativeText));
}

bool PasswordField::IsCut(const QString&) const {
    // Shown or not, the value stays out of the tooltip.
    return false;
}

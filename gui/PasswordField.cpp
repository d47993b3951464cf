#include "gui/PasswordField.h"

#include <QAction>
#include <QLineEdit>
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

void DrawCrossedEye(QPainter& painter) {
    DrawEye(painter);
    painter.drawLine(QPointF(2, 14), QPointF(14, 2));
}

}  // namespace

QWidget* PasswordField::MakeControl(QWidget* page) {
    QWidget* control = TextField::MakeControl(page);
    Edit()->setEchoMode(QLineEdit::Password);
    QAction* show = AddButton("ShowPassword", DrawEye);
    show->setCheckable(true);
    show->setText(tr("Show the password"));
    connect(show, &QAction::toggled, this, [this, show](bool shown) {
        Edit()->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
        show->setIcon(DrawnIcon(shown ? DrawCrossedEye : DrawEye));
        show->setText(shown ? tr("Hide the password") : tr("Show the password"));
    });
    return control;
}

bool PasswordField::IsCut(const QString&) const {
    // Shown or not, the value stays out of the tooltip.
    return false;
}

#include "gui/PathField.h"

#include "platform/Dialogs.h"
#include "schema/ValueRules.h"

#include <QAction>
#include <QLineEdit>
#include <QPainter>

namespace {

void DrawDots(QPainter& painter) {
    painter.setPen(Qt::NoPen);
    for (const qreal x : {3.0, 8.0, 13.0}) {
        painter.drawEllipse(QPointF(x, 11), 1.6, 1.6);
    }
}

}  // namespace

QWidget* PathField::MakeControl(QWidget* page) {
    QWidget* control = TextField::MakeControl(page);
    QAction* browse = AddButton("Browse", DrawDots);
    browse->setText(PicksFolder() ? tr("Choose a folder... (F4)") : tr("Choose a file... (F4)"));
    // The button takes no focus; the key opens the dialog from the keyboard.
    browse->setShortcut(QKeySequence(Qt::Key_F4));
    browse->setShortcutContext(Qt::WidgetShortcut);
    connect(browse, &QAction::triggered, this, &PathField::Browse);
    return control;
}

bool PathField::PicksFolder() const {
    return Rules().kind == ValueKind::Folder;
}

void PathField::Browse() {
    // A field its item's depends disable is read-only: nothing is picked for it.
    if (Edit()->isReadOnly()) {
        return;
    }
    const auto kind = PicksFolder() ? Dialogs::PathKind::Folder : Dialogs::PathKind::File;
    if (const std::optional<QString> chosen = mDialogs.AskPath(kind, Text())) {
        SetText(*chosen);
    }
}

#include "gui/ClientArea.h"

#include "gui/Layout.h"

#include <QBoxLayout>

using Layout::Px;
using Layout::PxBetween;

ClientArea::ClientArea(QWidget* pages, QWidget* find, QWidget* ok, QWidget* cancel) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(
        0, Px(Layout::kTabsTop), 0,
        PxBetween(Layout::kButtonsTop + Layout::kButtonHeight, Layout::kClientHeight));
    column->setSpacing(0);
    column->addWidget(pages, 1);
    column->addSpacing(PxBetween(Layout::kPageBottom, Layout::kButtonsTop));

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(
        Px(Layout::kLabelLeft), 0,
        PxBetween(Layout::kCancelLeft + Layout::kButtonWidth, Layout::kClientWidth), 0);
    buttons->setSpacing(0);
    // The search box alone has a stretch: while it is shown it takes the room, while it is hidden
    // the space after it does.
    buttons->addWidget(find, 1);
    buttons->addStretch(0);
    buttons->addSpacing(Px(Layout::kLabelLeft));
    buttons->addWidget(ok);
    buttons->addSpacing(PxBetween(Layout::kOkLeft + Layout::kButtonWidth, Layout::kCancelLeft));
    buttons->addWidget(cancel);
    for (QWidget* button : {ok, cancel}) {
        button->setFixedHeight(Px(Layout::kButtonHeight));
        button->setMinimumWidth(Px(Layout::kButtonWidth));
    }
    column->addLayout(buttons);
}

QSize ClientArea::sizeHint() const {
    return Layout::ClientSize();
}

QSize ClientArea::minimumSizeHint() const {
    return QWidget::minimumSizeHint().expandedTo(Layout::ClientSize());
}

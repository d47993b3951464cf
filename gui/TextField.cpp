#include "gui/TextField.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

#include <limits>

QWidget* TextField::MakeControl(QWidget* page) {
    mEdit = new QLineEdit(page);
    // A line edit cuts texts at 32767 characters by default; a value must survive a load and a
    // save whole.
    mEdit->setMaxLength(std::numeric_limits<int>::max());
    connect(mEdit, &QLineEdit::textChanged, this, &TextField::ValueChanged);
    return mEdit;
}

QString TextField::Text() const {
    return mEdit->text();
}

void TextField::ShowText(const QString& text) {
    mEdit->setText(text);
    // Show the start of a long value rather than its end.
    mEdit->setCursorPosition(0);
}

QMenu* TextField::MakeContextMenu() {
    return mEdit->createStandardContextMenu();
}

bool TextField::IsCut(const QString& text) const {
    // The box's frame and the margins of its text take two pixels each side, each button inside
    // it its icon and three pixels each side.
    const QStyle* style = mEdit->style();
    const int room = mEdit->width() - 4 - 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth) -
                     static_cast<int>(mEdit->actions().size()) *
                         (style->pixelMetric(QStyle::PM_SmallIconSize) + 6);
    const QFontMetrics metrics = mEdit->fontMetrics();
    // No character is wider than the widest: most values fit without measuring their text.
    if (text.size() * metrics.maxWidth() <= room) {
        return false;
    }
    return metrics.horizontalAdvance(text) > room;
}

QAction* TextField::AddButton(const char* name, void (*draw)(QPainter&)) {
    QAction* button = mEdit->addAction(DrawnIcon(draw), QLineEdit::TrailingPosition);
    button->setObjectName(QLatin1String(name));
    return button;
}

QIcon TextField::DrawnIcon(void (*draw)(QPainter&)) const {
    const int size = mEdit->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, mEdit);
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    const QColor ink = mEdit->palette().color(QPalette::Text);
    painter.setPen(QPen(ink, 1.5));
    painter.setBrush(ink);
    draw(painter);
    return QIcon(pixmap);
}

#include "gui/PageLayout.h"

#include "gui/Layout.h"

#include <QLabel>

#include <algorithm>

namespace {

using Layout::Px;

// What a widened label column leaves between the longest label and the fields.
constexpr int kLabelGap = 8;

// A control gets exactly its box: a layout item would shrink a check box or a list to the
// height it prefers.
void Place(QLayoutItem* item, const QRect& box) {
    if (QWidget* widget = item->widget()) {
        widget->setGeometry(box);
    } else {
        item->setGeometry(box);
    }
}

int RowCount(const std::vector<QLayoutItem*>& items) {
    return static_cast<int>(items.size() / 2);
}

}  // namespace

PageLayout::PageLayout(QWidget* page, int designWidth) : QLayout(page), mDesignWidth(designWidth) {
    setContentsMargins(0, 0, 0, 0);
}

PageLayout::~PageLayout() {
    for (QLayoutItem* item : mItems) {
        delete item;
    }
}

void PageLayout::AddRow(QLabel* label, QWidget* field) {
    addChildWidget(label);
    addChildWidget(field);
    mItems.push_back(new QWidgetItem(label));
    mItems.push_back(new QWidgetItem(field));
    invalidate();
}

void PageLayout::addItem(QLayoutItem* item) {
    // An item added on its own is a row without a field.
    mItems.push_back(item);
    mItems.push_back(new QSpacerItem(0, 0));
    invalidate();
}

QLayoutItem* PageLayout::itemAt(int index) const {
    return index >= 0 && index < count() ? mItems[static_cast<std::size_t>(index)] : nullptr;
}

QLayoutItem* PageLayout::takeAt(int index) {
    if (index < 0 || index >= count()) {
        return nullptr;
    }
    QLayoutItem* item = mItems[static_cast<std::size_t>(index)];
    mItems.erase(mItems.begin() + index);
    invalidate();
    return item;
}

int PageLayout::count() const {
    return static_cast<int>(mItems.size());
}

int PageLayout::LabelColumn() const {
    int column = Px(Layout::kFieldLeft) - Px(Layout::kLabelLeft);
    for (std::size_t i = 0; i < mItems.size(); i += 2) {
        column = std::max(column, mItems[i]->sizeHint().width());
    }
    return column;
}

QSize PageLayout::minimumSize() const {
    const int fieldLeft = std::max(Px(Layout::kFieldLeft), Px(Layout::kLabelLeft) + LabelColumn());
    return QSize(fieldLeft + Px(Layout::kRowWidth) + Px(Layout::kLabelLeft),
                 Layout::PageHeight(RowCount(mItems)));
}

QSize PageLayout::sizeHint() const {
    return minimumSize().expandedTo(QSize(mDesignWidth, 0));
}

void PageLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const int room = Px(Layout::kFieldLeft) - Px(Layout::kLabelLeft);
    const int column = LabelColumn();
    // A label that fits keeps its designed box, which the field overlaps at its end.
    const int labelWidth = column > room ? column : Px(Layout::kRowWidth);
    const int fieldLeft =
        column > room ? Px(Layout::kLabelLeft) + column + kLabelGap : Px(Layout::kFieldLeft);
    // A page that had to be wider for its labels has less room to give its fields: they keep the
    // designed margin on the right.
    const int fieldWidth =
        std::max(Px(Layout::kRowWidth),
                 std::min(Px(Layout::kRowWidth) + std::max(0, rect.width() - mDesignWidth),
                          rect.width() - fieldLeft - Px(Layout::kLabelLeft)));
    for (int row = 0; row < RowCount(mItems); ++row) {
        const QRect designed = Layout::RowControlRect(Layout::kLabelLeft, Layout::RowTop(row));
        const QPoint origin = rect.topLeft() + designed.topLeft();
        const auto index = static_cast<std::size_t>(2 * row);
        Place(mItems[index], QRect(origin, QSize(labelWidth, designed.height())));
        Place(mItems[index + 1], QRect(QPoint(rect.left() + fieldLeft, origin.y()),
                                       QSize(fieldWidth, designed.height())));
    }
}

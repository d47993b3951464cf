#pragma once

#include <QLayout>

#include <vector>

class QLabel;

// The layout of one group's page: a row per variable, its label on the left and its field beside
// it, rows 500 twips apart (Layout::RowTop). While every label fits the room left of the field
// column, each row is exactly where the window was designed to put it. A wider label widens the
// label column of its page, so that no label is cut, and the page's smallest width grows with it.
// A field is as wide as designed at the design size and grows with every pixel the page is wider,
// up to a margin as wide as the label's on the right.
class PageLayout : public QLayout {
  public:
    // A layout for `page`, whose width at the window's design size is `designWidth` pixels.
    PageLayout(QWidget* page, int designWidth);
    ~PageLayout() override;

    // Adds a row below the last; the layout owns neither widget (`page` does).
    void AddRow(QLabel* label, QWidget* field);

    // The width of the label column: the room left of the designed field column, or the widest
    // label when that is more.
    int LabelColumn() const;

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

  private:
    int mDesignWidth;
    std::vector<QLayoutItem*> mItems;  // label, field, label, field, ... in the order of the rows
};

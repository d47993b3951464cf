#include "gui/PageLayout.h"

#include "gui/Layout.h"

#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

// Failures show a box as "x,y widthxheight".
void PrintTo(const QRect& box, std::ostream* out) {
    *out << box.x() << ',' << box.y() << ' ' << box.width() << 'x' << box.height();
}

namespace {

using Layout::Px;

// Every page keeps its rows' tops and heights and grows its fields with the page; a page whose
// labels fit keeps the designed boxes exactly, one with a longer label widens its label column.
TEST(PageLayoutTest, PlacesRowsAsDesignedAndNeverCutsALabel) {
    const int designWidth = 647;
    const struct {
        const char* what;
        QStringList labels;
        int wider;      // pixels more than the design width
        bool designed;  // every box exactly where the window was designed to put it
    } rows[] = {
        {"labels that fit, design size", {"Host", "Port", "Database"}, 0, true},
        {"labels that fit, wider page", {"Host", "Port"}, 150, true},
        {"a long label, design size", {"Host", "Folder of every service's log files"}, 0, false},
        {"a long label, wider page", {"Folder of every service's log files", "Port"}, 90, false},
        // The page as wide as it must be, which leaves its fields no more than their width.
        {"a label wider than the window", {QString(90, 'W'), "Port"}, 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        QWidget page;
        auto* layout = new PageLayout(&page, designWidth);
        for (const QString& text : row.labels)
            layout->AddRow(new QLabel(text, &page), new QLineEdit(&page));
        page.resize(std::max(designWidth + row.wider, layout->minimumSize().width()), 600);
        layout->activate();
        for (int r = 0; r < row.labels.size(); ++r) {
            SCOPED_TRACE(r);
            const QWidget* label = layout->itemAt(2 * r)->widget();
            const QWidget* field = layout->itemAt(2 * r + 1)->widget();
            const QRect box = Layout::RowControlRect(Layout::kLabelLeft, Layout::RowTop(r));
            if (row.designed) {
                EXPECT_EQ(label->geometry(), box);
                EXPECT_EQ(field->x(), Px(Layout::kFieldLeft));
            }
            // Neither cut nor covered by its field.
            EXPECT_GE(label->width(), label->sizeHint().width());
            EXPECT_GE(field->x(), label->x() + label->sizeHint().width());
            EXPECT_EQ(field->geometry(),
                      QRect(field->x(), box.y(), Px(Layout::kRowWidth) + row.wider, box.height()));
        }
    }
}

}  // namespace

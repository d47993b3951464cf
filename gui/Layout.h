#pragma once

#include <QRect>
#include <QSize>

// The window's geometry. Positions and sizes are designed in twips (1/1440 inch) and shown at 15
// twips to a pixel.
namespace Layout {

constexpr int Px(int twips) {
    return (twips + 7) / 15;
}

// The main window's client area.
constexpr int kClientWidth = 9930;
constexpr int kClientHeight = 6645;
// The tab row, and the pages that scroll between it and the buttons. A row keeps the place it has
// in the window as long as its page is not scrolled.
constexpr int kTabsTop = 120;
constexpr int kTabsWidth = 9975;
constexpr int kTabsHeight = 375;
constexpr int kPageTop = kTabsTop + kTabsHeight;
constexpr int kPageBottom = 6160;
// The OK and "Abbrechen" buttons.
constexpr int kButtonsTop = 6240;
constexpr int kOkLeft = 6240;
constexpr int kCancelLeft = 8040;
constexpr int kButtonWidth = 1575;
constexpr int kButtonHeight = 375;

// One row per variable: a label and a text field of the same size, 500 twips apart from 1000
// down, with no upper bound on the row index.
constexpr int kLabelLeft = 200;
constexpr int kFieldLeft = 1500;
constexpr int kRowWidth = 1500;
constexpr int kRowHeight = 300;
constexpr int RowTop(int row) {
    return 1000 + 500 * row;
}

// The client area at its design size, which is also its smallest.
inline QSize ClientSize() {
    return QSize(Px(kClientWidth), Px(kClientHeight));
}

// Where the controls of the client area go at `client` pixels (at least ClientSize()): at the
// design size exactly where they were designed; in a larger window the tab row and the pages grow
// with it, and the buttons keep their distance from the bottom right corner.
struct ControlPlaces {
    QRect tabs, pages, ok, cancel;
};
inline ControlPlaces PlaceControls(QSize client) {
    const int wider = client.width() - Px(kClientWidth);
    const int taller = client.height() - Px(kClientHeight);
    const auto button = [&](int left) {
        return QRect(Px(left) + wider, Px(kButtonsTop) + taller, Px(kButtonWidth),
                     Px(kButtonHeight));
    };
    return {QRect(0, Px(kTabsTop), Px(kTabsWidth) + wider, Px(kTabsHeight)),
            QRect(0, Px(kPageTop), client.width(), Px(kPageBottom - kPageTop) + taller),
            button(kOkLeft), button(kCancelLeft)};
}

// A control of a row, placed at (`left`, `top`) in the window, in pixels on its page.
inline QRect RowControlRect(int left, int top) {
    return QRect(Px(left), Px(top) - Px(kPageTop), Px(kRowWidth), Px(kRowHeight));
}

// The height of a page of `rows` rows, in pixels.
constexpr int PageHeight(int rows) {
    return rows == 0 ? 0 : Px(RowTop(rows - 1) + kRowHeight + 200) - Px(kPageTop);
}

}  // namespace Layout

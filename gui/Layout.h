#pragma once

#include <QSize>

// The window's design. Positions and sizes are designed in twips (1/1440 inch) from the top left
// corner of the client area, and shown at 15 twips to a pixel. The window's layouts keep, at the
// design size, every left edge and top as designed; a larger window gives the room to the pages
// and their fields, and keeps the buttons at their distance from the bottom right corner.
namespace Layout {

constexpr int Px(int twips) {
    return (twips + 7) / 15;
}

// The pixels from the designed position `from` to `to`. Margins and spacings are such distances,
// so that every position they add up to is the designed one, rounded as Px() rounds it.
constexpr int PxBetween(int from, int to) {
    return Px(to) - Px(from);
}

// The main window's client area.
constexpr int kClientWidth = 9930;
constexpr int kClientHeight = 6645;
// The tab row, and the pages that scroll between it and the buttons.
constexpr int kTabsTop = 120;
constexpr int kTabsHeight = 375;
constexpr int kPageTop = kTabsTop + kTabsHeight;
constexpr int kPageBottom = 6160;
// The OK and "Abbrechen" buttons.
constexpr int kButtonsTop = 6240;
constexpr int kOkLeft = 6240;
constexpr int kCancelLeft = 8040;
constexpr int kButtonWidth = 1575;
constexpr int kButtonHeight = 375;

// One row per variable, 500 twips apart from 1000 down, with no upper bound on the row index: the
// label on the left, the field from kFieldLeft (or further right, when a label needs the room) to
// a right margin as wide as the label's left one. A field is never narrower than kFieldWidth.
constexpr int kLabelLeft = 200;
constexpr int kFieldLeft = 1500;
constexpr int kFieldWidth = 1500;
constexpr int kRowHeight = 300;
constexpr int kPageMargin = kLabelLeft;
constexpr int RowTop(int row) {
    return 1000 + 500 * row;
}

// The client area at its design size, which is also its smallest.
inline QSize ClientSize() {
    return QSize(Px(kClientWidth), Px(kClientHeight));
}

}  // namespace Layout

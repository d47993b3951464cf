#pragma once

#include <QWidget>

// The main window's client area: the pages (the tab row and the page shown) at the top, and below
// them the search box and the OK and "Abbrechen" buttons. At the design size (Layout.h) every
// control is where it was designed, and the area is never smaller, unless its controls need more
// room; it opens at that size. A larger area gives its room to the pages, and the buttons keep
// their distance from the bottom right corner. The search box takes the room left of the buttons
// while it is shown.
class ClientArea : public QWidget {
  public:
    // Lays out the controls given, which the area takes as its children.
    ClientArea(QWidget* pages, QWidget* find, QWidget* ok, QWidget* cancel);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
};

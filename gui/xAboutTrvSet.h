#pragma once

#include <QWidget>

class QLabel;

// The About window: one picture with the program's name, what it is, its version and how to close
// the window on it, closed by a click on it or Escape. A window of its own that belongs to `owner`:
// it stays above it and opens centred on it.
class xAboutTrvSet : public QWidget {
    Q_OBJECT
  public:
    explicit xAboutTrvSet(QWidget* owner);

    // Shows the window centred on its owner; does nothing when it is already open.
    void Load();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QLabel* Picture1;
};

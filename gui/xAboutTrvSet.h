#pragma once

#include <QWidget>

class QLabel;

// The About window: one picture, closed by a click on it. A window of its own without an owner,
// so it stays open, and keeps the program running, when the main window closes first.
class xAboutTrvSet : public QWidget {
    Q_OBJECT
  public:
    xAboutTrvSet();

    // Shows the window; does nothing when it is already open.
    void Load();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QLabel* Picture1;
};

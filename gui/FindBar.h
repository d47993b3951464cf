#pragma once

#include <QWidget>

#include <vector>

class Configuration;
class QLabel;
class QLineEdit;

// The search box of the main window: finds the items of a configuration whose label, variable id
// or help holds the text typed, ignoring case, in every group, as the user types. It searches the
// configuration, not the controls, so that pages not shown yet need not be built. Enter goes to
// the next match; Escape hides the box. Its line and result are made when it is first opened: a
// line edit costs the window's start noticeably.
class FindBar : public QWidget {
    Q_OBJECT
  public:
    // `config` must outlive the box.
    FindBar(const Configuration& config, QWidget* parent);

    // Shows the box and puts the focus in it, its text selected.
    void Open();
    // Goes `step` matches on (1 the next, -1 the previous), round the ends: reports it through
    // Found(). Does nothing without a match.
    void Step(int step);

  signals:
    // The item `item` of the group `group`, both indexes in the configuration, is to be shown.
    void Found(int group, int item);

  private:
    struct Match {
        int group;
        int item;
    };
    void MakeControls();
    void Search(const QString& text);
    void ShowResult();

    const Configuration& mConfig;
    QLineEdit* mText = nullptr;
    QLabel* mResult = nullptr;
    std::vector<Match> mMatches;
    int mCurrent = -1;  // the match last gone to, or -1
};

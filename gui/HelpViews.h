#pragma once

#include <QCoreApplication>
#include <QString>

class QWidget;

// ? > Keyboard Shortcuts and ? > Guide: what a newcomer needs without leaving the window, in
// the language of the locale. Each opens once, in a window of its own that does not block the main
// window, and is brought to the front when asked for again.
class HelpViews {
    Q_DECLARE_TR_FUNCTIONS(HelpViews)

  public:
    // Shows the list of keys ("Shortcuts") or the guide ("Guide") over `window`, which owns it.
    static void ShowShortcuts(QWidget* window);
    static void ShowGuide(QWidget* window);

    // The texts, in HTML.
    static QString ShortcutsText();
    static QString GuideText();
};

#include "gui/QtDialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

#include <algorithm>
#include <vector>

namespace {

// The texts of Qt's own buttons in the message boxes, which Qt translates under these contexts:
// listed here, they are in the program's catalogs, so that a box's buttons speak the language of
// its text (the second pair is what GNOME's theme shows instead).
[[maybe_unused]] constexpr const char* kButtonTexts[] = {
    QT_TRANSLATE_NOOP("QPlatformTheme", "&Yes"),   QT_TRANSLATE_NOOP("QPlatformTheme", "&No"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Cancel"), QT_TRANSLATE_NOOP("QPlatformTheme", "OK"),
    QT_TRANSLATE_NOOP("QGnomeTheme", "&Cancel"),   QT_TRANSLATE_NOOP("QGnomeTheme", "&OK")};

QString Title() {
    return QStringLiteral("TervoSetup");
}

// The first path chosen in `dialog`, run modally; nothing when it was cancelled.
std::optional<QString> Chosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString chosen = dialog.selectedFiles().constFirst();
    return chosen.isEmpty() ? std::nullopt : std::optional<QString>(chosen);
}

// Sets `dialog` to pick an existing folder, starting in `start` (may be empty).
void PickFolder(QFileDialog& dialog, const QString& start) {
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (!start.isEmpty()) {
        dialog.setDirectory(start);
    }
}

std::optional<QString> RunFileDialog(QWidget* parent, QFileDialog::AcceptMode mode,
                                     const QString& fileName, const QString& filter) {
    QFileDialog dialog(parent, QString(), QString(), filter);
    dialog.setAcceptMode(mode);
    // The open dialog accepts a name that does not exist yet; the save dialog asks before it
    // overwrites (Qt's default for AcceptSave).
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile(fileName);
    return Chosen(dialog);
}

}  // namespace

void QtDialogs::Show(const QString& text, MessageKind kind) {
    const QMessageBox::Icon icon = kind == MessageKind::Error     ? QMessageBox::Critical
                                   : kind == MessageKind::Warning ? QMessageBox::Warning
                                                                  : QMessageBox::Information;
    QMessageBox box(icon, Title(), text, QMessageBox::Ok, mParent);
    box.exec();
}

Dialogs::Answer QtDialogs::AskYesNoCancel(const QString& text) {
    QMessageBox box(QMessageBox::Question, Title(), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, mParent);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

bool QtDialogs::AskYesNo(const QString& text) {
    QMessageBox box(QMessageBox::Question, Title(), text, QMessageBox::Yes | QMessageBox::No,
                    mParent);
    return box.exec() == QMessageBox::Yes;
}

std::optional<int> QtDialogs::AskChoice(const QString& text, const QStringList& choices) {
    QMessageBox box(QMessageBox::Question, Title(), text, QMessageBox::Cancel, mParent);
    std::vector<QPushButton*> buttons;
    for (const QString& choice : choices) {
        buttons.push_back(box.addButton(choice, QMessageBox::AcceptRole));
    }
    // Enter takes the first choice, Escape cancels.
    if (!buttons.empty()) {
        box.setDefaultButton(buttons.front());
    }
    box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    const auto taken = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return taken == buttons.end() ? std::nullopt
                                  : std::optional<int>(static_cast<int>(taken - buttons.begin()));
}

std::optional<QString> QtDialogs::AskOpenFileName(const QString& fileName, const QString& filter) {
    return RunFileDialog(mParent, QFileDialog::AcceptOpen, fileName, filter);
}

std::optional<QString> QtDialogs::AskSaveFileName(const QString& fileName, const QString& filter) {
    return RunFileDialog(mParent, QFileDialog::AcceptSave, fileName, filter);
}

std::optional<QString> QtDialogs::AskPath(PathKind kind, const QString& current) {
    QFileDialog dialog(mParent);
    if (kind == PathKind::Folder) {
        PickFolder(dialog, current);
    } else {
        // A field may name a file that a later step creates.
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!current.isEmpty()) {
            dialog.selectFile(current);
        }
    }
    return Chosen(dialog);
}

std::optional<QString> QtDialogs::AskFolder(const QString& caption, const QString& start) {
    QFileDialog dialog(mParent, caption);
    PickFolder(dialog, start);
    return Chosen(dialog);
}

std::unique_ptr<Dialogs::Waiting> QtDialogs::ShowWaiting(const QString& text) {
    class ProgressWaiting final : public Waiting {
      public:
        ProgressWaiting(const QString& text, QWidget* parent)
            : mDialog(text, QProgressDialog::tr("Cancel"), 0, 0, parent) {
            mDialog.setWindowTitle(Title());
            mDialog.setWindowModality(Qt::WindowModal);
            // Without a range the bar only shows that something goes on: no value is an end.
            mDialog.setAutoReset(false);
            mDialog.setAutoClose(false);
            // Told only after the wait has lasted a while: shown at once.
            mDialog.show();
        }
        bool Cancelled() override { return mDialog.wasCanceled(); }

      private:
        QProgressDialog mDialog;
    };
    return std::make_unique<ProgressWaiting>(text, mParent);
}

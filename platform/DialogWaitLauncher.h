#pragma once

#include "platform/Dialogs.h"
#include "platform/ProcessLauncher.h"

#include <QCoreApplication>

#include <memory>

// Starts and runs commands through another launcher, and shows the wait dialog of `dialogs`
// (Dialogs::ShowWaiting) while it waits for one: its Cancel ends the command, which then fails
// as cancelled. For a window, whose user must be able to stop a command that does not end: the
// wait is one call, so the events of the dialog and the window are handled at each look of the
// launcher, a click on Cancel too.
class DialogWaitLauncher final : public ProcessLauncher {
  public:
    DialogWaitLauncher(ProcessLauncher& launcher, Dialogs& dialogs)
        : mLauncher(launcher), mDialogs(dialogs) {}

    Status CheckProgram(const QString& commandLine) override {
        return mLauncher.CheckProgram(commandLine);
    }
    Status StartDetached(const QString& commandLine) override {
        return mLauncher.StartDetached(commandLine);
    }
    Status RunAndWait(const QString& commandLine, std::chrono::seconds timeout,
                      const std::function<bool()>& cancelled, const SecretSet& secrets) override {
        const std::unique_ptr<Dialogs::Waiting> waiting = mDialogs.ShowWaiting(
            QCoreApplication::translate("DialogWaitLauncher", "Waiting for the command to end:\n%1")
                .arg(commandLine));
        return mLauncher.RunAndWait(
            commandLine, timeout,
            [&] {
                QCoreApplication::processEvents();
                return waiting->Cancelled() || (cancelled && cancelled());
            },
            secrets);
    }

  private:
    ProcessLauncher& mLauncher;
    Dialogs& mDialogs;
};

#pragma once

#include "platform/ProcessLauncher.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

// A ProcessLauncher for tests: starts nothing, remembers every command line it was asked to start
// or to wait for, and ends a waited one as scripted, with the same kind of message as the real one.
class FakeProcessLauncher : public ProcessLauncher {
  public:
    // Ok, or the refusal that DistrustProgram scripted.
    Status CheckProgram(const QString& commandLine) override {
        const auto refused = mDistrusted.constFind(commandLine);
        return refused == mDistrusted.cend() ? Status::Ok() : *refused;
    }

    // Starts nothing, and fails as the real one does for a program that CheckProgram refuses.
    Status StartDetached(const QString& commandLine) override {
        if (Status checked = CheckProgram(commandLine); !checked.ok()) {
            return CannotStart(commandLine, checked.message());
        }
        mCommandLines.append(commandLine + (note ? note() : QString()));
        return Status::Ok();
    }

    // Asks `cancelled` once, then ends as scripted by EndWith (Ok unless told), with the lines
    // that hold any of `secrets` held back, as the real launcher holds them back.
    Status RunAndWait(const QString& commandLine, std::chrono::seconds timeout,
                      const std::function<bool()>& cancelled, const SecretSet& secrets) override {
        if (Status checked = CheckProgram(commandLine); !checked.ok()) {
            return CannotStart(commandLine, checked.message());
        }
        mCommandLines.append(commandLine + (note ? note() : QString()));
        mWaited.append(QStringLiteral("%1 (%2 s)").arg(commandLine).arg(timeout.count()));
        if (cancelled && cancelled()) {
            return Failed(commandLine, QStringLiteral("was cancelled"), {});
        }
        const auto end = mEnds.constFind(commandLine);
        if (end == mEnds.cend()) {
            return Status::Ok();
        }
        QStringList lines;
        for (const QString& line : end->second) {
            lines.append(secrets.HeldIn(line) ? SecretSet::HeldBackLine() : line);
        }
        return Failed(commandLine, end->first, lines);
    }

    // From now on waiting for `commandLine` ends as a failure that says `how` it ended ("ended
    // with status 3") with `errorLines` from its standard error.
    void EndWith(const QString& commandLine, const QString& how,
                 const QStringList& errorLines = {}) {
        mEnds[commandLine] = {how, errorLines};
    }
    // From now on the program of `commandLine` fails the trust rule, as the real launcher words
    // it: "<path>: <reason>".
    void DistrustProgram(const QString& commandLine, const QString& path, const QString& reason) {
        mDistrusted.insert(commandLine, Status::Untrusted(path, reason));
    }
    // Every command line started or waited for, in order, each followed by what `note` said when
    // it was passed.
    const QStringList& commandLines() const { return mCommandLines; }
    // Every command line waited for, with its timeout: "reload.sh (60 s)".
    const QStringList& waited() const { return mWaited; }
    // Notes what a command would find when it starts, such as the state of a file it acts on.
    std::function<QString()> note;

  private:
    QStringList mCommandLines;
    QStringList mWaited;
    QHash<QString, std::pair<QString, QStringList>> mEnds;
    QHash<QString, Status> mDistrusted;
};

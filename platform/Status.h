#pragma once

#include <QCoreApplication>
#include <QString>

#include <utility>

// The one error style of the program: an operation either succeeds or fails with a message that
// already names what failed and why ("settings.xml: line 3: ...", "out/app.ini: No space left on
// device"). The core never shows a Status; the window or the console decides how it reaches the
// user. A Status must not be dropped unread: a caller that means to go on after a failure says so
// where it does.
class [[nodiscard]] Status {
  public:
    static Status Ok() { return Status(Code::Ok, QString()); }
    static Status Error(QString message) { return Status(Code::Error, std::move(message)); }
    // "<path>: <reason>", the one way a failure names what it concerns: a file, or an XPath
    // expression.
    static Status PathError(const QString& path, const QString& reason) {
        return Status(Code::Error, Joined(path, reason));
    }
    // The same for a file or directory that does not exist; callers that treat a missing file as
    // empty test for it with IsNotFound().
    static Status PathNotFound(const QString& path, const QString& reason) {
        return Status(Code::NotFound, Joined(path, reason));
    }

    // The same for a path that the program does not trust (platform/TrustedPath.h): another
    // user could have chosen what it leads to. `reason` names the owner.
    static Status Untrusted(const QString& path, const QString& reason) {
        return Status(Code::Untrusted, Joined(path, reason));
    }

    // An operation that stopped because its caller asked it to, not because something failed;
    // callers that treat that apart from a failure test for it with IsCancelled().
    static Status Cancelled(QString message) { return Status(Code::Cancelled, std::move(message)); }

    // "<path>: there is not enough memory": an allocation failed while working on `path`.
    static Status OutOfMemory(const QString& path) {
        return PathError(path, QCoreApplication::translate("Status", "there is not enough memory"));
    }

    bool ok() const { return mCode == Code::Ok; }
    bool IsNotFound() const { return mCode == Code::NotFound; }
    bool IsCancelled() const { return mCode == Code::Cancelled; }
    bool IsUntrusted() const { return mCode == Code::Untrusted; }
    const QString& message() const { return mMessage; }

    // The same outcome told by `message` instead: what is shown of it has changed, not what it is.
    Status Reworded(QString message) const {
        return ok() ? *this : Status(mCode, std::move(message));
    }

    // The same failure with `context` put in front, separated by ": ".
    Status Prefixed(const QString& context) const {
        return ok() ? *this : Status(mCode, Joined(context, mMessage));
    }

  private:
    enum class Code { Ok, Error, NotFound, Cancelled, Untrusted };
    static QString Joined(const QString& path, const QString& reason) {
        return path + QStringLiteral(": ") + reason;
    }
    Status(Code code, QString message) : mCode(code), mMessage(std::move(message)) {}

    Code mCode;
    QString mMessage;
};

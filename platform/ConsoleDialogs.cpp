#include "platform/ConsoleDialogs.h"

#include <QCoreApplication>

void ConsoleDialogs::Show(const QString& text, MessageKind) {
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QByteArray bytes = QStringLiteral("TervoSetup: %1\n").arg(line).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), mStream);
    std::fflush(mStream);
}

Dialogs::Answer ConsoleDialogs::AskYesNoCancel(const QString& text) {
    ShowMessage(text + QCoreApplication::translate("ConsoleDialogs",
                                                   " (no display to ask on: answered No)"));
    return Answer::No;
}

bool ConsoleDialogs::AskYesNo(const QString& text) {
    return AskYesNoCancel(text) == Answer::Yes;
}

std::optional<int> ConsoleDialogs::AskChoice(const QString& text, const QStringList&) {
    ShowMessage(
        text + QCoreApplication::translate("ConsoleDialogs", " (no display to ask on: cancelled)"));
    return std::nullopt;
}

std::optional<QString> ConsoleDialogs::AskOpenFileName(const QString&, const QString&) {
    return std::nullopt;
}

std::optional<QString> ConsoleDialogs::AskSaveFileName(const QString&, const QString&) {
    return std::nullopt;
}

std::optional<QString> ConsoleDialogs::AskPath(PathKind, const QString&) {
    return std::nullopt;
}

std::optional<QString> ConsoleDialogs::AskFolder(const QString&, const QString&) {
    return std::nullopt;
}

std::unique_ptr<Dialogs::Waiting> ConsoleDialogs::ShowWaiting(const QString&) {
    class NeverCancelled final : public Waiting {
      public:
        bool Cancelled() override { return false; }
    };
    return std::make_unique<NeverCancelled>();
}

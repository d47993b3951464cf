#include "testing/ScriptedDialogs.h"

Dialogs::Answer ScriptedDialogs::AskYesNoCancel(const QString& text) {
    questions.append(text);
    if (answers.empty()) {
        unexpected.append(text);
        return Answer::Cancel;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

namespace {

std::optional<QString> NextFileName(std::deque<std::optional<QString>>& fileNames,
                                    QStringList& unexpected, const QString& what) {
    if (fileNames.empty()) {
        unexpected.append(what);
        return std::nullopt;
    }
    const std::optional<QString> fileName = std::move(fileNames.front());
    fileNames.pop_front();
    return fileName;
}

}  // namespace

std::optional<QString> ScriptedDialogs::AskOpenFileName(const QString& fileName,
                                                        const QString& filter) {
    const QString what = QStringLiteral("open %1 %2").arg(fileName, filter);
    fileDialogs.append(what);
    return NextFileName(fileNames, unexpected, what);
}

std::optional<QString> ScriptedDialogs::AskSaveFileName(const QString& fileName,
                                                        const QString& filter) {
    const QString what = QStringLiteral("save %1 %2").arg(fileName, filter);
    fileDialogs.append(what);
    return NextFileName(fileNames, unexpected, what);
}

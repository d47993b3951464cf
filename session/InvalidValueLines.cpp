#include "session/InvalidValueLines.h"

#include "schema/Configuration.h"

QStringList InvalidValueLines(const std::vector<InvalidValue>& invalid, const QString& settingsFile,
                              const SecretSet& secrets, const QHash<QString, QString>& sources) {
    QStringList lines;
    for (const InvalidValue& bad : invalid) {
        // Scripts read these lines: they stay as they are in every language.
        lines.append(QStringLiteral("%1: %2 (%3): %4")
                         .arg(sources.value(bad.item->id.toString(), settingsFile), bad.item->label,
                              bad.item->id, bad.reason));
    }
    return secrets.Withheld(lines);
}

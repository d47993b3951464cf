// The save of the program, on the real disk, as a separate process that CrashSafety_test kills at
// random moments.
//
//   tervo_crash_writer <folder> <generation>
//
// Loads <folder>/config.xml and <folder>/settings.xml, gives every field a value of the new
// generation and saves and exports as the OK button does. A value reads "<generation>|<rest>";
// only the generation changes, so each save replaces every value at once and a file that mixes
// two saves shows it. Exit status 0 when everything was written, 2 otherwise.

#include "platform/DiskFileSystem.h"
#include "platform/QProcessLauncher.h"
#include "schema/Configuration.h"
#include "schema/FieldNames.h"
#include "settings/FieldTexts.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsWriter.h"

#include <cstdio>

namespace {

int Fail(const QString& message) {
    std::fprintf(stderr, "tervo_crash_writer: %s\n", message.toLocal8Bit().constData());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        return Fail(QStringLiteral("usage: tervo_crash_writer <folder> <generation>"));
    }
    const QString baseDir = QString::fromLocal8Bit(argv[1]) + u'/';
    const QString generation = QString::fromLocal8Bit(argv[2]);
    const QString configPath = baseDir + QStringLiteral("config.xml");
    const QString settingsPath = baseDir + QStringLiteral("settings.xml");

    DiskFileSystem disk;
    QProcessLauncher processes;  // the test's configuration has no commands
    Configuration config;
    if (Status s = LoadConfigurationFile(disk, configPath, &config); !s.ok()) {
        return Fail(s.message());
    }
    MapFieldTexts fields(config);
    if (Status s = ReadSettingsInto(disk, settingsPath, config, fields); !s.ok()) {
        return Fail(s.message());
    }
    for (const ConfigGroup& group : config.Groups()) {
        for (const ConfigItem& item : group.items) {
            const QString field = FieldControlName(item.id);
            const QString old = fields.FieldText(field).value_or(QString());
            fields.SetFieldText(field, generation + u'|' + old.section(u'|', 1));
        }
    }
    const SaveResult result =
        SaveAndExport(config, fields, settingsPath, settingsPath, baseDir, {disk, processes});
    if (!result.saved.ok()) {
        return Fail(result.saved.message());
    }
    if (!result.problems.isEmpty()) {
        return Fail(result.problems.join(u'\n'));
    }
    return 0;
}

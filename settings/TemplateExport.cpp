#include "settings/TemplateExport.h"

#include "schema/Configuration.h"
#include "settings/SettingsDocument.h"
#include "settings/Substitution.h"
#include "settings/SubstitutionPlan.h"

namespace {

// The export's substitutions of the settings file, in the 8-bit encoding of the templates.
Status ReadSubstitutions(FileSystem& files, const QString& settingsPath,
                         std::vector<Substitution>* substitutions) {
    SettingsDocument settings;
    std::vector<VariableValue> values;
    Status s = settings.Load(files, settingsPath);
    if (s.ok())
        s = settings.ExportedValues(&values);
    if (!s.ok()) {
        return s;
    }
    for (const VariableValue& variable : values) {
        substitutions->push_back({variable.id.toLocal8Bit(), variable.value.toLocal8Bit()});
    }
    return Status::Ok();
}

}  // namespace

QStringList ExportTemplateFiles(const Configuration& config, const QString& settingsPath,
                                const QString& baseDir, FileSystem& fileSystem) {
    QStringList problems;
    if (config.Templates().empty()) {
        return problems;
    }
    std::vector<Substitution> substitutions;
    if (Status read = ReadSubstitutions(fileSystem, settingsPath, &substitutions); !read.ok()) {
        // The templates are still written, unchanged, as with a settings file without variables.
        problems.append(QStringLiteral("The values could not be read for the export.\n") +
                        read.message());
    }
    const SubstitutionPlan plan(std::move(substitutions));
    for (const TemplateEntry& entry : config.Templates()) {
        QByteArray text;
        if (Status read = fileSystem.ReadFile(baseDir + entry.input, kMaxTemplateBytes, &text);
            !read.ok()) {
            problems.append(entry.input + QStringLiteral(" could not be found\n") + read.message());
            continue;
        }
        const Status written = fileSystem.WriteFileFrom(
            baseDir + entry.output, [&](ByteSink& out) { plan.Apply(text, out); });
        if (!written.ok()) {
            problems.append(entry.output + QStringLiteral(" could not be written\n") +
                            written.message());
        }
    }
    return problems;
}

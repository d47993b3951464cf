#include "settings/TemplateExport.h"

#include "schema/Configuration.h"
#include "settings/SettingsDocument.h"
#include "settings/Substitution.h"
#include "settings/SubstitutionPlan.h"

namespace {

// The variables of the settings file in the order of the root's `variable` children, each with
// the value of the first element of its id, in the 8-bit encoding of the templates.
Status ReadSubstitutions(FileSystem& files, const QString& settingsPath,
                         std::vector<Substitution>* substitutions) {
    SettingsDocument settings;
    std::vector<XmlNode> variables;
    Status s = settings.Load(files, settingsPath);
    if (s.ok())
        s = settings.RootVariables(&variables);
    if (!s.ok()) {
        return s;
    }
    for (const XmlNode& variable : variables) {
        if (const std::optional<QString> id = variable.Attribute(QStringLiteral("id"))) {
            substitutions->push_back(
                {id->toLocal8Bit(), settings.FirstWithId(*id).Text().toLocal8Bit()});
        }
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

#include "settings/TemplateExport.h"

#include "platform/BackgroundSink.h"
#include "schema/Configuration.h"
#include "settings/LeftoverTokenSink.h"
#include "settings/Substitution.h"
#include "settings/SubstitutionPlan.h"

#include <QCoreApplication>
#include <QHash>
#include <QLocale>
#include <QSet>

#include <algorithm>

namespace {

// A file the run reads, which no output may replace.
struct RunInput {
    FileIdentity identity;
    QString description;
};

// The identities are taken before any output is written; a file that does not exist cannot be
// overwritten by mistake.
std::vector<RunInput> RunInputs(const Configuration& config, const QString& settingsPath,
                                const QString& baseDir, FileSystem& files) {
    std::vector<RunInput> inputs;
    // `description` names the file by %1.
    const auto add = [&](const QString& path, const QString& description) {
        FileIdentity identity;
        if (files.Identify(path, &identity).ok()) {
            inputs.push_back({identity, description.arg(path)});
        }
    };
    add(settingsPath, QCoreApplication::translate("TemplateExport", "the settings file %1"));
    add(config.FileName(),
        QCoreApplication::translate("TemplateExport", "the configuration file %1"));
    for (const TemplateEntry& entry : config.Templates()) {
        add(baseDir + entry.input,
            QCoreApplication::translate("TemplateExport", "the template %1"));
    }
    return inputs;
}

// The tokens that no value replaced in one output, as LeftoverTokenSink tells them.
struct Leftovers {
    std::vector<LeftoverToken> listed;
    qint64 unlisted = 0;
};

// Takes an output and keeps none of it; fails, which stops the substitution, once a password's
// value has come.
class PasswordSpotter final : public ByteSink {
  public:
    explicit PasswordSpotter(const SecretRanges& secrets) : mSecrets(secrets) {}
    bool Append(const char*, std::size_t) override { return !mSecrets.HoldsBytes(); }
    bool Restart() override { return true; }

  private:
    const SecretRanges& mSecrets;
};

// How a new output of the template `text` is created: for its owner only when the output
// receives a password's value by any route (the substitution is run once more to see), or the
// template names a password variable or holds a password value (as the export writes them). An
// output that exists keeps its mode, so only a new one is worth the look. The look takes the
// template whole; `text` is then replaced by those bytes, so that the export reads the file once.
// Fails only when the template cannot be read.
Status NewOutputAccess(std::unique_ptr<ByteSource>* text,
                       const std::vector<Substitution>& passwords, const SubstitutionPlan& plan,
                       const std::vector<ByteRange>& templateSecrets, NewFileAccess* access) {
    *access = NewFileAccess::Default;
    if (passwords.empty() && templateSecrets.empty()) {
        return Status::Ok();
    }
    QByteArray bytes;
    if (Status read = ReadAll(**text, &bytes); !read.ok()) {
        return read;
    }
    *text = std::make_unique<ByteArraySource>(bytes);
    for (const Substitution& password : passwords) {
        if (bytes.contains(password.id) || bytes.contains(password.value)) {
            *access = NewFileAccess::OwnerOnly;
            return Status::Ok();
        }
    }
    SecretRanges secrets;
    PasswordSpotter spotter(secrets);
    ByteArraySource source(std::move(bytes));
    // A pass that stops early has not found every password: the output is kept private then.
    const Status spotted = plan.Apply(source, spotter, &secrets, templateSecrets);
    *access =
        !spotted.ok() || secrets.HoldsBytes() ? NewFileAccess::OwnerOnly : NewFileAccess::Default;
    return Status::Ok();
}

// `format` ("%1 could not be found\n%2") with the file's name and the reason. A reason that
// begins with the same name drops it, so that the message names the file once; a path in the base
// folder stays, as it says where the file is.
QString Failure(const QString& format, const QString& name, const Status& why) {
    QString reason = why.message();
    const QString named = name + QStringLiteral(": ");
    if (reason.startsWith(named)) {
        reason.remove(0, named.size());
    }
    return format.arg(name, reason);
}

// "12,499,900": a count a reader takes in at a glance, the same in every locale.
QString Grouped(qint64 count) {
    QLocale english(QLocale::English);
    english.setNumberOptions(QLocale::DefaultNumberOptions);
    return english.toString(count);
}

// Whether any item of `config` is a password: without one, no id is a password's, and the ids of
// a large file need not be looked up.
bool HasPasswordItem(const Configuration& config) {
    for (const ConfigGroup& group : config.Groups()) {
        for (const ConfigItem& item : group.items) {
            if (item.rules.kind == ValueKind::Password) {
                return true;
            }
        }
    }
    return false;
}

// Appends `text` to `bytes` as the outputs hold it, and gives the new size. Most ids and values
// are ASCII, which need no encoder and no string of their own: each character is copied as a
// byte, and only when one of them turns out not to be ASCII are the bytes taken back and the text
// encoded.
qsizetype AppendEncoded(QByteArray* bytes, QStringView text) {
    const qsizetype at = bytes->size();
    bytes->resize(at + text.size());
    char* out = bytes->data() + at;
    char16_t seen = 0;  // every character's bits
    for (const QChar c : text) {
        seen |= c.unicode();
        *out++ = char(c.unicode());
    }
    if (seen >= 0x80) {
        bytes->truncate(at);
        bytes->append(text.toLocal8Bit());
    }
    return bytes->size();
}

}  // namespace

bool IsPasswordId(const Configuration& config, QStringView id) {
    const ConfigItem* item = config.ItemFor(id);
    return item != nullptr && item->rules.kind == ValueKind::Password;
}

QString ReadableSecretWarning(FileSystem& files, const QString& path) {
    unsigned mode = 0;
    if (!files.ModeOf(path, &mode).ok() || (mode & 044) == 0) {
        return QString();
    }
    return QCoreApplication::translate(
               "TemplateExport",
               "%1 holds a password, but its mode %2 lets others than its owner read it")
        .arg(path, QStringLiteral("%1").arg(mode, 4, 8, QLatin1Char('0')));
}

std::vector<VariableValue> PasswordValues(const Configuration& config,
                                          const std::vector<VariableValue>& values) {
    std::vector<VariableValue> passwords;
    if (!HasPasswordItem(config)) {
        return passwords;
    }
    for (const VariableValue& variable : values) {
        if (!variable.value.isEmpty() && IsPasswordId(config, variable.id)) {
            passwords.push_back(variable);
        }
    }
    return passwords;
}

struct TemplateExport::Impl {
    Impl(const QString& baseDir, FileSystem& fileSystem)
        : baseDir(baseDir), fileSystem(fileSystem), plan({}) {}

    QString baseDir;
    FileSystem& fileSystem;
    QByteArray bytes;  // the ids and values that `plan` and `passwords` view; it outlives both
    SubstitutionPlan plan;
    std::vector<Substitution> passwords;  // those with a value
    bool tracking = false;                // a password is among the substitutions
    std::vector<RunInput> inputs;
    SecretsReport report;
    QSet<QString> templates;  // baseDir + input of every entry
    // The passwords of each output written so far that is a template of the save as well.
    mutable QHash<QString, std::vector<ByteRange>> outputSecrets;

    // Exports `entry`; returns what went wrong, or nothing, notes the tokens that no value
    // replaced in `leftovers`, and whether the output holds a password in `holdsPassword`.
    QString ExportEntry(const TemplateEntry& entry, Leftovers* leftovers,
                        bool* holdsPassword) const {
        const auto notExported = [&entry](const QString& why) {
            return QCoreApplication::translate(
                       "TemplateExport",
                       "The template entry \"%1\" -> \"%2\" was not exported: %3.")
                .arg(entry.input, entry.output, why);
        };
        if (entry.output.isEmpty()) {
            return notExported(
                QCoreApplication::translate("TemplateExport", "its output is empty"));
        }
        FileIdentity output;
        const bool outputExists = fileSystem.Identify(baseDir + entry.output, &output).ok();
        if (outputExists) {
            const auto same = std::find_if(
                inputs.begin(), inputs.end(),
                [&](const RunInput& input) { return input.identity.SameFile(output); });
            if (same != inputs.end()) {
                return notExported(QCoreApplication::translate("TemplateExport",
                                                               "its output is the same file as %1")
                                       .arg(same->description));
            }
        }
        // The template is read as it is substituted, so that it is held whole only where the file
        // system or the plain passes need it whole; and only what no other user could have chosen
        // is copied into an output.
        std::unique_ptr<ByteSource> text;
        if (Status opened =
                fileSystem.OpenTrustedFile(baseDir + entry.input, kMaxTemplateBytes, &text);
            !opened.ok()) {
            return NotFound(entry, opened);
        }
        const QString outputPath = baseDir + entry.output;
        const std::vector<ByteRange> templateSecrets = outputSecrets.value(baseDir + entry.input);
        NewFileAccess newAccess = NewFileAccess::Default;
        if (!entry.mode && !outputExists) {
            if (Status read = NewOutputAccess(&text, passwords, plan, templateSecrets, &newAccess);
                !read.ok()) {
                return NotFound(entry, read);
            }
        }
        const FileAccess access =
            entry.mode ? FileAccess::Exactly(*entry.mode) : FileAccess(newAccess);
        const bool tracked = tracking || !templateSecrets.empty();
        // All of them are kept only for a report or a later entry; the scan needs few at a time.
        SecretRanges secrets(report || templates.contains(outputPath));
        Status read = Status::Ok();
        const qint64 size = text->SizeHint();
        const auto produce = [&](ByteSink& out) {
            // The output is scanned for tokens and written on a second thread, beside the
            // substitution.
            LeftoverTokenSink scanned(out, tracked ? &secrets : nullptr);
            BackgroundSink background(scanned, SubstitutionPlan::PieceBytesFor(size));
            read = plan.Apply(*text, background, tracked ? &secrets : nullptr, templateSecrets);
            background.Finish();
            *leftovers = {scanned.Tokens(), scanned.UnlistedCount()};
            if (report && read.ok()) {
                report(outputPath, secrets.Ranges());
            }
            return read;
        };
        const Status written = fileSystem.WriteFileFrom(outputPath, produce, access);
        if (templates.contains(outputPath)) {
            // A later entry reads what the file holds now: these bytes, or what it held before,
            // whose passwords nobody knows.
            if (written.ok() && read.ok()) {
                outputSecrets.insert(outputPath, secrets.Ranges());
            } else {
                outputSecrets.remove(outputPath);
            }
        }
        if (!read.ok()) {
            return NotFound(entry, read);
        }
        *holdsPassword = tracked && secrets.HoldsBytes();
        return written.ok() ? QString() : NotWritten(entry, written);
    }

    static QString NotFound(const TemplateEntry& entry, const Status& why) {
        return Failure(QCoreApplication::translate("TemplateExport", "%1 could not be found\n%2"),
                       entry.input, why);
    }
};

TemplateExport::TemplateExport(const Configuration& config, std::vector<VariableValue> values,
                               const QString& settingsPath, const QString& baseDir,
                               FileSystem& fileSystem, SecretsReport report)
    : mImpl(std::make_unique<Impl>(baseDir, fileSystem)) {
    // Every id and value goes into one buffer first; the substitutions are views of it, made
    // once it no longer grows. The list of variables goes before the substitutions take memory
    // of their own.
    const bool anyPassword = HasPasswordItem(config);
    std::vector<bool> passwordAt(anyPassword ? values.size() : 0);
    std::vector<qsizetype> ends;
    ends.reserve(2 * values.size());
    qsizetype characters = 0;
    for (const VariableValue& variable : values) {
        characters += variable.id.size() + variable.value.size();
    }
    mImpl->bytes.reserve(characters);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const VariableValue& variable = values[i];
        // A password without a value is tracked too: where it went, a diff looks for the old one.
        if (anyPassword) {
            passwordAt[i] = IsPasswordId(config, variable.id);
        }
        ends.push_back(AppendEncoded(&mImpl->bytes, variable.id));
        ends.push_back(AppendEncoded(&mImpl->bytes, variable.value));
    }
    const std::size_t count = values.size();
    values = std::vector<VariableValue>();
    std::vector<Substitution> substitutions;
    substitutions.reserve(count);
    // The `k`th piece of the buffer: ids at even places, values at odd ones.
    const auto piece = [&](std::size_t k) {
        const qsizetype from = k == 0 ? 0 : ends[k - 1];
        return QByteArrayView(mImpl->bytes.constData() + from, ends[k] - from);
    };
    for (std::size_t i = 0; i < count; ++i) {
        const bool password = anyPassword && passwordAt[i];
        substitutions.push_back({piece(2 * i), piece(2 * i + 1), password});
        mImpl->tracking = mImpl->tracking || password;
        if (password && !substitutions.back().value.isEmpty()) {  // as PasswordValues
            mImpl->passwords.push_back(substitutions.back());
        }
    }
    ends = std::vector<qsizetype>();  // before the plan takes memory of its own
    mImpl->plan = SubstitutionPlan(std::move(substitutions));
    mImpl->inputs = RunInputs(config, settingsPath, baseDir, fileSystem);
    mImpl->report = std::move(report);
    for (const TemplateEntry& entry : config.Templates()) {
        mImpl->templates.insert(baseDir + entry.input);
    }
}

TemplateExport::~TemplateExport() = default;

QString TemplateExport::NotWritten(const TemplateEntry& entry, const Status& why) {
    return Failure(QCoreApplication::translate("TemplateExport", "%1 could not be written\n%2"),
                   entry.output, why);
}

QString TemplateExport::Export(const TemplateEntry& entry, QStringList* warnings) const {
    Leftovers leftovers;
    bool holdsPassword = false;
    const QString problem = mImpl->ExportEntry(entry, &leftovers, &holdsPassword);
    if (!problem.isEmpty() || warnings == nullptr) {
        return problem;
    }
    const QString output = mImpl->baseDir + entry.output;
    // A mode that the entry sets is the configuration's choice of who may read the output.
    if (holdsPassword && !entry.mode) {
        if (const QString readable = ReadableSecretWarning(mImpl->fileSystem, output);
            !readable.isEmpty()) {
            warnings->append(readable);
        }
    }
    for (const LeftoverToken& token : leftovers.listed) {
        warnings->append(QCoreApplication::translate("TemplateExport", "%1:%2: %3 has no value")
                             .arg(output)
                             .arg(token.line)
                             .arg(QString::fromLatin1(token.text)));
    }
    if (leftovers.unlisted > 0) {
        warnings->append(
            QCoreApplication::translate("TemplateExport", "%1: ... and %2 more without a value")
                .arg(output, Grouped(leftovers.unlisted)));
    }
    return problem;
}

#pragma once

#include "platform/FileSystem.h"
#include "settings/SettingsDocument.h"

#include <QStringList>

#include <memory>
#include <vector>

class Configuration;
struct TemplateEntry;

// The largest template an entry may have: a larger one, or one that grows beyond it while it is
// read, fails its entry. An export reads its template in pieces, but holds it whole where the file
// system only gives it whole (the in-memory one of /check, /diff and /strict) and where the
// substitution falls back to the plain passes; this bounds that memory. /diff reads an old output
// whole up to the same size.
constexpr qint64 kMaxTemplateBytes = qint64(1) << 30;

// The values of `values` that are passwords to `config` and not empty: what makes a file that
// holds one readable by its owner only when a save creates it.
std::vector<VariableValue> PasswordValues(const Configuration& config,
                                          const std::vector<VariableValue>& values);

// The export of the template entries of one save, prepared once for all of them: each entry reads
// `baseDir` + input in pieces, through a path that no other user controls
// (FileSystem::OpenTrustedFile), replaces every id of the values by its value as
// SubstituteSequentially does (one pass per variable, in the order given) and replaces `baseDir` +
// output with the result as it is produced (FileSystem::WriteFileFrom, which leaves an output that
// holds these bytes already alone).
class TemplateExport {
  public:
    // Notes the files the save reads, which no output may replace: the settings file at
    // `settingsPath`, the configuration file (config.FileName()) and every template.
    // `fileSystem` must outlive the export.
    TemplateExport(const Configuration& config, const std::vector<VariableValue>& values,
                   const QString& settingsPath, const QString& baseDir, FileSystem& fileSystem);
    ~TemplateExport();

    // Exports `entry`. Returns what went wrong, or nothing: "<input> could not be found" or
    // "<output> could not be written", each followed by a line with the reason (which does not
    // repeat the name), or "The template entry "<input>" -> "<output>" was not exported: <why>."
    // for an entry whose output is empty, or is the same file (also through a symlink or a hard
    // link) as one the save reads. Every $(NAME)-shaped token still in an exported output (no
    // value replaced it) adds the line "<baseDir + output>:<line>: $(NAME) has no value" to
    // `warnings`, once per token, with the first line it appears on; past the first 100 tokens of
    // an output, one more line counts the occurrences of all others: "<baseDir + output>: ... and
    // 12,345 more without a value". An output that the export creates is readable by its owner
    // only when its template names a password variable or holds a password value
    // (PasswordValues).
    QString Export(const TemplateEntry& entry, QStringList* warnings) const;

    // The message of an entry whose export failed with `why`, as Export words it.
    static QString NotWritten(const TemplateEntry& entry, const Status& why);

  private:
    struct Impl;
    std::unique_ptr<Impl> mImpl;
};

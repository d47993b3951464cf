#pragma once

#include "platform/FileSystem.h"
#include "settings/SecretRanges.h"
#include "settings/SettingsDocument.h"

#include <QStringList>

#include <functional>
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

// Whether `id` addresses a password item of `config` (Configuration::ItemFor).
bool IsPasswordId(const Configuration& config, QStringView id);

// What a save says of the file `path` on `files`, which holds a password, when its mode lets its
// group or others read it: "<path> holds a password, but its mode 0644 lets ...". Empty when it
// does not, or when the file is not there (a run that writes nothing creates nothing).
QString ReadableSecretWarning(FileSystem& files, const QString& path);

// The export of the template entries of one save, prepared once for all of them: each entry reads
// `baseDir` + input in pieces, through a path that no other user controls
// (FileSystem::OpenTrustedFile), replaces every id of the values by its value as
// SubstituteSequentially does (one pass per variable, in the order given) and replaces `baseDir` +
// output with the result as it is produced (FileSystem::WriteFileFrom, which leaves an output that
// holds these bytes already alone).
//
// The export knows where each output holds the value of a password: wherever the substitution put
// a password's value, whole or changed by later passes, also inside another variable's value
// (SubstituteSequentially with secrets). A template that is an output of an earlier entry of the
// same save carries the passwords of that output into its own.
class TemplateExport {
  public:
    // Told, for each output as the export produces it (before the file system takes the last of
    // its bytes), where it holds the values of passwords: `baseDir` + output, and the ranges,
    // sorted and apart; an empty range is where a password without a value went.
    using SecretsReport =
        std::function<void(const QString& output, const std::vector<ByteRange>& secrets)>;

    // Notes the files the save reads, which no output may replace: the settings file at
    // `settingsPath`, the configuration file (config.FileName()) and every template.
    // `fileSystem` must outlive the export. `report`, when given, is told the passwords of every
    // output.
    // `values` are the substitutions, which the export turns into its own form and frees: their
    // ids are read in this call only.
    TemplateExport(const Configuration& config, std::vector<VariableValue> values,
                   const QString& settingsPath, const QString& baseDir, FileSystem& fileSystem,
                   SecretsReport report = {});
    ~TemplateExport();

    // Exports `entry`. Returns what went wrong, or nothing: "<input> could not be found" or
    // "<output> could not be written", each followed by a line with the reason (which does not
    // repeat the name), or "The template entry "<input>" -> "<output>" was not exported: <why>."
    // for an entry whose output is empty, or is the same file (also through a symlink or a hard
    // link) as one the save reads. Every $(NAME)-shaped token still in an exported output (no
    // value replaced it) adds the line "<baseDir + output>:<line>: $(NAME) has no value" to
    // `warnings`, once per token, with the first line it appears on; past the first 100 tokens of
    // an output, one more line counts the occurrences of all others: "<baseDir + output>: ... and
    // 12,345 more without a value". A token that takes in a byte of a password's value is left
    // out of them. An output that the export creates is readable by its owner only when it
    // receives a password's value (not empty) by any route, or its template names a password
    // variable or holds a password value (PasswordValues). An entry's mode (TemplateEntry::mode)
    // is its output's after every export, also one that changes no byte. An output that holds a
    // password and whose mode, not set by its entry, lets others read it adds the line of
    // ReadableSecretWarning to `warnings`.
    QString Export(const TemplateEntry& entry, QStringList* warnings) const;

    // The message of an entry whose export failed with `why`, as Export words it.
    static QString NotWritten(const TemplateEntry& entry, const Status& why);

  private:
    struct Impl;
    std::unique_ptr<Impl> mImpl;
};

#pragma once

#include "platform/FileSystem.h"
#include "settings/SettingsDocument.h"

#include <QStringList>

#include <vector>

class Configuration;

// A template is held in memory whole while its output is written; this bounds what one entry
// may take.
constexpr qint64 kMaxTemplateBytes = qint64(1) << 30;

// Exports every template entry of `config` in order: reads `baseDir` + input whole, replaces every
// id of `values` by its value (SubstituteSequentially, in the order given) and replaces `baseDir`
// + output with the result. An entry whose output is empty, or is the same file (also through a
// symlink or a hard link) as one this run reads, is not exported: the settings file at
// `settingsPath`, the configuration file (config.FileName()) or the template of any entry. A
// failing entry is skipped and the export goes on; running out of memory fails only the entry,
// whose output stays as it was. Returns one message per failure, in order: "<input> could not be
// found" or "<output> could not be written", each followed by a line with the reason, or
// "The template entry "<input>" -> "<output>" was not exported: <why>.".
// Every $(NAME)-shaped token that is still in an exported output (no value replaced it) adds the
// line "<baseDir + output>:<line>: $(NAME) has no value" to `warnings`, once per token and output,
// with the first line it appears on; past the first 100 tokens of an output, one more line counts
// the occurrences of all others: "<baseDir + output>: ... and 12,345 more without a value".
QStringList ExportTemplateFiles(const Configuration& config,
                                const std::vector<VariableValue>& values,
                                const QString& settingsPath, const QString& baseDir,
                                FileSystem& fileSystem, QStringList* warnings = nullptr);

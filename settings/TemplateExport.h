#pragma once

#include "platform/FileSystem.h"

#include <QStringList>

class Configuration;

// A template is held in memory whole while its output is written; this bounds what one entry
// may take.
constexpr qint64 kMaxTemplateBytes = qint64(1) << 30;

// Exports every template entry of `config` in order: reads `baseDir` + input whole, replaces every
// variable id of the settings file at `settingsPath` by its value (SubstituteSequentially, in the
// order of the root's `variable` children, each id taking the text of its first element), and
// replaces `baseDir` + output with the result. A failing entry is skipped and the export goes on.
// Returns one message per failure, in order: "<input> could not be found" or "<output> could not
// be written", each followed by a line with the reason.
QStringList ExportTemplateFiles(const Configuration& config, const QString& settingsPath,
                                const QString& baseDir, FileSystem& fileSystem);

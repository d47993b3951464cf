#pragma once

#include "platform/FileSystem.h"
#include "platform/Status.h"

class Configuration;
class FieldTexts;
class SettingsDocument;
struct SettingsVersion;

// Puts the values of the settings file at `path` into the fields of the variables that `config`
// declares. Each id takes the text of its first element in document order; entries of ids the
// configuration does not declare are skipped, and fields without an entry keep their text.
// When the file cannot be read or parsed no field is touched and the error names the path.
// `version`, when given, receives the version of the file that was read.
Status ReadSettingsInto(FileSystem& fileSystem, const QString& path, const Configuration& config,
                        FieldTexts& fields, SettingsVersion* version = nullptr);

// The same for a settings file that is loaded already.
void PutSettingsInto(const SettingsDocument& settings, const Configuration& config,
                     FieldTexts& fields);

#pragma once

#include "platform/FileSystem.h"
#include "platform/Status.h"

class Configuration;
class SettingsDocument;
class VariableValues;
struct SettingsVersion;

// Puts the values of the settings file at `path` into `values`. Each id that `config` declares
// takes the text of its first element in document order, and gives it to the item it addresses:
// the item of the same bare name. Where two such ids address one item ("$(HOST)" and "HOST"), the
// one whose first element comes later wins. Entries of ids the configuration does not declare are
// skipped, and items without an entry keep their value. When the file cannot be read or parsed
// no value is touched and the error names the path. `version`, when given, receives the version
// of the file that was read.
Status ReadSettingsInto(FileSystem& fileSystem, const QString& path, const Configuration& config,
                        VariableValues* values, SettingsVersion* version = nullptr);

// The same for a settings file that is loaded already.
void PutSettingsInto(const SettingsDocument& settings, const Configuration& config,
                     VariableValues* values);

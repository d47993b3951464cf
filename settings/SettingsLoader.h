#pragma once

#include "platform/FileSystem.h"
#include "platform/Status.h"

class Configuration;
class FieldTexts;

// Puts the values of the settings file at `path` into the fields of the variables that `config`
// declares. Each id takes the text of its first element in document order; entries of ids the
// configuration does not declare are skipped, and fields without an entry keep their text.
// When the file cannot be read or parsed no field is touched and the error names the path.
Status ReadSettingsInto(FileSystem& fileSystem, const QString& path, const Configuration& config,
                        FieldTexts& fields);

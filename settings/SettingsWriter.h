#pragma once

#include "platform/FileSystem.h"
#include "platform/Status.h"
#include "platform/XmlDocument.h"
#include "settings/SettingsDocument.h"

#include <QString>
#include <QStringList>

#include <vector>

class Configuration;
class ItemIds;
class VariableValues;

// Loads the document that a save writes into from `sourcePath`. A missing source gives an empty
// document (whose version says that it does not exist); one that exists but cannot be read or
// parsed is never overwritten: the save is refused with a message that says so. `earlier`, a
// document loaded before, is taken over when the file is still what it was loaded from
// (SettingsDocument::Load).
Status LoadForSave(FileSystem& files, const QString& sourcePath, SettingsDocument* settings,
                   SettingsDocument&& earlier);

// Writes `values` into `settings`, to be saved as `targetPath`, and gives the file's new bytes:
//  - the document gets the root `xml` when it has none; a root of another name refuses the save;
//  - every `variable` child of the root whose id the configuration declares receives the value of
//    the item that id addresses (Configuration::ItemFor; the first element of that id, at any
//    depth, takes it); so does an item's id whose only elements are nested deeper. An item
//    without any element of its id adds one after the root's last element child, in the
//    configuration's order, unless its value is its default (empty for an item that declares
//    none): a default is the value of every variable the file does not hold, so it is stored
//    only where the file holds it already;
//  - a value that XML cannot store is refused, naming the variable's label, and so is a document
//    of more than `maxBytes`, naming the variable with the largest value: by default the most
//    that a load accepts, so that no save writes a file that the next run cannot load;
//  - a document whose values did not change keeps the very bytes that were read.
// REQUIRES: `values` are of `config`.
// A refusal leaves `bytes` alone; its message says that nothing was saved.
Status PlaceValues(const Configuration& config, const VariableValues& values,
                   SettingsDocument* settings, const QString& targetPath, QByteArray* bytes,
                   qint64 maxBytes = kMaxXmlFileBytes);

// The export's substitutions for `settings` as PlaceValues left it: the file's entries
// (SettingsDocument::ExportedValues), then, in the configuration's order, each item that has no
// element of its id in the file and declares a default, with that default. An item without
// either is not substituted, so its $(NAME) stays in an output, where the export warns about it.
// `values`, those placed, lend their strings (SettingsDocument::ExportedValues).
Status ExportSubstitutions(const Configuration& config, const SettingsDocument& settings,
                           const VariableValues& values, ExportList* exported);

// The export's substitutions for the settings file of `bytes` (PlaceValues' result) when a run
// gives `runValues` of its own: those that placing them would leave, worked out on a copy, so
// that the settings file keeps the values it stores. They must pass PlaceValues' checks too.
Status RunValuesExported(const Configuration& config, const VariableValues& runValues,
                         const QByteArray& bytes, const QString& targetPath, ExportList* exported);

// One warning for each id of `exported` that no item of the configuration declares, once, in
// order: "<targetPath>: <id> has a value, but no item of the configuration declares it". Such a
// value is often left behind by a renamed variable.
// `items` are the configuration's.
QStringList UndeclaredVariables(const ItemIds& items, const std::vector<VariableValue>& exported,
                                const QString& targetPath);

// The message of a save that wrote nothing, with `reason` below its first line.
Status NotSaved(const Status& reason);

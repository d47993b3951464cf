#pragma once

#include "platform/SecretSet.h"
#include "settings/VariableValues.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

// The values that refuse a save (EditSession::InvalidValues), one line each and in their order,
// in the words of every way to save, the window's and the runs without one:
//   "<source>: <label> (<id>): <reason>"
// <source> is where the value came from: the entry of `sources` under the item's id (the option
// or environment variable of a run that gave it, "/set:PORT"), or else `settingsFile`. A line
// that holds any of `secrets` is held back whole (SecretSet::Withheld): a password is never
// shown, whatever its label or its rule says.
QStringList InvalidValueLines(const std::vector<InvalidValue>& invalid, const QString& settingsFile,
                              const SecretSet& secrets,
                              const QHash<QString, QString>& sources = {});

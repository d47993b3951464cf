#pragma once

#include "platform/Status.h"
#include "run/CommandLine.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <utility>
#include <vector>

class Configuration;

// An environment as a process gets it: each variable's name and value, as bytes, in no particular
// order.
using EnvironmentBytes = std::vector<std::pair<QByteArray, QByteArray>>;

// The environment of this process.
EnvironmentBytes SystemEnvironmentBytes();

// The values that the command line gives for one run, by item id, in the order of `options`, so
// that a later one wins:
//  - "/set:NAME=VALUE" gives VALUE to the item that NAME addresses (Configuration::ItemFor: its id
//    or its bare name, so "/set:DBHOST=x" and "/set:$(DBHOST)=x" are the same);
//  - "/env:PREFIX" gives, for each variable of `environment` whose name is PREFIX followed by a
//    NAME, in the order of the names, its value to the item of bare name NAME.
// `sources`, when given, receives for each item id set this way where its value came from
// ("/set:NAME", or the environment variable's name), for messages. A value for a name that no
// item addresses fails the whole call, naming the configuration, the name and where it came
// from (never the value, which may be a secret); then `values` is left as it was. So does a
// value that no variable may hold: an environment variable's that is not UTF-8 text, or one with
// a character that XML cannot store (U+0001), each named after where it came from.
Status ApplyValueOptions(const std::vector<ValueOption>& options,
                         const EnvironmentBytes& environment, const Configuration& config,
                         QHash<QString, QString>* values,
                         QHash<QString, QString>* sources = nullptr);

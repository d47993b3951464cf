#pragma once

#include "platform/Status.h"
#include "run/CommandLine.h"

#include <QHash>
#include <QProcessEnvironment>
#include <QString>

#include <vector>

class Configuration;

// The values that the command line gives for one run, by item id, in the order of `options`, so
// that a later one wins:
//  - "/set:NAME=VALUE" gives VALUE to the item that NAME addresses (Configuration::ItemFor: its id
//    or its bare name, so "/set:DBHOST=x" and "/set:$(DBHOST)=x" are the same);
//  - "/env:PREFIX" gives, for each variable of `environment` whose name is PREFIX followed by a
//    NAME, in the order of the names, its value to the item of bare name NAME.
// `sources`, when given, receives for each item id set this way where its value came from
// ("/set:NAME", or the environment variable's name), for messages. A value for a name that no
// item addresses fails the whole call, naming the configuration, the name and where it came
// from (never the value, which may be a secret); then `values` is left as it was.
Status ApplyValueOptions(const std::vector<ValueOption>& options,
                         const QProcessEnvironment& environment, const Configuration& config,
                         QHash<QString, QString>* values,
                         QHash<QString, QString>* sources = nullptr);

#pragma once

#include "platform/ByteSource.h"
#include "platform/FileSystem.h"
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

// Where the values for one run come from besides the command line itself.
struct ValueSources {
    EnvironmentBytes environment;         // read by "/env:"
    FileSystem* files = nullptr;          // reads "/values:FILE"; without it such a file fails
    ByteSource* standardInput = nullptr;  // read whole by "/values:-"; without it that fails
};

// The values that the command line gives for one run, by item id, in the order of `options`, so
// that a later one wins:
//  - "/set:NAME=VALUE" gives VALUE to the item that NAME addresses (Configuration::ItemFor: its id
//    or its bare name, so "/set:DBHOST=x" and "/set:$(DBHOST)=x" are the same);
//  - "/env:PREFIX" gives, for each variable of the environment whose name is PREFIX followed by a
//    NAME, in the order of the names, its value to the item of bare name NAME;
//  - "/values:FILE" gives each `variable` element of the root of FILE, in the settings file's
//    format, its text to the item of its id, in the order of the file; "/values:-" reads the same
//    from standard input. A file is opened through FileSystem::OpenTrustedFile, and it and
//    standard input may be as large as a settings file.
// `origins`, when given, receives for each item id set this way where its value came from
// ("/set:NAME", the environment variable's name, or "FILE:LINE" and "standard input:LINE"), for
// messages. A value for a name that no item addresses fails the whole call, naming the
// configuration, the name and where it came from (never the value, which may be a secret); then
// `values` is left as it was. So does a value that no variable may hold: one that is not UTF-8
// text (ArgumentFromBytes, or an environment variable's bytes), or one with a character that XML
// cannot store (U+0001), each named after where it came from; and a file of values that cannot be
// read or parsed, named with its line and never with the parser's words, which may quote a value,
// one that names an id twice, and a second "/values:-", as standard input can be read once.
Status ApplyValueOptions(const std::vector<ValueOption>& options, const ValueSources& sources,
                         const Configuration& config, QHash<QString, QString>* values,
                         QHash<QString, QString>* origins = nullptr);

#pragma once

#include "platform/Status.h"
#include "settings/SecretRanges.h"

#include <QByteArray>
#include <QString>

#include <vector>

class Configuration;

// Where the settings file `bytes` holds the values of passwords: the content, between its start
// and end tag, of every element named `variable` whose id addresses a password item of `config`
// (Configuration::ItemFor) or no item at all (the value of a password whose variable was renamed
// looks like any other), at any depth, the value or not, as byte ranges sorted and apart. They
// are found by position, in the file's own encoding (UTF-8 and the single-byte encodings built on
// ASCII, UTF-16 and UTF-32 in either byte order): the ids come from libxml2, the places of the
// elements from a scan of the markup, element by element in document order.
// `placeholder` receives "********" in the file's encoding, to stand for a hidden range.
// Fails, naming `name` and why, when the file holds such an element (or cannot be parsed) and the
// places cannot be found: an encoding whose markup cannot be read unit by unit, or a scan that
// disagrees with the parser.
Status PasswordValueRanges(const Configuration& config, const QByteArray& bytes,
                           const QString& name, std::vector<ByteRange>* ranges,
                           QByteArray* placeholder);

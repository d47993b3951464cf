#pragma once

#include <QString>

#include <ostream>

// Lets test failures show QStrings as text rather than as arrays of UTF-16 code units.
inline void PrintTo(const QString& text, std::ostream* stream) {
    *stream << '"' << text.toStdString() << '"';
}

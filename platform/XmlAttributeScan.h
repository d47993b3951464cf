#pragma once

#include <QByteArray>

// The most attributes, namespace declarations included, that an element of a file the program
// reads may have. The program's own files use one or two; libxml2 checks every attribute of an
// element against all the others, so that an element with 80,000 of them takes over a minute.
constexpr int kMaxXmlAttributes = 1000;

// The line (from 1) of the first element of the XML text `bytes` that may have more than `limit`
// attributes when the parser reads it, or 0 when none may. Meant to run before the parser, which
// takes time in the square of an element's attributes, so it errs on the side of counting too
// many, never too few:
// - It counts from every "<" to the next ">" outside quotes, the "=" that a quote follows, in
//   comments, CDATA sections and the like too: after an error (an invalid character in a comment,
//   a "<" in a value) the parser goes on and may read their text as markup. An element has no
//   "<" between its attributes, so none of its attributes goes uncounted.
// - It reads the text as bytes, as the parser reads UTF-8 and the encodings built on ASCII; as
//   UTF-16, UCS-4 or EBCDIC when the first bytes say so; and, when the XML declaration names an
//   encoding of another kind (UTF-7, ISO-2022-JP, ...), decoded from that encoding as well.
int FindElementOverAttributeLimit(const QByteArray& bytes, int limit);

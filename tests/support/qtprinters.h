#pragma once

// How gtest prints Qt's strings when a check fails: as quoted text, Japanese
// readable, instead of a dump of 2-byte objects; and an Error, by its kind
// and particulars down its causes. Every test file sees this
// header (tests/CMakeLists.txt includes it into each): a printer seen by some
// files of a test program and not by others would make gtest's printing of
// the type differ between them, and only one of the two would be kept.
// QStringList prints as a list of these.

#include <QByteArray>
#include <QString>
#include <iosfwd>

#include "text/error.h"

// Found by argument-dependent lookup: Qt's types live in the global namespace.
void PrintTo(const QString& text, std::ostream* out);
// Bytes that are UTF-8 print as text; others (Shift-JIS) as escaped bytes.
void PrintTo(const QByteArray& bytes, std::ostream* out);
void PrintTo(Error::Kind kind, std::ostream* out);
void PrintTo(const Error& error, std::ostream* out);
// So that an error reads the same after "<<" in a check's message.
std::ostream& operator<<(std::ostream& out, const Error& error);

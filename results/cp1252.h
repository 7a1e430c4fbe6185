#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

// The results file is Windows-1252 text. These decide what can be written in it, and write it.

// Whether a character has a Windows-1252 byte (controls excluded: they have no place in a cell).
bool isWindows1252Printable(QChar c);

// Encodes text that holds only such characters (plus CR and LF). Returns false, and leaves
// out unchanged, if any character has no byte: nothing partial or substituted is ever written.
bool encodeWindows1252(const QString &text, QByteArray *out);

// Decodes Windows-1252 bytes. Returns false at a byte the code page leaves undefined
// or at a control character other than CR, LF and tab: such a file was not written as text.
bool decodeWindows1252(const QByteArray &bytes, QString *out);

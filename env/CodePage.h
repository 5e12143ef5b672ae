// Texts in the suite's files and in its library calls are 8-bit windows-1250.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// A character that windows-1250 cannot hold is stored as this byte (SUB).
constexpr char UnmappableByte = 0x1A;

QByteArray ToCodePage(const QString& text);
QString FromCodePage(QByteArrayView bytes);

// Whether every character of the text has a byte of its own in windows-1250
// (no character would be lost on the way to a file).
bool FitsCodePage(const QString& text);

// The one-byte mask that scrambles names in employee records and free-day descriptions.
constexpr char ScrambleMask = 0x5E;

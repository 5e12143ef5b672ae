// Texts in the suite's files and in its library calls are 8-bit windows-1250.
#pragma once

#include <QByteArray>
#include <QString>

QByteArray ToCodePage(const QString& text);
QString FromCodePage(const QByteArray& bytes);

// The one-byte mask that scrambles names in employee records and free-day descriptions.
constexpr char ScrambleMask = 0x5E;

// The system's user name and computer name, from which lock holder texts are made.
#pragma once

#include <QString>

// The name of the account running the program; empty when the system does
// not tell or when the name does not fit the 256-byte buffer it is fetched into.
QString SystemUserName();
// This computer's name; empty when it does not fit its 255-byte buffer.
QString SystemComputerName();

// A name as it comes out of a fixed buffer of bufferSize bytes: the name
// itself when its windows-1250 form and the terminating zero fit, else
// nothing (the buffer keeps its blanks). Blanks around the name are dropped.
QString NameFromBuffer(const QString& name, int bufferSize);

// The text without the blanks (spaces) around it; tabs and other white space
// stay, as they do in a fixed-size name buffer.
QString TrimBlanks(const QString& text);

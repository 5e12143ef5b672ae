// The system's user name and computer name, from which lock holder texts are made.
#pragma once

#include <QString>

// The name of the user running the program; empty when the system does not tell.
QString SystemUserName();
// This computer's name.
QString SystemComputerName();

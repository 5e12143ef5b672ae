// Writers of the demo data directory (DATA = the folder that holds PLANY and
// PERSONEL). Each returns false and fills error when it cannot write.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class KelbrinLibrary;
struct FreeDaysDocument;

bool WriteDemoPlans(const KelbrinLibrary& lib, const QString& dataDir, QString* error);
// Plans in the layout of program versions up to 1.04, and one damaged plan.
bool WriteDemoLegacyPlans(const KelbrinLibrary& lib, const QString& dataDir, QString* error);
bool WriteDemoFreeDays(const KelbrinLibrary& lib, const QString& dataDir, QString* error);
// The entries of the demo WOLNE.DAT, as the free-days editor holds them.
FreeDaysDocument DemoFreeDaysDocument();
bool WriteDemoStaff(const KelbrinLibrary& lib, const QString& dataDir, QString* error);

// The whole demo data directory PROGRAMDIR/DANE: plans, free days and employees.
bool WriteDemoDataDirectory(const KelbrinLibrary& lib, const QString& programDir, QString* error);

// The names of the plans WriteDemoPlans writes; the demo employees have them.
QStringList DemoPlanNames();

// Writes bytes to path through a temporary file and an atomic replace.
bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* error);

// The generator of personnel folders: employees with Polish names, written
// as the suite's administration program writes their records. The demo data
// directory, the tests and the benchmarks use it.
#pragma once

#include "demo/DemoData.h"
#include "staff/EmployeeRecord.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>

class KelbrinLibrary;

struct DemoEmployee
{
    int Number = 0; // card number, 1..999
    QString Surname;
    QString FirstName;
    QString Plan;  // stored as it is; "****" = no plan
    QString Group; // empty = stored without a group
    int16_t HeaderWord = 0;
    CardEntries Entries; // in stored order; the smallest key carries Number
};

// count employees (at most 999) with distinct card numbers, the same for the
// same seed. Plans are taken from plans or "****"; some employees have groups.
QVector<DemoEmployee> MakeDemoEmployees(int count, uint32_t seed, const QStringList& plans);

// The record's file name: the library's name of the surname's first 8
// characters, a full stop, the card number in three digits.
QString DemoEmployeeFileName(const KelbrinLibrary& lib, const DemoEmployee& employee);
QByteArray DemoEmployeeRecord(const DemoEmployee& employee);

// Writes one record per employee into folder (which must exist).
bool WriteDemoEmployees(const KelbrinLibrary& lib, const QString& folder, const QVector<DemoEmployee>& employees,
                        QString* error);

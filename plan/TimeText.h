// Times and dates as the user reads and types them.
#pragma once

#include <QString>

#include <cstdint>

class KelbrinLibrary;

// "hh:mm" to the minute of the day: blank text gives -1; otherwise the hour
// is characters 1-2 and the minute characters 4-5 (text that is not a number
// counts as 0).
int32_t GodzinaNaMinuty(const QString& text);

// A minute count to "hh:mm" of its time of day.
QString MinutyNaGodzine(int32_t count);

// A minute count to its date "dd-mm-yyyy".
QString DataNaTekst(const KelbrinLibrary& lib, int32_t count);

// The parser run when the user leaves a time field.
struct TimeFieldParse
{
    enum Outcome { Cleared, Accepted, FormatError, HoursError, MinutesError };
    Outcome Result = Cleared;
    QString Text;       // the normalised text (Cleared: empty)
    int32_t Value = -1; // the minute value kept with the field (Cleared: -1)

    bool IsError() const { return Result >= FormatError; }
    // An accepted time marks the plan modified (even when unchanged); clearing does not.
    bool MarksModified() const { return Result == Accepted; }
    // The message shown for an error (exclamation icon); empty otherwise.
    QString Message() const;
};

// minimumOneMinute: the earlier-entry and later-exit allowances store a
// zero allowance as one minute (00:00 becomes 00:01).
TimeFieldParse ParseTimeField(const QString& text, bool minimumOneMinute = false);

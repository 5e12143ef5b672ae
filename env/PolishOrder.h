// The Polish alphabetical order of the names the program lists (plans,
// employees), without regard to letter case: spaces, then punctuation and
// symbols, then digits, then the letters of the Polish alphabet
// (a ą b c ć d e ę f g h i j k l ł m n ń o ó p q r s ś t u v w x y z ź ż).
// It is the order of the system's Polish collation at secondary strength with
// punctuation significant; names made of those characters alone are compared
// by a table of our own, which needs none of the collation's data, and any
// other name by the collation itself.
#pragma once

#include <QStringView>

enum class PolishNumbers {
    AsText,   // digit by digit: "10" before "9"
    AsNumbers // runs of digits by their value: "9" before "10", "007" as "7"
};

// Negative when a comes before b, 0 when they differ in letter case at most,
// positive when a comes after b.
int ComparePolish(QStringView a, QStringView b, PolishNumbers numbers = PolishNumbers::AsText);

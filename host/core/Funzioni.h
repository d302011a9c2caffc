#pragma once
// Host routines on numbers and dates: rounding, comparison at a number of decimals,
// rounding to a step, dates as text.
#include <QDate>
#include <QDateTime>
#include <QString>

namespace Funzioni {

// value rounded to that many decimal places, ties away from zero on the decimal
// representation (2.675 -> 2.68, -0.125 -> -0.13). Negative decimals round to tens (-1),
// hundreds (-2) and so on.
double KRound(double value, int decimals);

// -1, 0 or 1 as a is below, equal to or above b, both taken at that many decimals
// (KRound of each). Negative decimals compare at full precision, binary noise aside.
int CompDec(double a, double b, int decimals);

// Modes of Arrotonda.
enum TModoArrotonda : int {
    arMatematico = 0, // to the nearest multiple, ties away from zero
    arEccesso = 1,    // to the next multiple away from zero
    arDifetto = 2     // to the next multiple towards zero
};

// value (taken at that many decimals) brought to a multiple of step by the mode, the
// result rounded to that many decimals. A step of 0 only rounds. Throws Exception for a
// negative step or an unknown mode.
double Arrotonda(double value, double step, int mode, int decimals);

// A date as "dd/mm/yyyy"; a null date gives "".
QString DataToStringa(const QDateTime &date);
QString DataToStringa(const QDate &date);

// Year of a date; 0 for a null date.
int GetAnno(const QDateTime &date);
int GetAnno(const QDate &date);

} // namespace Funzioni

#pragma once
// Number kinds and their decimals, display masks, and the formatting and strict parsing of
// numbers and dates with Italian separators (1.234,56; dd/mm/yyyy).
#include <QDate>
#include <QDateTime>
#include <QString>

namespace KFormati {

// Number kinds; the integer codes are what callers pass to GetDecimali and GetDisplay.
enum TFormatoNumero : int {
    fnNessuno = 0,     // no format
    fnIntero = 1,      // integer
    fnPrezzoIT = 2,    // price, national currency
    fnPrezzoES = 3,    // price, foreign (document) currency
    fnValoreIT = 4,    // value, national currency
    fnValoreES = 5,    // value, foreign (document) currency
    fnPercentuale = 6, // percentage
    fnQuantita = 7,    // quantity
    fnQuantita2 = 8    // secondary quantity
};

inline constexpr char16_t DecimalSeparator = u',';
inline constexpr char16_t ThousandSeparator = u'.';

// Decimals of a number kind, from the company settings (CFG). Throws Exception for a code
// that is no kind.
int GetDecimali(int kind);

// Display mask of a number kind: "#,##0" followed by its decimals ("#,##0.000");
// "0" for integers, "" for fnNessuno.
QString GetDisplay(int kind);

// A number through a mask:
//   0  digit, shown even when not significant      #  digit, shown only when significant
//   .  decimal point (shown as ",")                 ,  thousands grouping (shown as ".")
//   'text' or "text"  literal text; any other character stands for itself
// Up to three sections "positive;negative;zero": the negative section carries its own sign
// marks ("-#,0", "(#,0)"); without it a negative value takes a leading "-". A value that
// rounds to zero at the mask's decimals uses the zero section when there is one and never
// shows a sign. Rounding is KRound's: ties away from zero.
QString FormatFloat(const QString &mask, double value);

// A date and time through a mask: d dd ddd dddd, m mm mmm mmmm (minutes right after an
// hour), yy yyyy, h hh, n nn, s ss, z zzz, t (hh:nn), tt (hh:nn:ss), c (short date, with
// the time when it is not midnight), ddddd (short date), / and :, 'text' or "text".
// Day and month names are Italian. A null date gives "".
QString FormatDateTime(const QString &mask, const QDateTime &value);
QString FormatDateTime(const QString &mask, const QDate &value);

// The short date mask, "dd/mm/yyyy".
QString ShortDateFormat();

// Strict parse of a number as a user types it: an optional sign in front, digits with
// optional "." thousands groups of three, optional "," and decimals ("1.234,56", "-3,5",
// "12", ",5"). Anything else, blanks included ("1.50", "1,2,3", " 5", "1e5", "nan"), sets
// *ok false and gives 0.
double ParseTypedFloat(const QString &text, bool *ok = nullptr);
// ParseTypedFloat with blanks around ignored.
double ParseFloat(const QString &text, bool *ok = nullptr);

// Strict parse of a date "dd/mm/yyyy" or "dd/mm/yy" (day and month of one or two digits).
// A two-digit year falls within fifty years around the current one. An impossible date
// or any other text sets *ok false and gives a null QDateTime; the time is midnight.
QDateTime ParseDate(const QString &text, bool *ok = nullptr);

} // namespace KFormati

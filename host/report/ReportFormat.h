#pragma once
// Values as prints show them, through the host's masks (KFormati).
#include <QString>
#include <QVariant>

namespace ReportFormat {

// A value as text: numbers through a number mask (plain digits without one), dates through
// a date mask (the short date without one), texts as they are, null as "". With
// blankWhenZero a number that is, or shows as, zero gives "". A number kept as text goes
// through a number mask when it reads as one.
QString Value(const QVariant &value, const QString &format, bool blankWhenZero = false);

// True for the numeric types.
bool IsNumber(const QVariant &value);

} // namespace ReportFormat

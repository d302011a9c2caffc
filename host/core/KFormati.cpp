#include "host/core/KFormati.h"

#include "host/core/DecimalDigits.h"

#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"

#include <QList>
#include <QStringList>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace KFormati {

int GetDecimali(int kind)
{
    switch (kind) {
    case fnNessuno:
    case fnIntero:
        return 0;
    case fnPrezzoIT:
        return CFG.DecPrezzoIT;
    case fnPrezzoES:
        return CFG.DecPrezzoES;
    case fnValoreIT:
        return CFG.DecValoreIT;
    case fnValoreES:
        return CFG.DecValoreES;
    case fnPercentuale:
        return CFG.DecPercentuale;
    case fnQuantita:
        return CFG.DecQuantita;
    case fnQuantita2:
        return CFG.DecQuantita2;
    default:
        throw Exception(QStringLiteral("Tipo di formato numerico sconosciuto: %1").arg(kind));
    }
}

QString GetDisplay(int kind)
{
    if (kind == fnNessuno)
        return QString();
    if (kind == fnIntero)
        return QStringLiteral("0");
    const int decimals = GetDecimali(kind);
    QString mask = QStringLiteral("#,##0");
    if (decimals > 0)
        mask += QLatin1Char('.') + QString(decimals, QLatin1Char('0'));
    return mask;
}

QString ShortDateFormat()
{
    return QStringLiteral("dd/mm/yyyy");
}

// ---------------------------------------------------------------------------------------
// Numbers

namespace {

struct MaskToken {
    enum Kind { Literal, IntDigit, Point, FracDigit } kind;
    QString text;
};

struct NumberMask {
    QList<MaskToken> tokens;
    int intPlaceholders = 0;
    int minInt = 0;  // integer digits always shown (from the first '0' to the point)
    int maxFrac = 0; // decimals shown at most
    int minFrac = 0; // decimals always shown (up to the last '0')
    bool grouping = false;
    bool hasPlaceholders = false;
};

// Text of a quoted literal starting at mask[i] (a quote); i is left on the closing quote.
QString QuotedLiteral(const QString &mask, qsizetype &i)
{
    const QChar quote = mask.at(i);
    const qsizetype end = mask.indexOf(quote, i + 1);
    const qsizetype stop = end < 0 ? mask.size() : end;
    const QString text = mask.mid(i + 1, stop - i - 1);
    i = stop;
    return text;
}

QStringList SplitSections(const QString &mask)
{
    QStringList sections;
    QString current;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const qsizetype start = i;
            QuotedLiteral(mask, i);
            current += mask.mid(start, i - start + 1);
        } else if (c == QLatin1Char(';')) {
            sections << current;
            current.clear();
        } else {
            current += c;
        }
    }
    sections << current;
    return sections;
}

NumberMask ParseNumberMask(const QString &section)
{
    NumberMask m;
    bool afterPoint = false;
    int firstZero = -1;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            m.tokens.append({MaskToken::Literal, QuotedLiteral(section, i)});
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            m.hasPlaceholders = true;
            if (!afterPoint) {
                if (c == QLatin1Char('0') && firstZero < 0)
                    firstZero = m.intPlaceholders;
                ++m.intPlaceholders;
                m.tokens.append({MaskToken::IntDigit, QString()});
            } else {
                ++m.maxFrac;
                if (c == QLatin1Char('0'))
                    m.minFrac = m.maxFrac;
                m.tokens.append({MaskToken::FracDigit, QString()});
            }
        } else if (c == QLatin1Char('.')) {
            if (!afterPoint) {
                afterPoint = true;
                m.hasPlaceholders = true;
                m.tokens.append({MaskToken::Point, QString()});
            }
        } else if (c == QLatin1Char(',')) {
            if (!afterPoint)
                m.grouping = true;
        } else {
            m.tokens.append({MaskToken::Literal, QString(c)});
        }
    }
    m.minInt = firstZero < 0 ? 0 : m.intPlaceholders - firstZero;
    return m;
}

// Digits of a non-negative value rounded at the mask's decimals, as KRound rounds: the
// value's 15 significant digits rounded half away from zero at the wanted position (so a
// huge value shows zeros, not binary noise, beyond its 15th digit). Integer digits come
// without leading zeros ("" for 0), decimals exactly as many as asked.
void Digits(double value, int decimals, QString &intPart, QString &fracPart)
{
    intPart.clear();
    fracPart = QString(decimals, QLatin1Char('0'));
    if (value == 0.0)
        return;

    const KDecimal::Digits split = KDecimal::Split(value);
    QByteArray digits(split.digits, split.count);
    long long exponent = split.exponent;

    const long long keep = exponent + 1 + decimals;
    if (keep < 0)
        return;
    if (keep < digits.size()) {
        const bool up = digits.at(keep) >= '5';
        digits.truncate(keep);
        if (up) {
            qsizetype i = digits.size() - 1;
            while (i >= 0 && digits.at(i) == '9')
                digits[i--] = '0';
            if (i >= 0)
                digits[i] = char(digits.at(i) + 1);
            else {
                digits.prepend('1');
                ++exponent;
            }
        }
    }

    const long long point = exponent + 1; // digits before the decimal point
    QByteArray ip, fp;
    if (point <= 0) {
        fp = QByteArray(-point, '0') + digits;
    } else if (point >= digits.size()) {
        ip = digits + QByteArray(point - digits.size(), '0');
    } else {
        ip = digits.left(point);
        fp = digits.mid(point);
    }
    qsizetype lead = 0;
    while (lead < ip.size() && ip.at(lead) == '0')
        ++lead;
    intPart = QString::fromLatin1(ip.mid(lead));
    fp.truncate(decimals);
    for (qsizetype i = 0; i < fp.size(); ++i)
        fracPart[i] = QLatin1Char(fp.at(i));
}

bool IsZero(const QString &intPart, const QString &fracPart)
{
    if (!intPart.isEmpty())
        return false;
    for (QChar c : fracPart)
        if (c != QLatin1Char('0'))
            return false;
    return true;
}

QString Render(const NumberMask &m, QString intPart, QString fracPart)
{
    if (intPart.size() < m.minInt)
        intPart.prepend(QString(m.minInt - intPart.size(), QLatin1Char('0')));
    while (fracPart.size() > m.minFrac && fracPart.endsWith(QLatin1Char('0')))
        fracPart.chop(1);

    QString out;
    const qsizetype digits = intPart.size();
    auto emitDigit = [&](qsizetype fromRight) {
        out += intPart.at(digits - 1 - fromRight);
        if (m.grouping && fromRight > 0 && fromRight % 3 == 0)
            out += QChar(ThousandSeparator);
    };
    bool intDone = false;
    auto emitLeading = [&] { // digits beyond the integer placeholders
        if (intDone)
            return;
        intDone = true;
        for (qsizetype k = digits - 1; k >= m.intPlaceholders; --k)
            emitDigit(k);
    };

    int intIndex = 0;
    int fracIndex = 0;
    for (const MaskToken &t : m.tokens) {
        switch (t.kind) {
        case MaskToken::Literal:
            out += t.text;
            break;
        case MaskToken::IntDigit: {
            emitLeading();
            const qsizetype fromRight = m.intPlaceholders - 1 - intIndex++;
            if (fromRight < digits)
                emitDigit(fromRight);
            break;
        }
        case MaskToken::Point:
            emitLeading();
            if (!fracPart.isEmpty())
                out += QChar(DecimalSeparator);
            break;
        case MaskToken::FracDigit:
            emitLeading();
            if (fracIndex < fracPart.size())
                out += fracPart.at(fracIndex);
            ++fracIndex;
            break;
        }
    }
    if (m.hasPlaceholders)
        emitLeading();
    return out;
}

} // namespace

QString FormatFloat(const QString &mask, double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (mask.isEmpty()) {
        QString text = QString::number(Funzioni::KRound(value, 15), 'g', 15);
        return text.replace(QLatin1Char('.'), QChar(DecimalSeparator));
    }

    const QStringList sections = SplitSections(mask);
    const bool negative = value < 0;
    const bool ownNegative = negative && sections.size() > 1 && !sections.at(1).isEmpty();
    const NumberMask chosen = ParseNumberMask(sections.at(ownNegative ? 1 : 0));

    QString intPart, fracPart;
    Digits(std::fabs(value), chosen.maxFrac, intPart, fracPart);
    if (IsZero(intPart, fracPart)) {
        if (sections.size() > 2 && !sections.at(2).isEmpty()) {
            const NumberMask zero = ParseNumberMask(sections.at(2));
            Digits(0.0, zero.maxFrac, intPart, fracPart);
            return Render(zero, intPart, fracPart);
        }
        const NumberMask positive = ParseNumberMask(sections.at(0));
        Digits(0.0, positive.maxFrac, intPart, fracPart);
        return Render(positive, intPart, fracPart);
    }
    const QString text = Render(chosen, intPart, fracPart);
    return negative && !ownNegative ? QLatin1Char('-') + text : text;
}

double ParseTypedFloat(const QString &t, bool *ok)
{
    if (ok)
        *ok = false;
    auto isDigit = [&](qsizetype i) {
        return i < t.size() && t.at(i) >= QLatin1Char('0') && t.at(i) <= QLatin1Char('9');
    };

    QByteArray number; // C-locale form for from_chars
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-'))) {
        negative = t.at(i) == QLatin1Char('-');
        ++i;
    }
    qsizetype run = 0;
    while (isDigit(i)) {
        number += char(t.at(i++).unicode());
        ++run;
    }
    if (i < t.size() && t.at(i) == ThousandSeparator) {
        if (run < 1 || run > 3)
            return 0.0;
        while (i < t.size() && t.at(i) == ThousandSeparator) {
            ++i;
            for (int k = 0; k < 3; ++k) {
                if (!isDigit(i))
                    return 0.0;
                number += char(t.at(i++).unicode());
            }
            if (isDigit(i))
                return 0.0;
        }
    }
    if (i < t.size() && t.at(i) == DecimalSeparator) {
        ++i;
        if (!isDigit(i))
            return 0.0;
        if (number.isEmpty())
            number += '0';
        number += '.';
        while (isDigit(i))
            number += char(t.at(i++).unicode());
    }
    if (i != t.size() || number.isEmpty())
        return 0.0;

    double value = 0.0;
    const auto r = std::from_chars(number.constData(), number.constData() + number.size(), value);
    if (r.ec != std::errc() || r.ptr != number.constData() + number.size() || !std::isfinite(value))
        return 0.0;
    if (ok)
        *ok = true;
    if (value == 0.0)
        return 0.0;
    return negative ? -value : value;
}

double ParseFloat(const QString &text, bool *ok)
{
    return ParseTypedFloat(text.trimmed(), ok);
}

// ---------------------------------------------------------------------------------------
// Dates

namespace {

const char *const kDayShort[] = {"lun", "mar", "mer", "gio", "ven", "sab", "dom"};
const char *const kDayLong[] = {"lunedì", "martedì", "mercoledì", "giovedì", "venerdì", "sabato", "domenica"};
const char *const kMonthShort[] = {"gen", "feb", "mar", "apr", "mag", "giu", "lug", "ago", "set", "ott", "nov", "dic"};
const char *const kMonthLong[] = {"gennaio", "febbraio", "marzo",     "aprile",  "maggio",   "giugno",
                                  "luglio",  "agosto",   "settembre", "ottobre", "novembre", "dicembre"};

QString Pad(int value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

} // namespace

QString FormatDateTime(const QString &mask, const QDateTime &value)
{
    if (!value.isValid())
        return QString();
    const QDate d = value.date();
    const QTime t = value.time();

    QString out;
    bool afterHour = false; // an 'm' right after an hour means minutes
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask.at(i);
        const QChar lc = c.toLower();
        qsizetype run = 1;
        while (i + run < mask.size() && mask.at(i + run).toLower() == lc)
            ++run;

        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            out += QuotedLiteral(mask, i);
            continue;
        }
        if (lc == QLatin1Char('d')) {
            if (run == 1)
                out += QString::number(d.day());
            else if (run == 2)
                out += Pad(d.day(), 2);
            else if (run == 3)
                out += QString::fromUtf8(kDayShort[d.dayOfWeek() - 1]);
            else if (run == 4)
                out += QString::fromUtf8(kDayLong[d.dayOfWeek() - 1]);
            else if (run == 5)
                out += FormatDateTime(ShortDateFormat(), value);
            else
                out += FormatDateTime(QStringLiteral("dddd d mmmm yyyy"), value);
            afterHour = false;
        } else if (lc == QLatin1Char('m')) {
            if (afterHour && run <= 2)
                out += run == 1 ? QString::number(t.minute()) : Pad(t.minute(), 2);
            else if (run == 1)
                out += QString::number(d.month());
            else if (run == 2)
                out += Pad(d.month(), 2);
            else if (run == 3)
                out += QString::fromUtf8(kMonthShort[d.month() - 1]);
            else
                out += QString::fromUtf8(kMonthLong[d.month() - 1]);
            afterHour = false;
        } else if (lc == QLatin1Char('y')) {
            out += run <= 2 ? Pad(d.year() % 100, 2) : Pad(d.year(), 4);
            afterHour = false;
        } else if (lc == QLatin1Char('h')) {
            out += run == 1 ? QString::number(t.hour()) : Pad(t.hour(), 2);
            afterHour = true;
        } else if (lc == QLatin1Char('n')) {
            out += run == 1 ? QString::number(t.minute()) : Pad(t.minute(), 2);
            afterHour = false;
        } else if (lc == QLatin1Char('s')) {
            out += run == 1 ? QString::number(t.second()) : Pad(t.second(), 2);
            afterHour = false;
        } else if (lc == QLatin1Char('z')) {
            out += run < 3 ? QString::number(t.msec()) : Pad(t.msec(), 3);
            afterHour = false;
        } else if (lc == QLatin1Char('t')) {
            out += FormatDateTime(run == 1 ? QStringLiteral("hh:nn") : QStringLiteral("hh:nn:ss"), value);
            afterHour = false;
        } else if (lc == QLatin1Char('c')) {
            out += FormatDateTime(ShortDateFormat(), value);
            if (t != QTime(0, 0))
                out += QLatin1Char(' ') + FormatDateTime(QStringLiteral("hh:nn:ss"), value);
            afterHour = false;
        } else {
            out += mask.mid(i, run); // separators and any other text stand for themselves
        }
        i += run - 1;
    }
    return out;
}

QString FormatDateTime(const QString &mask, const QDate &value)
{
    return value.isValid() ? FormatDateTime(mask, QDateTime(value, QTime(0, 0))) : QString();
}

QDateTime ParseDate(const QString &text, bool *ok)
{
    if (ok)
        *ok = false;
    const QStringList parts = text.trimmed().split(QLatin1Char('/'));
    if (parts.size() != 3)
        return QDateTime();
    auto number = [](const QString &s, int minLen, int maxLen, int &out) {
        if (s.size() < minLen || s.size() > maxLen)
            return false;
        out = 0;
        for (QChar c : s) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
            out = out * 10 + (c.unicode() - u'0');
        }
        return true;
    };
    int day = 0, month = 0, year = 0;
    if (!number(parts.at(0), 1, 2, day) || !number(parts.at(1), 1, 2, month))
        return QDateTime();
    const QString &y = parts.at(2);
    if (y.size() != 2 && y.size() != 4)
        return QDateTime();
    if (!number(y, 2, 4, year))
        return QDateTime();
    if (y.size() == 2) {
        const int current = QDate::currentDate().year();
        year += current / 100 * 100;
        if (year > current + 50)
            year -= 100;
        else if (year < current - 50)
            year += 100;
    }
    const QDate date(year, month, day);
    if (!date.isValid() || year < 1)
        return QDateTime();
    if (ok)
        *ok = true;
    return QDateTime(date, QTime(0, 0));
}

} // namespace KFormati

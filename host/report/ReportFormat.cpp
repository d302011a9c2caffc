#include "host/report/ReportFormat.h"

#include "host/core/KFormati.h"
#include "host/core/MetaTypes.h"

#include <QDate>
#include <QDateTime>
#include <QHash>

namespace ReportFormat {

bool IsNumber(const QVariant &value)
{
    const int id = value.metaType().id();
    return IsIntegerMetaType(id) || id == QMetaType::Double || id == QMetaType::Float;
}

namespace {

bool IsInteger(const QVariant &value)
{
    return IsIntegerMetaType(value.metaType().id());
}

QString Number(double number, bool integer, const QString &format, bool blankWhenZero)
{
    if (blankWhenZero && number == 0)
        return QString();
    if (format.isEmpty()) {
        if (integer)
            return QString::number(qint64(number));
        return KFormati::FormatFloat(QStringLiteral("0.##########"), number);
    }
    const QString text = KFormati::FormatFloat(format, number);
    if (blankWhenZero) {
        // What the mask makes of zero, once per mask: a value that rounds to it is blank too.
        static thread_local QHash<QString, QString> zeroTexts;
        auto zero = zeroTexts.constFind(format);
        if (zero == zeroTexts.constEnd())
            zero = zeroTexts.insert(format, KFormati::FormatFloat(format, 0));
        if (text == *zero)
            return QString();
    }
    return text;
}

} // namespace

QString Value(const QVariant &value, const QString &format, bool blankWhenZero)
{
    if (!value.isValid() || value.isNull())
        return QString();
    const int id = value.metaType().id();
    if (IsNumber(value)) {
        if (IsInteger(value) && format.isEmpty())
            return blankWhenZero && value.toLongLong() == 0 ? QString() : QString::number(value.toLongLong());
        return Number(value.toDouble(), IsInteger(value), format, blankWhenZero);
    }
    if (id == QMetaType::QDate)
        return KFormati::FormatDateTime(format.isEmpty() ? KFormati::ShortDateFormat() : format, value.toDate());
    if (id == QMetaType::QDateTime)
        return KFormati::FormatDateTime(format.isEmpty() ? KFormati::ShortDateFormat() : format, value.toDateTime());
    if (id == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    const QString text = value.toString();
    if (!format.isEmpty() && !format.contains(QLatin1Char('d')) && !format.contains(QLatin1Char('y'))) {
        bool ok = false;
        const double number = text.trimmed().toDouble(&ok);
        if (ok)
            return Number(number, false, format, blankWhenZero);
    }
    return text;
}

} // namespace ReportFormat

#include "host/db/ConfigStore.h"

#include "host/core/KV8Config.h"

#include <QDate>
#include <QSqlQuery>

namespace {

const QLatin1String kCompanyColumns(
    "RagioneSociale, IdDivisa, Anno, NumScontiRigo, NumScontiTesta, DecQuantita, DecQuantita2, "
    "DecPrezzoIT, DecPrezzoES, DecValoreIT, DecValoreES, DecPercentuale, FlMovMagazzino, "
    "PercBolliTratte, MinBolliTratte, PercBolliTratteES, MinBolliTratteES");
constexpr int kCompanyKey = 1; // one company per database

// A stored number of decimals, or the default when it is out of any sensible range.
int Decimals(const QVariant &stored, int defaultValue)
{
    bool ok = false;
    const int n = stored.toInt(&ok);
    return ok && n >= 0 && n <= 9 ? n : defaultValue;
}

QString StoredText(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (value.typeId() == QMetaType::Double)
        return QString::number(value.toDouble(), 'g', 17);
    return value.toString();
}

// UPDATE the row of the key when it exists (exists: a SELECT taking the key), else INSERT it.
void Upsert(TXDatabase &db, const QString &exists, const QString &update, const QString &insert,
            const QVariantList &values, const QVariantList &key)
{
    if (db.ScalarValue(exists, key).isValid())
        db.ExecSQL(update, values + key);
    else
        db.ExecSQL(insert, key + values);
}

} // namespace

void ConfigStore::Load(TXDatabase &db)
{
    LoadCompany(db);
    LoadSettings(db);
}

void ConfigStore::LoadCompany(TXDatabase &db)
{
    TCFG c;
    QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT %1 FROM DatiAzienda WHERE IdAzienda = ?").arg(kCompanyColumns),
                               {kCompanyKey});
    if (q.next()) {
        c.RagioneSociale = q.value(0).toString().trimmed();
        const QString divisa = q.value(1).toString().trimmed();
        if (!divisa.isEmpty())
            c.IdDivisa = divisa;
        if (q.value(2).toInt() > 0)
            c.Anno = q.value(2).toInt();
        c.NumScontiRigo = qBound(0, q.value(3).toInt(), 9);
        c.NumScontiTesta = qBound(0, q.value(4).toInt(), 9);
        c.DecQuantita = Decimals(q.value(5), c.DecQuantita);
        c.DecQuantita2 = Decimals(q.value(6), c.DecQuantita2);
        c.DecPrezzoIT = Decimals(q.value(7), c.DecPrezzoIT);
        c.DecPrezzoES = Decimals(q.value(8), c.DecPrezzoES);
        c.DecValoreIT = Decimals(q.value(9), c.DecValoreIT);
        c.DecValoreES = Decimals(q.value(10), c.DecValoreES);
        c.DecPercentuale = Decimals(q.value(11), c.DecPercentuale);
        c.FlMovMagazzino = q.value(12).toInt();
        c.PercBolliTratte = q.value(13).toDouble();
        c.MinBolliTratte = q.value(14).toDouble();
        c.PercBolliTratteES = q.value(15).toDouble();
        c.MinBolliTratteES = q.value(16).toDouble();
    }
    CFG = c;
}

void ConfigStore::LoadSettings(TXDatabase &db)
{
    QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT Sezione, Nome, Valore FROM ParametriHost"));
    KV8Config::Clear();
    while (q.next())
        KV8Config::Set(q.value(0).toString().trimmed(), q.value(1).toString().trimmed(), q.value(2).toString());
}

bool ConfigStore::LoadUser(TXDatabase &db, const QString &idUtente)
{
    TUtente u;
    u.IdUtente = idUtente;
    QSqlQuery q =
        db.OpenQuery(QStringLiteral("SELECT IdUtente, Nome, FlPrivilegi FROM Utenti WHERE IdUtente = ?"), {idUtente});
    const bool found = q.next();
    if (found) {
        u.IdUtente = q.value(0).toString().trimmed();
        u.Nome = q.value(1).toString().trimmed();
        const int flag = q.value(2).toInt();
        u.FlPrivilegi = static_cast<quint8>(flag >= 0 && flag <= 255 ? flag : 0);
    }
    gUtente = u;
    return found;
}

void ConfigStore::SaveCompany(TXDatabase &db, const TCFG &c)
{
    const QVariantList values{
        c.RagioneSociale, c.IdDivisa,        c.Anno,           c.NumScontiRigo,     c.NumScontiTesta,  c.DecQuantita,
        c.DecQuantita2,   c.DecPrezzoIT,     c.DecPrezzoES,    c.DecValoreIT,       c.DecValoreES,     c.DecPercentuale,
        c.FlMovMagazzino, c.PercBolliTratte, c.MinBolliTratte, c.PercBolliTratteES, c.MinBolliTratteES};
    QStringList assignments;
    for (const QString &column : QString(kCompanyColumns).split(QStringLiteral(", ")))
        assignments << column + QStringLiteral(" = ?");
    QStringList marks;
    for (qsizetype i = 0; i <= values.size(); ++i)
        marks << QStringLiteral("?");
    Upsert(db, QStringLiteral("SELECT 1 FROM DatiAzienda WHERE IdAzienda = ?"),
           QStringLiteral("UPDATE DatiAzienda SET %1 WHERE IdAzienda = ?").arg(assignments.join(QStringLiteral(", "))),
           QStringLiteral("INSERT INTO DatiAzienda (IdAzienda, %1) VALUES (%2)")
               .arg(kCompanyColumns, marks.join(QStringLiteral(", "))),
           values, {kCompanyKey});
}

void ConfigStore::SaveSetting(TXDatabase &db, const QString &section, const QString &name, const QVariant &value)
{
    Upsert(db, QStringLiteral("SELECT 1 FROM ParametriHost WHERE Sezione = ? AND Nome = ?"),
           QStringLiteral("UPDATE ParametriHost SET Valore = ? WHERE Sezione = ? AND Nome = ?"),
           QStringLiteral("INSERT INTO ParametriHost (Sezione, Nome, Valore) VALUES (?, ?, ?)"), {StoredText(value)},
           {section, name});
}

void ConfigStore::SaveUser(TXDatabase &db, const TUtente &user)
{
    Upsert(db, QStringLiteral("SELECT 1 FROM Utenti WHERE IdUtente = ?"),
           QStringLiteral("UPDATE Utenti SET Nome = ?, FlPrivilegi = ? WHERE IdUtente = ?"),
           QStringLiteral("INSERT INTO Utenti (IdUtente, Nome, FlPrivilegi) VALUES (?, ?, ?)"),
           {user.Nome, int(user.FlPrivilegi)}, {user.IdUtente});
}

void ConfigStore::SaveConfigVar(TXDatabase &db, const QString &group, const QString &number, const QString &name,
                                const QString &value)
{
    Upsert(db, QStringLiteral("SELECT 1 FROM VariabiliConfig WHERE Gruppo = ? AND Numero = ? AND Nome = ?"),
           QStringLiteral("UPDATE VariabiliConfig SET Valore = ? WHERE Gruppo = ? AND Numero = ? AND Nome = ?"),
           QStringLiteral("INSERT INTO VariabiliConfig (Gruppo, Numero, Nome, Valore) VALUES (?, ?, ?, ?)"), {value},
           {group, number, name});
}

QString Funzioni::LeggiConfigVar(TXDatabase &configuration, const QString &group, const QString &number,
                                 const QString &name)
{
    const QVariant v = configuration.ScalarValue(
        QStringLiteral("SELECT Valore FROM VariabiliConfig WHERE Gruppo = ? AND Numero = ? AND Nome = ?"),
        {group, number, name});
    return v.isValid() && !v.isNull() ? v.toString() : QString();
}

#include "host/data/DatasetFunctions.h"

#include "host/core/MetaTypes.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"

#include <array>
#include <vector>

namespace Funzioni {

namespace {

void CheckNotNull(const void *p, const char *what)
{
    if (!p)
        throw Exception(QStringLiteral("%1 non assegnato").arg(QLatin1String(what)));
}

// A drawn key of the target is not overwritten by an empty value.
bool DrawnKeyKept(const TField *to, const QVariant &value)
{
    const bool drawnKey = to->DataType() == ftAutoInc || (to->DictInfo() && to->DictInfo()->autokey);
    return drawnKey && (value.isNull() || value.toLongLong() == 0) && !to->IsNull();
}

// For each field of the target, the data field of the source with its name (nullptr: none, or
// not a data field of the target). Copies repeat between the same datasets: the answer is kept
// per pair while neither dataset's names change (the serials are never reused).
std::vector<TField *> CampiOrigine(TDataSet *target, TDataSet *source, const QList<TField *> &fields)
{
    struct Coppia {
        quint64 target = 0;
        quint64 source = 0;
        std::vector<TField *> from;
    };
    thread_local std::array<Coppia, 8> coppie;
    thread_local std::size_t prossima = 0;
    const quint64 t = target->NamesSerial();
    const quint64 s = source->NamesSerial();
    for (const Coppia &c : coppie)
        if (c.target == t && c.source == s && c.from.size() == std::size_t(fields.size()))
            return c.from;
    Coppia &c = coppie[prossima++ % coppie.size()];
    c = {t, s, {}};
    c.from.reserve(std::size_t(fields.size()));
    for (TField *to : fields)
        c.from.push_back(to->FieldKind() == fkData ? source->FindField(to->FieldName()) : nullptr);
    return c.from;
}

} // namespace

void CheckTabOpen(TDataSet *dataSet)
{
    CheckNotNull(dataSet, "Dataset");
    if (!dataSet->Active())
        dataSet->Open();
}

void CheckRollBack(TDataSet *dataSet)
{
    CheckNotNull(dataSet, "Dataset");
    if (!dataSet->Active())
        return;
    if (dataSet->State() == dsEdit || dataSet->State() == dsInsert)
        dataSet->Cancel();
    if (dataSet->ChangeCount() > 0)
        dataSet->CancelUpdates();
}

void CopiaDati(TDataSet *target, TDataSet *source, int daCampo, int numeroCampi, bool posta)
{
    CheckNotNull(target, "Dataset di destinazione");
    CheckNotNull(source, "Dataset di origine");
    target->CheckActive();
    source->CheckActive();
    if (target->State() != dsEdit && target->State() != dsInsert)
        target->Edit();
    const QList<TField *> fields = target->FieldList();
    const int first = std::max(daCampo, 0);
    const int last = numeroCampi > 0 ? std::min(int(fields.size()), first + numeroCampi) : int(fields.size());
    // a copy: a handler of the writes below may copy between other datasets
    const std::vector<TField *> origine = CampiOrigine(target, source, fields);
    TField *saltato = nullptr;
    bool scritto = false;
    for (int i = first; i < last; ++i) {
        TField *to = fields[i];
        TField *from = origine[std::size_t(i)];
        if (!from)
            continue;
        // a value the target holds already is not written again, unless a handler of the
        // target's field would see the write
        if (!to->OnValidate && !to->OnChange && from->HeldAs(to->Value())) {
            saltato = to;
            continue;
        }
        const QVariant value = from->Value();
        if (DrawnKeyKept(to, value))
            continue;
        to->SetValue(value);
        scritto = true;
    }
    if (saltato && !scritto)
        saltato->SetValue(saltato->Value()); // the record is changed, as a copy leaves it
    if (posta)
        target->Post();
}

bool DatiUguali(TDataSet *target, TDataSet *source)
{
    CheckNotNull(target, "Dataset di destinazione");
    CheckNotNull(source, "Dataset di origine");
    const QList<TField *> fields = target->FieldList();
    const std::vector<TField *> origine = CampiOrigine(target, source, fields);
    for (int i = 0; i < fields.size(); ++i) {
        const TField *from = origine[std::size_t(i)];
        if (!from)
            continue;
        const TField *to = fields[i];
        if (to->HeldAlike(*from))
            continue;
        const QVariant value = from->Value();
        if (DrawnKeyKept(to, value))
            continue;
        const QVariant held = to->Value();
        const bool nullo = IsNullValue(value);
        if (nullo != IsNullValue(held))
            return false;
        if (nullo)
            continue;
        // values of one type compared as they are, others as the field's type orders them
        if (MetaTypeIdOf(held) == MetaTypeIdOf(value) ? held != value
                                                      : kv8data::CompareFieldValues(held, value, to->DataType()) != 0)
            return false;
    }
    return true;
}

bool TestCodice(TDataSet *tabella, TField *campo, bool vuotoAmmesso, const QString &campoChiave, const QDateTime &data,
                bool messaggio)
{
    CheckNotNull(tabella, "Tabella di ricerca");
    CheckNotNull(campo, "Campo");
    Q_UNUSED(data);
    const QString code = campo->AsString();
    if (code.trimmed().isEmpty())
        return vuotoAmmesso;
    CheckTabOpen(tabella);
    const QString key = campoChiave.trimmed().isEmpty() ? campo->FieldName() : campoChiave;
    const bool found = tabella->Locate(key, campo->Value());
    if (!found && messaggio)
        throw Exception(QStringLiteral("Codice '%1' non trovato").arg(code));
    return found;
}

void ImpostaSQLQuery(QStringList &lines, const QString &clausola, const QString &condizione)
{
    const QString clause = clausola.trimmed();
    for (QString &line : lines) {
        const QString start = line.trimmed();
        if (!start.startsWith(clause, Qt::CaseInsensitive))
            continue;
        if (start.size() > clause.size() && !start[clause.size()].isSpace() && start[clause.size()] != QLatin1Char('('))
            continue;
        const QString cond = condizione.trimmed();
        if (cond.isEmpty())
            line = QString();
        else if (cond.startsWith(clause + QLatin1Char(' '), Qt::CaseInsensitive))
            line = cond;
        else
            line = clause + QLatin1Char(' ') + cond;
        return;
    }
    throw Exception(QStringLiteral("Clausola %1 non trovata nel testo della query").arg(clause));
}

void ImpostaSQLQuery(TXQuery *query, const QString &clausola, const QString &condizione)
{
    CheckNotNull(query, "Query");
    QStringList lines = query->SQL;
    ImpostaSQLQuery(lines, clausola, condizione);
    if (query->Active())
        query->Close();
    query->SQL = lines;
}

void PulisciTabella(TXTable *table)
{
    CheckNotNull(table, "Tabella");
    if (table->Exists())
        table->EmptyTable();
    else
        table->CreaTabella();
}

} // namespace Funzioni

#include "host/data/DatasetFunctions.h"

#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"

namespace Funzioni {

namespace {

void CheckNotNull(const void *p, const char *what)
{
    if (!p)
        throw Exception(QStringLiteral("%1 non assegnato").arg(QLatin1String(what)));
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
    for (int i = first; i < last; ++i) {
        TField *to = fields[i];
        if (to->FieldKind() != fkData)
            continue;
        TField *from = source->FindField(to->FieldName());
        if (!from)
            continue;
        const QVariant value = from->Value();
        const bool drawnKey = to->DataType() == ftAutoInc || (to->DictInfo() && to->DictInfo()->autokey);
        if (drawnKey && (value.isNull() || value.toLongLong() == 0) && !to->IsNull())
            continue;
        to->SetValue(value);
    }
    if (posta)
        target->Post();
}

bool TestCodice(TDataSet *tabella, TField *campo, bool vuotoAmmesso, const QString &campoChiave,
                const QDateTime &data, bool messaggio)
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

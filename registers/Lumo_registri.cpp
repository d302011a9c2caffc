#include "registers/Lumo_registri.h"

#include "frame/Dmilumo.h"
#include "frame/Dmilumo_reg.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/data/Concurrency.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/Dictionary.h"
#include "host/db/SetBasedWork.h"
#include "host/db/TXDatabase.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"
#include "host/ui/Transazione.h"

#include <QScopeGuard>
#include <QSqlQuery>
#include <QWidget>

#include <algorithm>
#include <memory>

void UT_LMQ_RG_RecordDialogo(TXMemTable *record, const QString &tabella)
{
    TDMILUMO::Crea();
    TDMILUMO_reg::Crea();
    record->SetTableName(tabella);
    record->SetUsaDizionario(true);
    UT_LMQ_RG_LookupRaggruppamento(record);
}

void UT_LMQ_RG_LookupRaggruppamento(TDataSet *dataSet)
{
    dataSet->AddLookupField(QStringLiteral("_DsRaggMag"), ftString, 30, DMILUMO->lkLUMO_RaggMagT,
                            QStringLiteral("IdRaggMag"), QStringLiteral("IdRaggMag"), QStringLiteral("DsRaggrupp"));
}

QString UT_LMQ_RG_DatabaseLavoro()
{
    DMIDataBases &db = DMIDataBases::Instance();
    return db.Has(QStringLiteral("GlobalDatabase")) && db.Global().IsPostgres() ? QStringLiteral("GlobalDatabase")
                                                                                : QStringLiteral("LocalDatabase");
}

TXDatabase &UT_LMQ_RG_Lavoro()
{
    return DMIDataBases::Instance().Database(UT_LMQ_RG_DatabaseLavoro());
}

TXTable *UT_LMQ_RG_TabellaLocale(QObject *owner, const QString &tabella)
{
    auto *t = new TXTable(owner);
    t->SetName(QStringLiteral("TT") + tabella.mid(7));
    t->SetDatabaseName(UT_LMQ_RG_DatabaseLavoro());
    t->SetTableName(tabella);
    t->SetUsaDizionario(true);
    t->SetXAutoApply(false); // written once at the end, not a disk sync per row
    return t;
}

TXClientTable *UT_LMQ_RG_TabellaArchivio(QObject *owner, const QString &tabella, const QString &vuoto)
{
    auto *t = new TXClientTable(owner);
    t->SetDatabaseName(QStringLiteral("GlobalDatabase"));
    t->SetTableName(tabella);
    t->SetUsaDizionario(true);
    t->SetXWhereVuoto(vuoto);
    return t;
}

bool UT_LMQ_RG_GruppoDigitato(int IdRaggMag)
{
    if (IdRaggMag == 0)
        return false;
    if (!DMILUMO->lkLUMO_RaggMagT->Locate(QStringLiteral("IdRaggMag"), IdRaggMag))
        throw Exception(QStringLiteral("Codice Raggruppamento non trovato"));
    return true;
}

TXQuery *UT_LMQ_RG_Query(QObject *owner, const QString &nome, const QString &database, const QStringList &sql)
{
    auto *q = new TXQuery(owner);
    q->SetName(nome);
    q->SetDatabaseName(database);
    q->SQL = sql;
    return q;
}

void UT_LMQ_RG_StampaRighe(TDataSet *dati, const std::function<void()> &riga)
{
    dati->Close();
    dati->Open();
    Mdimainbase::ProgressStart(dati->RecordCount(), QStringLiteral("Stampa in corso. Attendere... "));
    struct Fine {
        ~Fine() { Mdimainbase::ProgressEnd(); }
    } fine;
    int stampate = 0;
    for (; !dati->Eof(); dati->Next()) {
        riga();
        Mdimainbase::ProgressPosition(++stampate);
    }
}

void UT_LMQ_RG_ControlliPeriodo(TDataSet *record, QWidget *fuocoDa, QWidget *fuocoA)
{
    const auto errore = [](const QString &testo, QWidget *fuoco) {
        Kmessages::KMessage(testo, mtError, mbOK);
        if (fuoco)
            fuoco->setFocus();
    };
    record->FieldByName(QStringLiteral("DaData"))->OnValidate = [record, fuocoDa, errore](TField *f) {
        const QDateTime ultima = record->FieldByName(QStringLiteral("DataUltSta"))->AsDateTime();
        if (!f->IsNull() && !ultima.isNull() && ultima.date() >= f->AsDateTime().date())
            errore(QStringLiteral("Data iniziale non valida"), fuocoDa);
    };
    record->FieldByName(QStringLiteral("A_Data"))->OnValidate = [record, fuocoA, errore](TField *f) {
        const QDateTime da = record->FieldByName(QStringLiteral("DaData"))->AsDateTime();
        if (!f->IsNull() && !da.isNull() && da.date() > f->AsDateTime().date())
            errore(QStringLiteral("Data finale non corretta"), fuocoA);
    };
}

void UT_LMQ_RG_MostraProgressivo(TDataSet *record, const TUT_LMQ_RG_ProgressiviRegistri &p, bool proposta)
{
    if (proposta) {
        if (!p.DataUltAgg.isNull())
            record->FieldByName(QStringLiteral("DaData"))->SetAsDateTime(p.DataUltAgg.date().addDays(1));
        record->FieldByName(QStringLiteral("UltNumRiga"))->SetAsInteger(p.UltNumRiga);
    }
    TField *ultima = record->FieldByName(QStringLiteral("DataUltSta"));
    if (p.DataUltAgg.isNull())
        ultima->Clear();
    else
        ultima->SetAsDateTime(p.DataUltAgg);
}

bool UT_LMQ_RG_ControllaEsecuzione(int IdRaggMag, const QDateTime &DaData, const QDateTime &A_Data,
                                   QWidget *fuocoGruppo, QWidget *fuocoData, bool esercizio)
{
    const auto errore = [](const QString &testo, QWidget *fuoco) {
        Kmessages::KMessage(testo, mtError, mbOK);
        if (fuoco)
            fuoco->setFocus();
        return false;
    };
    if (IdRaggMag == 0)
        return errore(QStringLiteral("Nessun Codice di raggruppamento specificato"), fuocoGruppo);
    if (DaData.isNull() || A_Data.isNull())
        return errore(QStringLiteral("Specificare data iniziale e data finale"), fuocoData);
    if (A_Data.date() < DaData.date())
        return errore(QStringLiteral("Data Iniziale superiore alla data finale"), fuocoData);
    if (esercizio && (DaData.date().year() != CFG.Anno || A_Data.date().year() != CFG.Anno))
        return errore(QStringLiteral("Anno data inizio / fine non coerente con esercizio in uso"), fuocoData);
    return true;
}

bool UT_LMQ_RG_AggiornamentoDefinitivo(int IdRaggMag, const QString &IdRegistro,
                                       const TUT_LMQ_RG_ProgressiviRegistri &inizio, const std::function<void()> &corpo)
{
    return Funzioni::EseguiInTransazione(DMIDataBases::Instance().Global(), [&] {
        const QString aggiornato = QStringLiteral("Registro aggiornato da un altro utente: ripetere la stampa");
        TUT_LMQ_RG_ProgressiviRegistri ora;
        try {
            // kept from other users until the commit: a second run waits here, then is refused
            UT_LMQ_RG_BloccoProgReg(IdRaggMag, IdRegistro, ora);
        } catch (const EKeyViolation &) {
            throw Exception(aggiornato); // another user's first print of the register came first
        }
        if (ora.UltNumRiga != inizio.UltNumRiga || ora.DataUltAgg.date() != inizio.DataUltAgg.date())
            throw Exception(aggiornato);
        kv8data::CheckPoint(QStringLiteral("registro"));
        corpo();
    });
}

QDateTime UT_LMQ_RG_FineGiorno(const QDateTime &data)
{
    return QDateTime(data.date(), QTime(23, 59, 59, 999));
}

QString UT_LMQ_RG_SqlMovimenti()
{
    return QStringLiteral("FROM MovMagazzino M "
                          "INNER JOIN CausaliMagaz C ON C.IdCausale = M.IdCausale "
                          "INNER JOIN Articoli A ON A.IdProdotto = M.IdProdotto "
                          "LEFT JOIN LUMO_CatVin V ON V.IdCatVin = A.UT_LMQ_IdCatVin "
                          "LEFT JOIN LUMO_Bottiglie B ON B.IdBottiglia = A.UT_LMQ_IdBottiglia ");
}

QString UT_LMQ_RG_SqlCondizione(int IdRaggMag)
{
    return QStringLiteral("C.UT_LMQ_FlRegCs <> 0 AND A.UT_LMQ_IdCatVin <> '' "
                          "AND M.IdMagazzino1 IN (SELECT IdMagazzino FROM LUMO_RaggMagR WHERE IdRaggMag = %1)")
        .arg(IdRaggMag);
}

QString UT_LMQ_RG_SqlLitriUnita()
{
    return QStringLiteral("(CASE WHEN A.UT_LMQ_FlTipArt = 4 THEN 1.0 ELSE COALESCE(B.Capacita, 0) END)");
}

QString UT_LMQ_RG_SqlLitri(int FlCarSca, const QString &litriUnita)
{
    return QStringLiteral("(CASE WHEN C.UT_LMQ_FlCarSca = %1 AND C.UT_LMQ_FlSegno IN (0, 1) THEN M.Quantita * %2 "
                          "* (CASE WHEN C.UT_LMQ_FlSegno = 0 THEN 1.0 ELSE -1.0 END) END)")
        .arg(FlCarSca)
        .arg(litriUnita.isEmpty() ? UT_LMQ_RG_SqlLitriUnita() : litriUnita);
}

QString UT_LMQ_RG_SqlRigheCarico(int IdRaggMag)
{
    // the articles with their category and litres per unit as a table of their own (DISTINCT,
    // the article's key among its columns), joined once per movement where the engine would
    // otherwise look up three tables per movement
    const QString litri = QStringLiteral("A.LitriUnita");
    return QStringLiteral("SELECT M.KMovMag, %1, M.IdMagazzino1, M.DataMovimento, M.DataDocumento, M.RifDocumento, "
                          "M.IdCausale, C.DsCausale, M.IdContoTp, M.IdConto, "
                          "COALESCE(CASE WHEN M.IdContoTp = 'CL' THEN CL.RagioneSociale "
                          "WHEN M.IdContoTp = 'FO' THEN FO.RagioneSociale END, ''), "
                          "M.IdProdotto, A.DsProdotto, M.Quantita, %2, A.UT_LMQ_IdCatVin, "
                          "COALESCE(A.DsCatVin, ''), C.UT_LMQ_FlCarSca, C.UT_LMQ_FlSegno, %3, %4 ")
               .arg(QString::number(IdRaggMag), litri, UT_LMQ_RG_SqlLitri(0, litri), UT_LMQ_RG_SqlLitri(1, litri))
           + QStringLiteral("FROM MovMagazzino M "
                            "INNER JOIN CausaliMagaz C ON C.IdCausale = M.IdCausale "
                            "INNER JOIN (SELECT DISTINCT A.IdProdotto, A.DsProdotto, A.UT_LMQ_IdCatVin, V.DsCatVin, "
                            "%1 AS LitriUnita FROM Articoli A "
                            "LEFT JOIN LUMO_CatVin V ON V.IdCatVin = A.UT_LMQ_IdCatVin "
                            "LEFT JOIN LUMO_Bottiglie B ON B.IdBottiglia = A.UT_LMQ_IdBottiglia) A "
                            "ON A.IdProdotto = M.IdProdotto "
                            "LEFT JOIN Clienti CL ON CL.IdConto = M.IdConto AND M.IdContoTp = 'CL' "
                            "LEFT JOIN Fornitori FO ON FO.IdConto = M.IdConto AND M.IdContoTp = 'FO' "
                            "WHERE M.DataMovimento >= ? AND M.DataMovimento <= ? AND ")
                 .arg(UT_LMQ_RG_SqlLitriUnita())
           + UT_LMQ_RG_SqlCondizione(IdRaggMag) + QStringLiteral(" ORDER BY M.DataMovimento, M.KMovMag");
}

QList<TLitriRegistro> UT_LMQ_RG_LitriPeriodo(int IdRaggMag, const QDateTime &DaData, const QDateTime &A_Data,
                                             bool perCausale)
{
    QString sql = QStringLiteral("SELECT A.UT_LMQ_IdCatVin, MAX(V.DsCatVin), ");
    sql += perCausale ? QStringLiteral("M.IdCausale, MAX(C.DsCausale), ") : QStringLiteral("'', '', ");
    sql +=
        QStringLiteral("COALESCE(SUM(%1), 0), COALESCE(SUM(%2), 0) ").arg(UT_LMQ_RG_SqlLitri(0), UT_LMQ_RG_SqlLitri(1));
    sql += UT_LMQ_RG_SqlMovimenti() + QStringLiteral("WHERE M.DataMovimento <= ? AND ")
           + UT_LMQ_RG_SqlCondizione(IdRaggMag);
    QVariantList valori{UT_LMQ_RG_FineGiorno(A_Data)};
    if (!DaData.isNull()) {
        sql += QStringLiteral(" AND M.DataMovimento >= ?");
        valori << QDateTime(DaData.date(), QTime(0, 0));
    }
    sql += perCausale
               ? QStringLiteral(" GROUP BY A.UT_LMQ_IdCatVin, M.IdCausale ORDER BY A.UT_LMQ_IdCatVin, M.IdCausale")
               : QStringLiteral(" GROUP BY A.UT_LMQ_IdCatVin ORDER BY A.UT_LMQ_IdCatVin");
    QList<TLitriRegistro> out;
    QSqlQuery q = DMIDataBases::Instance().Global().OpenQuery(sql, valori);
    while (q.next()) {
        TLitriRegistro r;
        r.IdCatVin = q.value(0).toString();
        r.DsCatVin = q.value(1).toString();
        r.IdCausale = q.value(2).toString();
        r.DsCausale = q.value(3).toString();
        r.Carico = q.value(4).toDouble();
        r.Scarico = q.value(5).toDouble();
        out << r;
    }
    return out;
}

namespace {

// What an empty value of a table's column is stored as: null where the column takes it.
QVariant Vuoto(const QString &tabella, const QString &colonna)
{
    const DictTable *t = Dictionary::Instance().Table(tabella);
    const DictColumn *d = t ? t->Column(colonna) : nullptr;
    if (!d || d->nullable || d->type == FieldType::DateTime)
        return QVariant();
    if (d->type == FieldType::String || d->type == FieldType::Memo)
        return QStringLiteral("");
    return 0;
}

// A column of a table that holds no null.
bool SenzaNull(const QString &tabella, const QString &colonna)
{
    return !Vuoto(tabella, colonna).isNull();
}

// A column the reading takes from its own movement (MovMagazzino, the table it reads, never
// missing) that holds no null: taken as it is.
bool PienaDelMovimento(const QString &espressione)
{
    static const QString movimento = QStringLiteral("MovMagazzino.");
    return espressione.startsWith(movimento)
           && SenzaNull(QStringLiteral("MovMagazzino"), espressione.mid(movimento.size()));
}

} // namespace

QString UT_LMQ_RG_SqlVuoto(const QString &tabella, const QString &colonna, const QString &espressione)
{
    const QVariant vuoto = Vuoto(tabella, colonna);
    if (vuoto.isNull())
        return espressione;
    return QStringLiteral("COALESCE(%1, %2)")
        .arg(espressione, vuoto.typeId() == QMetaType::QString ? QStringLiteral("''") : QStringLiteral("0"));
}

QString UT_LMQ_RG_SqlRagioneSociale()
{
    return QStringLiteral("Conti.RagioneSociale");
}

TLetturaUnita UT_LMQ_RG_LetturaUnita(const QStringList &testo, const QStringList &colonne)
{
    static const QString clienti = QStringLiteral("LEFT JOIN Clienti ON MovMagazzino.IdConto = Clienti.IdConto");
    static const QString fornitori = QStringLiteral("LEFT JOIN Fornitori ON MovMagazzino.IdConto = Fornitori.IdConto");
    TLetturaUnita lettura;
    QStringList uniti;
    qsizetype articoli = -1, conti = -1, secondoConto = -1;
    for (const QString &riga : testo) {
        const QString r = riga.trimmed();
        if (r.startsWith(QLatin1String("LEFT JOIN Articoli "))) {
            articoli = lettura.testo.size();
        } else if (r.startsWith(QLatin1String("LEFT JOIN ")) && r.contains(QLatin1String(" ON Articoli."))) {
            uniti << r;
            continue;
        } else if (r == clienti || r == fornitori) {
            (conti < 0 ? conti : secondoConto) = lettura.testo.size();
        }
        lettura.testo << riga;
    }
    if (conti >= 0 && secondoConto >= 0 && lettura.testo[conti].trimmed() != lettura.testo[secondoConto].trimmed()) {
        // the account of the movement's type, looked up once: the same name the two joins give
        lettura.testo[conti] =
            QStringLiteral("LEFT JOIN (SELECT 'CL' AS IdContoTp, IdConto, RagioneSociale FROM Clienti "
                           "UNION ALL SELECT 'FO', IdConto, RagioneSociale FROM Fornitori) Conti "
                           "ON Conti.IdContoTp = MovMagazzino.IdContoTp AND Conti.IdConto = "
                           "MovMagazzino.IdConto");
        lettura.testo.removeAt(secondoConto);
        if (articoli > secondoConto)
            --articoli;
    }
    if (articoli < 0)
        return lettura;
    QStringList valori;
    for (const QString &colonna : colonne) {
        const qsizetype punto = colonna.indexOf(u'.');
        if (colonna.contains(QLatin1String(" AS ")) || punto < 0) {
            valori << colonna;
            continue;
        }
        const QString tabella = colonna.left(punto), nome = colonna.mid(punto + 1);
        const QString piena = QStringLiteral("Articoli.") + nome;
        if (tabella == QLatin1String("Articoli")) {
            valori << colonna;
            if (SenzaNull(tabella, nome))
                lettura.piene << piena;
            continue;
        }
        // a table joined to the article: its empty value where the article names no row of it
        const QString valore = UT_LMQ_RG_SqlVuoto(tabella, nome, colonna);
        valori << (valore == colonna ? colonna : valore + QStringLiteral(" AS ") + nome);
        if (valore != colonna)
            lettura.piene << piena;
    }
    // DISTINCT (the article's key is among the columns) keeps the subquery a table of its own
    lettura.testo[articoli] = QStringLiteral("INNER JOIN (SELECT DISTINCT %1 FROM Articoli %2) Articoli "
                                             "ON MovMagazzino.IdProdotto = Articoli.IdProdotto")
                                  .arg(valori.join(QStringLiteral(", ")), uniti.join(u' '));
    return lettura;
}

QString UT_LMQ_RG_SqlRighe(const QString &tabella, const QStringList &colonne, const QStringList &espressioni,
                           const TLetturaUnita &lettura, const QString &condizioni)
{
    QStringList valori;
    for (qsizetype i = 0; i < colonne.size(); ++i) {
        const QString espressione = espressioni.value(i);
        valori << (PienaDelMovimento(espressione) || lettura.piene.contains(espressione)
                       ? espressione
                       : UT_LMQ_RG_SqlVuoto(tabella, colonne[i], espressione));
    }
    const QStringList &testo = lettura.testo;
    qsizetype da = 0;
    while (da < testo.size() && !testo[da].startsWith(QLatin1String("FROM ")))
        ++da;
    qsizetype ordine = da;
    while (ordine < testo.size() && !testo[ordine].startsWith(QLatin1String("ORDER BY ")))
        ++ordine;
    return QStringLiteral("SELECT ") + valori.join(QStringLiteral(", ")) + u'\n'
           + testo.mid(da, ordine - da).join(u'\n') + condizioni + u'\n' + testo.mid(ordine).join(u'\n');
}

int UT_LMQ_RG_CopiaRighe(const QString &tabella, const QString &selezione, const QVariantList &valori,
                         const QStringList &colonne, int da, kv8db::TotaliRighe *totali)
{
    const std::unique_ptr<TXTable> lavoro(UT_LMQ_RG_TabellaLocale(nullptr, tabella));
    Funzioni::PulisciTabella(lavoro.get());
    TXDatabase &azienda = DMIDataBases::Instance().Global();
    THourGlass clessidra;
    const auto fine = qScopeGuard([] { Mdimainbase::ProgressEnd(); });
    // The bar counts through the movements of the period on the index of their date (a count of
    // the register's own reading would cost a good part of the copy). The period is copied in
    // stretches of whole days of about as many movements each, UT_LMQ_RG_MovimentiPerTratto at
    // most (give or take a day's), each ending the day before the first movement past its share,
    // found on the same index (a day with more is a stretch of its own); the bar steps a share
    // at a time. The stretches go in one transaction, the statement set up once.
    const QDateTime primo = valori.value(0).toDateTime(), ultimo = valori.value(1).toDateTime();
    const qint64 movimenti =
        azienda
            .ScalarValue(
                QStringLiteral("SELECT COUNT(*) FROM MovMagazzino WHERE DataMovimento >= ? AND DataMovimento <= ?"),
                {primo, ultimo})
            .toLongLong();
    Mdimainbase::ProgressStart(int(movimenti), QStringLiteral("Elaborazione movimenti in corso.."));
    const qint64 perTratto = std::max<qint64>(1, UT_LMQ_RG_MovimentiPerTratto);
    const qint64 passi = std::max<qint64>(1, (movimenti + perTratto - 1) / perTratto);
    const qint64 quota = std::max<qint64>(1, (movimenti + passi - 1) / passi);
    QList<QVariantList> tratti;
    QList<qint64> letti; // the bar's position after each stretch
    QDateTime inizio = primo;
    while (primo.isValid() && ultimo.isValid() && movimenti - qint64(tratti.size()) * quota > quota) {
        // the day of the first movement past the stretch's share
        const QVariant oltre = azienda.ScalarValue(
            QStringLiteral("SELECT DataMovimento FROM MovMagazzino WHERE DataMovimento >= ? AND DataMovimento <= ? "
                           "ORDER BY DataMovimento LIMIT 1 OFFSET ?"),
            {inizio, ultimo, quota});
        const QDate giorno = oltre.typeId() == QMetaType::QDateTime
                                 ? oltre.toDateTime().date()
                                 : QDate::fromString(oltre.toString().left(10), Qt::ISODate);
        if (!giorno.isValid())
            break;
        const QDate ultimoGiorno = giorno > inizio.date() ? giorno.addDays(-1) : giorno;
        if (ultimoGiorno >= ultimo.date())
            break;
        QVariantList tratto = valori;
        tratto[0] = inizio;
        tratto[1] = UT_LMQ_RG_FineGiorno(QDateTime(ultimoGiorno, QTime(0, 0)));
        tratti << tratto;
        letti << std::min(movimenti, qint64(tratti.size()) * quota);
        inizio = QDateTime(ultimoGiorno.addDays(1), QTime(0, 0));
    }
    QVariantList resto = valori;
    resto[0] = inizio;
    tratti << resto;
    letti << movimenti;
    return int(kv8db::CopiaRigheATratti(
        azienda, selezione, tratti, UT_LMQ_RG_Lavoro(), tabella, colonne,
        kv8db::NumeroRiga{QStringLiteral("NumeroRiga"), da},
        [&letti](qsizetype tratto, qint64) { Mdimainbase::ProgressPosition(int(letti.value(tratto))); }, totali));
}

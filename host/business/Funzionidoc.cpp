#include "host/business/Funzionidoc.h"

#include "host/business/Dmibase.h"
#include "host/business/Funzionibase.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/core/KV8Config.h"
#include "host/core/Notices.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/db/DMIDataBases.h"

#include <QDebug>

namespace {

const QString kContiFissi = QStringLiteral("CONTIFISSI");

QString Impostazione(const QString &nome)
{
    return KV8Config::Value(kContiFissi, nome).toString().trimmed();
}

// The counter row of the year and series as stored now, read locked inside a transaction
// (PostgreSQL: until its end, so that another user's numbering waits for this one's commit;
// SQLite: the transaction holds the database). A row this transaction wrote is its own
// already. The warning when it is missing.
bool TrovaProtocollo(TDataSet *protIva, int anno, int serie)
{
    Funzioni::CheckTabOpen(protIva);
    const QVariantList chiave{anno, serie};
    if (auto *client = qobject_cast<TXClientTable *>(protIva))
        client->ReadAsStored(QStringLiteral("Anno;Serie"), {chiave}, QStringLiteral("Anno = ? AND Serie = ?"), chiave,
                             true);
    const bool trovato = protIva->Locate(QStringLiteral("Anno;Serie"), chiave);
    if (!trovato)
        Notices::Tell(QStringLiteral("Tabella protocolli Iva non trovata"), TNoticeKind::Warning);
    return trovato;
}

// The counter columns of a register type: last number and date of the last invoice.
bool ColonneRegistro(int tipoRegistro, QString &numero, QString &data)
{
    if (tipoRegistro == 1) {
        numero = QStringLiteral("NumUltFatturaV");
        data = QStringLiteral("DataUltFatturaV");
        return true;
    }
    if (tipoRegistro == 2) {
        numero = QStringLiteral("NumUltFatturaC");
        data = QStringLiteral("DataUltFatturaS");
        return true;
    }
    return false;
}

} // namespace

namespace Funzioni {

QString GetContoFisso(const QString &nome, const QString &idCausaleCont)
{
    const QString causale = idCausaleCont.trimmed();
    if (!causale.isEmpty()) {
        QString conto = Impostazione(causale + QLatin1Char('.') + nome);
        if (!conto.isEmpty())
            return conto;
    }
    return Impostazione(nome);
}

QString GetContoOmaggio(const QString &nome, const QString &idCausaleCont, int)
{
    return GetContoFisso(nome, idCausaleCont);
}

QString GetIdIvaFisso(const QString &nome)
{
    return Impostazione(nome);
}

double ScorporaIva(int decimali, double lordo, double aliquota, double *iva)
{
    const double totale = KRound(lordo, decimali);
    const double netto = KRound(totale * 100.0 / (100.0 + aliquota), decimali);
    if (iva)
        *iva = KRound(totale - netto, decimali);
    return netto;
}

double CalcIva(double imponibile, double aliquota, int decimali)
{
    return KRound(imponibile * aliquota / 100.0, decimali);
}

QString TestTipoPagamento(const QString &idPagamento)
{
    TDMIBase *dm = TDMIBase::Crea();
    if (!TDMIBase::Posiziona(dm->lkPagamenti, QStringLiteral("IdPagamento"), {idPagamento.trimmed()}))
        return QString();
    return dm->lkPagamenti->FieldByName(QStringLiteral("IdTipoMovimento"))->AsString().trimmed();
}

QVector<double> KRate(double totale, const QVector<double> &percentuali, int decimali)
{
    const qsizetype n = std::max<qsizetype>(1, percentuali.size());
    bool tutteZero = true;
    for (double p : percentuali)
        tutteZero = tutteZero && p == 0;
    QVector<double> quote(n);
    double assegnato = 0;
    for (qsizetype i = 0; i + 1 < n; ++i) {
        const double p = tutteZero ? 100.0 / double(n) : percentuali[i];
        quote[i] = KRound(totale * p / 100.0, decimali);
        assegnato += quote[i];
    }
    quote[n - 1] = KRound(totale - assegnato, decimali);
    return quote;
}

int CalcoloScadenze(TDMIBase *tabelle, TDataSet *, const QDateTime &dataDocumento, const QDateTime &dataPagamento,
                    const QString &idPagamento, const QString &, const QString &, const QString &,
                    QVector<QDateTime> &date, int)
{
    TDMIBase *dm = tabelle ? tabelle : TDMIBase::Crea();
    const QString codice = idPagamento.trimmed();
    QVector<int> decorrenze;
    if (!codice.isEmpty() && TDMIBase::Posiziona(dm->lkPagamenti, QStringLiteral("IdPagamento"), {codice})) {
        QSqlQuery q = DMIDataBases::Instance().Global().OpenQuery(
            QStringLiteral("SELECT Decorrenza FROM PagamentiD WHERE IdPagamento = ? ORDER BY NumRata"), {codice});
        while (q.next())
            decorrenze << q.value(0).toInt();
    }
    return CalcoloScadenze(dm, dataDocumento, dataPagamento, idPagamento, decorrenze, date);
}

int CalcoloScadenze(TDMIBase *tabelle, const QDateTime &dataDocumento, const QDateTime &dataPagamento,
                    const QString &idPagamento, const QVector<int> &decorrenze, QVector<QDateTime> &date)
{
    date = QVector<QDateTime>(81);
    TDMIBase *dm = tabelle ? tabelle : TDMIBase::Crea();
    const QString codice = idPagamento.trimmed();
    if (codice.isEmpty() || !TDMIBase::Posiziona(dm->lkPagamenti, QStringLiteral("IdPagamento"), {codice}))
        return -1;
    const bool fineMese = dm->lkPagamenti->FieldByName(QStringLiteral("FlFineMese"))->AsInteger() == 1;
    const QDateTime base = dataPagamento.isNull() ? dataDocumento : dataPagamento;
    const auto scadenza = [&](int giorni) {
        if (base.isNull())
            return QDateTime();
        QDate d = base.date().addDays(giorni);
        if (fineMese)
            d = QDate(d.year(), d.month(), d.daysInMonth());
        return QDateTime(d, QTime(0, 0));
    };
    int n = 0;
    for (int giorni : decorrenze) {
        if (n >= date.size())
            break;
        date[n++] = scadenza(giorni);
    }
    if (n == 0)
        date[n++] = scadenza(0);
    return n;
}

bool GetValoriSpeseBolli(const QDateTime &data, double &importo, double &soglia)
{
    importo = 0;
    soglia = 0;
    TXDatabase &db = DMIDataBases::Instance().Global();
    QSqlQuery q = data.isNull()
                      ? db.OpenQuery(QStringLiteral("SELECT Importo, Soglia FROM ValoriBolli ORDER BY DataInizio DESC"))
                      : db.OpenQuery(QStringLiteral("SELECT Importo, Soglia FROM ValoriBolli WHERE DataInizio < ? "
                                                    "ORDER BY DataInizio DESC"),
                                     {QDateTime(data.date().addDays(1), QTime(0, 0))});
    if (!q.next())
        return false;
    importo = q.value(0).toDouble();
    soglia = q.value(1).toDouble();
    return true;
}

double CalcoloValoriRigo(const TKRigoDoc &rigo, int modo)
{
    if (modo < 1 || modo > 6)
        return 0;
    int decimali = 6;
    if (rigo.TabDivise) {
        CheckTabOpen(rigo.TabDivise);
        const QString divisa = rigo.IdDivisa.trimmed().isEmpty() ? DivisaGestione(0) : rigo.IdDivisa.trimmed();
        // a document's rows share their currency: the table is on it already from the row before
        const bool suDivisa =
            !rigo.TabDivise->IsEmpty() && rigo.TabDivise->FieldByName(QStringLiteral("IdDivisa"))->AsString() == divisa;
        if (suDivisa || rigo.TabDivise->Locate(QStringLiteral("IdDivisa"), divisa))
            decimali = rigo.TabDivise->FieldByName(QStringLiteral("DecValore"))->AsInteger();
    }
    const int decimaliIT = KFormati::GetDecimali(KFormati::fnValoreIT);
    const auto nazionale = [&](double valore) {
        return CalcValoreEURO(rigo.IdDivisa, decimaliIT, valore, rigo.Cambio, rigo.DataDocumento);
    };
    double base = rigo.FlPrezzoForf ? rigo.Prezzo : rigo.Quantita * rigo.Prezzo;
    if (modo == 1 || modo == 4) {
        const double lordo = KRound(base, decimali);
        return modo == 1 ? lordo : nazionale(lordo);
    }
    const double segno = CFG.SegnoSconti;
    for (int k = 0; k < 5 && k < CFG.NumScontiRigo; ++k)
        base += segno * base * rigo.Sconto[k] / 100.0;
    if (modo == 2 || modo == 5) {
        const double netto = KRound(base, decimali);
        return modo == 2 ? netto : nazionale(netto);
    }
    for (int k = 0; k < 5 && k < CFG.NumScontiTesta; ++k)
        base += segno * base * rigo.ScontoTesta[k] / 100.0;
    base += segno * base * rigo.ScontoPagamento / 100.0;
    const double tutti = KRound(base, decimali);
    return modo == 3 ? tutti : nazionale(tutti);
}

namespace {

// The rows of a price list in a currency in force on a day: begun on or before it, not ended
// before it; of several, the latest begun first.
QSqlQuery ListinoInVigore(const QString &idListino, const QString &idDivisa, const QDateTime &data,
                          const QString &idProdotto)
{
    const QDateTime giorno(data.date(), QTime(0, 0));
    QVariantList valori{idListino.trimmed(), idDivisa.trimmed(), giorno.addDays(1), giorno};
    QString sql = QStringLiteral("SELECT IdProdotto, Prezzo, Sconto1, Sconto2 FROM Listini WHERE IdListino = ? AND "
                                 "IdDivisa = ? AND (DataInizio IS NULL OR DataInizio < ?) AND (DataFine IS NULL OR "
                                 "DataFine >= ?)");
    if (!idProdotto.isNull()) {
        sql += QStringLiteral(" AND IdProdotto = ?");
        valori << idProdotto.trimmed();
    }
    return DMIDataBases::Instance().Global().OpenQuery(sql + QStringLiteral(" ORDER BY IdProdotto, DataInizio DESC"),
                                                       valori);
}

TPrezzoListino Voce(const QSqlQuery &q)
{
    return TPrezzoListino{q.value(1).toDouble(), q.value(2).toDouble(), q.value(3).toDouble()};
}

} // namespace

std::optional<TPrezzoListino> PrezzoListino(const QString &idListino, const QString &idProdotto,
                                            const QString &idDivisa, const QDateTime &data)
{
    if (idListino.trimmed().isEmpty() || idProdotto.trimmed().isEmpty())
        return std::nullopt;
    QSqlQuery q = ListinoInVigore(idListino, idDivisa, data, idProdotto);
    if (!q.next())
        return std::nullopt;
    return Voce(q);
}

QHash<QString, TPrezzoListino> PrezziListino(const QString &idListino, const QString &idDivisa, const QDateTime &data)
{
    QHash<QString, TPrezzoListino> prezzi;
    if (idListino.trimmed().isEmpty())
        return prezzi;
    QSqlQuery q = ListinoInVigore(idListino, idDivisa, data, QString());
    while (q.next()) {
        const QString articolo = q.value(0).toString().trimmed();
        if (!prezzi.contains(articolo))
            prezzi.insert(articolo, Voce(q));
    }
    return prezzi;
}

int NumeroSuccessivo(const QString &tabellaTeste, int anno, int serie)
{
    TXDatabase &db = DMIDataBases::Instance().Global();
    // the numbering of the table, year and series held until the transaction ends: another
    // user's waits here for this one's commit, then reads the number it stored
    if (db.IsPostgres() && db.InTransaction())
        db.ScalarValue(QStringLiteral("SELECT 1 FROM pg_advisory_xact_lock(hashtext(?))"),
                       {QStringLiteral("numerazione %1 %2 %3").arg(tabellaTeste.toLower()).arg(anno).arg(serie)});
    return db.ScalarValue(QStringLiteral("SELECT MAX(Numero) FROM %1 WHERE Anno = ? AND Serie = ?").arg(tabellaTeste),
                          {anno, serie})
               .toInt()
           + 1;
}

bool GetNumeroFattura(TDataSet *protIva, int anno, int serie, int tipoRegistro, int &numero, const QDateTime &)
{
    QString colNumero, colData;
    if (!ColonneRegistro(tipoRegistro, colNumero, colData))
        return false;
    try {
        if (!TrovaProtocollo(protIva, anno, serie))
            return false;
        numero = protIva->FieldByName(colNumero)->AsInteger() + 1;
        return true;
    } catch (const Exception &e) {
        qWarning().noquote() << "Lettura protocolli Iva:" << e.Message;
        return false;
    }
}

QSet<int> NumeriFatturaOccupati(int anno, int serie, int tipoRegistro, int da)
{
    QSet<int> numeri;
    QSqlQuery q = DMIDataBases::Instance().Global().OpenQuery(
        QStringLiteral(
            "SELECT DISTINCT T.Numero FROM FattureCliTeste T JOIN CausaliFattCli C ON C.IdCausale = T.IdCausale "
            "WHERE T.Anno = ? AND T.Serie = ? AND T.Numero >= ? AND C.FlTipoRegistro = ?"),
        {anno, serie, da, tipoRegistro});
    while (q.next())
        numeri.insert(q.value(0).toInt());
    return numeri;
}

bool SetNumeroFattura(TDataSet *protIva, int anno, int serie, int tipoRegistro, int numero, const QDateTime &data,
                      qint64 kFattCliT, const QSet<int> *occupati)
{
    QString colNumero, colData;
    if (!ColonneRegistro(tipoRegistro, colNumero, colData))
        return false;
    if (!TrovaProtocollo(protIva, anno, serie))
        return false;
    // the number must not be held by another invoice of the same register
    const bool doppio =
        occupati ? occupati->contains(numero)
                 : DMIDataBases::Instance()
                       .Global()
                       .ScalarValue(QStringLiteral("SELECT T.KFattCliT FROM FattureCliTeste T JOIN CausaliFattCli C ON "
                                                   "C.IdCausale = T.IdCausale WHERE T.Anno = ? AND T.Serie = ? AND "
                                                   "T.Numero = ? AND C.FlTipoRegistro = ? AND T.KFattCliT <> ?"),
                                    {anno, serie, numero, tipoRegistro, kFattCliT})
                       .isValid();
    if (doppio) {
        Notices::Tell(QStringLiteral("Il numero fattura %1 dell'anno %2 serie %3 è già stato assegnato: "
                                     "ripetere la numerazione per avere il numero successivo.")
                          .arg(numero)
                          .arg(anno)
                          .arg(serie),
                      TNoticeKind::Warning);
        return false;
    }
    try {
        protIva->Edit();
        if (protIva->FieldByName(colNumero)->AsInteger() < numero)
            protIva->FieldByName(colNumero)->SetAsInteger(numero);
        if (tipoRegistro == 1 && KV8Config::GetFBCGE01().FlContatoreRegistro == 1
            && protIva->FieldByName(QStringLiteral("NUltFTRegistroV"))->AsInteger() < numero)
            protIva->FieldByName(QStringLiteral("NUltFTRegistroV"))->SetAsInteger(numero);
        TField *ultima = protIva->FieldByName(colData);
        if (!ultima->IsNull() && !data.isNull() && ultima->AsDateTime().date() > data.date()) {
            if (!Notices::Ask(QStringLiteral("Data fattura precedente a data ultima fattura emessa. Proseguo ? "))) {
                protIva->Cancel();
                return false;
            }
        } else if (!data.isNull()) {
            ultima->SetAsDateTime(data);
        }
        protIva->Post();
        return true;
    } catch (const Exception &e) {
        if (protIva->State() == dsEdit)
            protIva->Cancel();
        qWarning().noquote() << "Aggiornamento protocolli Iva:" << e.Message;
        Notices::Tell(QStringLiteral("Tabella protocolli Iva non aggiornata correttamente"), TNoticeKind::Warning);
        return false;
    }
}

} // namespace Funzioni

#include "deposits/Qarn0154d.h"

#include "ui_Qarn0154d.h"

#include "deposits/Lumo_lavori.h"
#include "frame/Dusaria.h"
#include "frame/Lumo_funzioni.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmigeneradocumenti.h"
#include "host/business/Funzionibase.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/data/Concurrency.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/TXDatabase.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"

#include <QHash>
#include <QScopeGuard>

DUSARIA_FINESTRA(TFqarn0154d, Fqarn0154d);

namespace {

QString Testo(TDataSet *d, const char *campo)
{
    return d->FieldByName(QLatin1String(campo))->AsString();
}

} // namespace

TFqarn0154d::TFqarn0154d(QWidget *owner) : TFCauzFatturazione(owner), ui(new Ui::Qarn0154d)
{
    SetupLayout(*ui);
    // the invoices reach the database with their totals, many to a statement, at the commit
    tTeste->SetDeferredWrites(true);
    TDMIBase *base = TDMIBase::Crea();
    ImpostaParametri(QStringLiteral("lumo0154d"));
    tPars->AddLookupField(QStringLiteral("_RagSocDa"), ftString, 30, base->lkClienti, QStringLiteral("IdClienteDa"),
                          QStringLiteral("IdConto"), QStringLiteral("RagioneSociale"));
    tPars->AddLookupField(QStringLiteral("_RagSocA"), ftString, 30, base->lkClienti, QStringLiteral("IdClienteA"),
                          QStringLiteral("IdConto"), QStringLiteral("RagioneSociale"));

    qRicCauCli = new TXQuery(this);
    qRicCauCli->SetName(QStringLiteral("qRicCauCli"));
    qRicCauCli->XSQL << QStringLiteral(
        "SELECT C.IdConto, C.IdImballo, A.IdProdotto, sum(C.ProgQtaCarF - C.ProgQtaResF) as SaldoCau, "
        "sum(C.QtaResEcc -C.QtaCarEcc) as EsiEcc")
                     << QStringLiteral("FROM LUMO_ProgCauz C")
                     << QStringLiteral("LEFT JOIN Articoli A ON A.IdProdotto = C.IdImballo")
                     << QStringLiteral("{WHERE XWHERE}")
                     << QStringLiteral("GROUP BY C.IdConto, C.IdImballo, A.IdProdotto")
                     << QStringLiteral("HAVING sum(C.ProgQtaCarF - C.ProgQtaResF) > 0")
                     << QStringLiteral("ORDER BY C.IdConto, C.IdImballo");

    cdsClientiCauz = new TXMemTable(this);
    cdsClientiCauz->SetName(QStringLiteral("cdsClientiCauz"));
    cdsClientiCauz->SetTableName(QStringLiteral("cdsClientiCauz"));
    cdsClientiCauz->SetUsaDizionario(true);
    cdsClientiCauz->SetKeepRecords(false);
    cdsClientiCauz->AddLookupField(QStringLiteral("_RagioneSociale"), ftString, 30, base->lkClienti,
                                   QStringLiteral("IdCliente"), QStringLiteral("IdConto"),
                                   QStringLiteral("RagioneSociale"));
    cdsClientiCauz->AddLookupField(QStringLiteral("_DsImballo"), ftString, 30, base->lkImballi,
                                   QStringLiteral("IdImballo"), QStringLiteral("IdImballo"),
                                   QStringLiteral("DsImballo"));
    DSRisultati->SetDataSet(cdsClientiCauz);
    gRisultati->AddColumn(QStringLiteral("IdCliente"), QStringLiteral("Cod.Cliente"), 80);
    gRisultati->AddColumn(QStringLiteral("_RagioneSociale"), QStringLiteral("Ragione Sociale"), 180);
    gRisultati->AddColumn(QStringLiteral("IdProdotto"), QStringLiteral("Prodotto"), 120);
    gRisultati->AddColumn(QStringLiteral("IdImballo"), QStringLiteral("Imballo"), 60);
    gRisultati->AddColumn(QStringLiteral("_DsImballo"), QStringLiteral("Cauzione"), 170);
    gRisultati->AddColumn(QStringLiteral("Quantita"), QStringLiteral("Q.ta Resa"), 90);
    gRisultati->AddColumn(QStringLiteral("Prezzo"), QStringLiteral("Prezzo"), 90);
    // rows without an article of the packaging's code: yellow, left out of the invoices
    gRisultati->OnDrawColumnCell = [](KDBGriglia *, const TGridRow &riga, const TColumn &, TField *,
                                      TCellStyle &stile) {
        if (riga.Value(QStringLiteral("FlStato")).toInt() == 1) {
            stile.Background = QColor(Qt::yellow);
            stile.Foreground = QColor(Qt::black);
        }
    };
}

TFqarn0154d::~TFqarn0154d()
{
    delete ui;
}

void TFqarn0154d::FormCreate()
{
    TFCauzFatturazione::FormCreate();
    SetPagina(0);
}

void TFqarn0154d::FormClose(TCloseAction &action)
{
    TFCauzFatturazione::FormClose(action);
    if (Fqarn0154d == this)
        Fqarn0154d = nullptr;
}

void TFqarn0154d::PreparaDati()
{
    if (!cdsClientiCauz->Active())
        cdsClientiCauz->Open();
    cdsClientiCauz->EmptyTable();
    {
        CAUZ_LavoroInCorso lavoro(this, true);
        cdsClientiCauz->DisableControls(); // the grid shows the proposal once it is complete
        try {
            // a customer keeping no deposits is left out: the card update books nothing for
            // it, so its balance would be billed again on every run
            QString selezione = QStringLiteral("C.FlTipoScheda = 1 AND  C.IdContoTp = 'CL' AND EXISTS (SELECT 1 FROM "
                                               "Clienti K WHERE K.IdContoTp = C.IdContoTp AND K.IdConto = C.IdConto "
                                               "AND K.UT_LMQ_FlCauz <> 0) ");
            const QString da = Testo(tPars, "IdClienteDa");
            const QString a = Testo(tPars, "IdClienteA");
            if (!da.isEmpty())
                selezione += QStringLiteral("AND C.IdConto >= ") + XWideQuotedStr(da) + QLatin1Char(' ');
            if (!a.isEmpty())
                selezione += QStringLiteral("AND C.IdConto <= ") + XWideQuotedStr(a) + QLatin1Char(' ');
            qRicCauCli->ImpostaSQL(selezione);
            qRicCauCli->Open();
            Mdimainbase::ProgressStart(qRicCauCli->RecordCount(), QStringLiteral("Preparazione in corso.."));
            const QString listino = Testo(tPars, "IdListino");
            QHash<QString, double> prezzi; // by packaging code: one list, one currency
            for (qRicCauCli->First(); !qRicCauCli->Eof(); qRicCauCli->Next()) {
                const QString imballo = Testo(qRicCauCli, "IdImballo");
                auto prezzo = prezzi.constFind(imballo);
                if (prezzo == prezzi.cend())
                    prezzo = prezzi.insert(imballo, UT_LMQ_CAUZ_PrezzoCauzione(listino, CFG.IdDivisa, imballo));
                cdsClientiCauz->Append();
                cdsClientiCauz->FieldByName(QStringLiteral("IdCliente"))->SetAsString(Testo(qRicCauCli, "IdConto"));
                cdsClientiCauz->FieldByName(QStringLiteral("IdImballo"))->SetAsString(imballo);
                cdsClientiCauz->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(Testo(qRicCauCli, "IdProdotto"));
                cdsClientiCauz->FieldByName(QStringLiteral("Quantita"))
                    ->SetAsFloat(qRicCauCli->FieldByName(QStringLiteral("SaldoCau"))->AsFloat());
                cdsClientiCauz->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(*prezzo);
                if (Testo(qRicCauCli, "IdProdotto").isEmpty())
                    cdsClientiCauz->FieldByName(QStringLiteral("FlStato"))->SetAsInteger(1);
                cdsClientiCauz->Post();
                Mdimainbase::ProgressStep(); // messages processed too
            }
        } catch (const std::exception &e) {
            if (cdsClientiCauz->State() != dsBrowse)
                cdsClientiCauz->Cancel();
            Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK, 0);
        }
        cdsClientiCauz->EnableControls();
        Mdimainbase::ProgressEnd();
    }
    cdsClientiCauz->First();
    if (!cdsClientiCauz->IsEmpty())
        SetPagina(1);
}

void TFqarn0154d::ChiudiFattura()
{
    tTeste->Edit();
    if (!TDMIGeneraDocumenti::Instance()->AggiornaTestaDoc(tTeste))
        throw Exception(QStringLiteral("Errore in aggiornamento testata"));
    tTeste->Post();
}

void TFqarn0154d::PreparaGenerazione()
{
    TDMIGeneraDocumenti::Instance()->PreparaGenerazione();
}

void TFqarn0154d::FineGenerazione()
{
    TDMIGeneraDocumenti::Instance()->FineGenerazione();
}

QList<TDataSet *> TFqarn0154d::AltriDataSet()
{
    return {TDMIGeneraDocumenti::Instance()->tFattureTot};
}

int TFqarn0154d::RigheDaElaborare()
{
    return cdsClientiCauz->RecordCount();
}

void TFqarn0154d::Genera()
{
    TDMIGeneraDocumenti *g = TDMIGeneraDocumenti::Instance();
    TDMIBase *base = TDMIBase::Crea();
    const QDateTime data = DataDocumento();
    const QString causale = Parametro("IdCausale");
    const QString listino = Parametro("IdListino");
    const QString magazzino = Funzioni::GetValoreDefault(QStringLiteral("IdMagazzino")).toString();
    TXlkTable *clienti = base->lkClienti;
    // the grid does not follow the rows the run goes through
    cdsClientiCauz->DisableControls();
    const auto griglia = qScopeGuard([this] { cdsClientiCauz->EnableControls(); });
    QStringList fatturati; // the customer of each row billed
    qint64 fatture = 0;
    for (cdsClientiCauz->First(); !cdsClientiCauz->Eof(); cdsClientiCauz->Next())
        if (!Testo(cdsClientiCauz, "IdProdotto").isEmpty()) {
            const QString cliente = Testo(cdsClientiCauz, "IdCliente");
            if (fatturati.isEmpty() || fatturati.constLast() != cliente)
                ++fatture;
            fatturati << cliente;
        }
    BloccaGiacenze(fatturati);
    RiservaChiavi(fatture, fatturati.size());
    QString corrente;
    QString letto;
    QHash<QString, Giacenza> giacenze;
    int numOrdine = 0;
    for (cdsClientiCauz->First(); !cdsClientiCauz->Eof(); cdsClientiCauz->Next()) {
        if (Testo(cdsClientiCauz, "IdProdotto").isEmpty())
            continue;
        const QString cliente = Testo(cdsClientiCauz, "IdCliente");
        const QString imballo = Testo(cdsClientiCauz, "IdImballo");
        const double quantita = cdsClientiCauz->FieldByName(QStringLiteral("Quantita"))->AsFloat();
        // the balance proposed must still stand, on the customer's cards locked before the first invoice
        if (cliente != letto) {
            giacenze = Giacenze(cliente);
            letto = cliente;
        }
        ControllaProposta(cliente, quantita, giacenze.value(imballo).Saldo);
        kv8data::CheckPoint(QStringLiteral("giacenze"));
        TDMIBase::Posiziona(clienti, QStringLiteral("IdContoTp;IdConto"), {QStringLiteral("CL"), cliente}, false);
        if (cliente != corrente) {
            if (!corrente.isEmpty())
                ChiudiFattura();
            tTeste->Insert();
            tTeste->FieldByName(QStringLiteral("Anno"))->SetAsInteger(Funzioni::GetAnno(data));
            tTeste->FieldByName(QStringLiteral("Serie"))->SetAsInteger(Causale.SerieRegistro);
            tTeste->FieldByName(QStringLiteral("DataDocumento"))->SetAsDateTime(data);
            tTeste->FieldByName(QStringLiteral("IdCausale"))->SetAsString(causale);
            tTeste->FieldByName(QStringLiteral("IdCliente"))->SetAsString(cliente);
            tTeste->FieldByName(QStringLiteral("IdPagamento"))->SetAsString(Testo(clienti, "IdPagamento"));
            tTeste->FieldByName(QStringLiteral("DataPagamento"))->SetAsDateTime(data);
            tTeste->FieldByName(QStringLiteral("IdDivisa"))->SetAsString(Funzioni::DivisaGestione(0));
            tTeste->FieldByName(QStringLiteral("IdListino"))->SetAsString(listino);
            tTeste->FieldByName(QStringLiteral("UT_LMQ_IdListCau"))->SetAsString(listino);
            tTeste->FieldByName(QStringLiteral("UT_LMQ_FlCauzioni"))->SetAsInteger(1);
            QString testo;
            if (!g->CompletaTestaDoc(tTeste, base->ProtIVA, 0, testo))
                throw Exception(QStringLiteral("Errore in completa testa doc"));
            if (!g->ControllaTestaDoc(tTeste, true))
                throw Exception(QStringLiteral("Errore in controlla testa doc"));
            tTeste->Post();
            RegistraCauzioni(0);
            corrente = cliente;
            numOrdine = 0;
            NumeroGenerato(tTeste->FieldByName(QStringLiteral("Numero"))->AsInteger());
        }
        numOrdine += 1024;
        tRighe->Insert();
        tRighe->FieldByName(QStringLiteral("KFattCliT"))
            ->SetAsLargeInt(tTeste->FieldByName(QStringLiteral("KFattCliT"))->AsLargeInt());
        tRighe->FieldByName(QStringLiteral("NumOrdine"))->SetAsInteger(numOrdine);
        tRighe->FieldByName(QStringLiteral("TipoRigo"))->SetAsInteger(1);
        tRighe->FieldByName(QStringLiteral("IdMagazzino"))->SetAsString(magazzino);
        tRighe->FieldByName(QStringLiteral("UT_LMQ_IdImballo1"))->SetAsString(imballo);
        tRighe->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(Testo(cdsClientiCauz, "IdProdotto"));
        tRighe->FieldByName(QStringLiteral("Quantita"))->SetAsFloat(quantita);
        tRighe->FieldByName(QStringLiteral("Quantita2"))->SetAsFloat(1);
        tRighe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(quantita);
        tRighe->FieldByName(QStringLiteral("Prezzo"))
            ->SetAsFloat(cdsClientiCauz->FieldByName(QStringLiteral("Prezzo"))->AsFloat());
        if (!g->CompletaRigoDoc(tTeste, tRighe, 0))
            throw Exception(QStringLiteral("errore in completamento righe documento"));
        if (!g->ControllaRigoDoc(tTeste, tRighe))
            throw Exception(QStringLiteral("errore in controllo righe documento"));
        if (TDMIBase::Posiziona(clienti, QStringLiteral("IdContoTp;IdConto"),
                                {QStringLiteral("CL"), Testo(tTeste, "IdCliente")}, false))
            tRighe->FieldByName(QStringLiteral("IdConto"))->SetAsString(Testo(clienti, "UT_LMQ_ContoCau"));
        tRighe->Post();
        if (!g->AggiornaRigoDoc(tTeste, tRighe))
            throw Exception(QStringLiteral("errore in aggiornamento righe documento"));
        RegistraCauzioni(1);
        Mdimainbase::ProgressStep();
        Application->ProcessMessages();
    }
    if (!corrente.isEmpty())
        ChiudiFattura();
}

void TFqarn0154d::RegistraCauzioni(int Modo)
{
    if (Modo == 0) {
        RegistraTestaCauzioni();
        return;
    }
    if (Causale.FlAggMovC != 1)
        return;
    const double quantita = tRighe->FieldByName(QStringLiteral("Quantita"))->AsFloat();
    RegistraRigaCauzioni(Testo(tRighe, "UT_LMQ_IdImballo1"), quantita,
                         tRighe->FieldByName(QStringLiteral("Prezzo"))->AsFloat(),
                         tRighe->FieldByName(QStringLiteral("ImportoNetto"))->AsFloat(), 0);
}

#include "deposits/Qarn0155d.h"

#include "ui_Qarn0155d.h"

#include "deposits/Lumo_lavori.h"
#include "engine/Lumo_funzdocven.h"
#include "frame/Dusaria.h"
#include "frame/Lumo_funzioni.h"
#include "frame/Lumo_parametri.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmicalcolototalidocs.h"
#include "host/business/Funzionibase.h"
#include "host/business/Funzionidoc.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/Kutfunctions.h"
#include "host/data/Concurrency.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TDataSource.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/db/TXDatabase.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"
#include "host/ui/DBNavigator.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"

#include <QGridLayout>
#include <QLabel>

DUSARIA_FINESTRA(TFqarn0155d, Fqarn0155d);

namespace {

QString Testo(TDataSet *d, const char *campo)
{
    return d->FieldByName(QLatin1String(campo))->AsString();
}

double Numero(TDataSet *d, const char *campo)
{
    return d->FieldByName(QLatin1String(campo))->AsFloat();
}

TXTable *TabellaLocale(QObject *owner, const QString &nome)
{
    auto *t = new TXTable(owner);
    t->SetName(nome);
    t->SetDatabaseName(QStringLiteral("LocalDatabase"));
    t->SetTableName(nome);
    t->SetUsaDizionario(true);
    return t;
}

TXQuery *QueryLocale(QObject *owner, const QString &nome, const QStringList &sql)
{
    auto *q = new TXQuery(owner);
    q->SetName(nome);
    q->SetDatabaseName(QStringLiteral("LocalDatabase"));
    q->SQL = sql;
    return q;
}

} // namespace

TFqarn0155d::TFqarn0155d(QWidget *owner) : TFCauzFatturazione(owner), ui(new Ui::Qarn0155d)
{
    SetupLayout(*ui);
    TDMIBase *base = TDMIBase::Crea();
    ImpostaParametri(QStringLiteral("lumo0155d"));

    ttElencoClienti = TabellaLocale(this, QStringLiteral("LUMO_T_CLINC"));
    ttElencoClienti->AddLookupField(QStringLiteral("_RagioneSociale"), ftString, 30, base->lkClienti,
                                    QStringLiteral("IDCLIENTE"), QStringLiteral("IdConto"),
                                    QStringLiteral("RagioneSociale"));
    ttElencoClienti->BeforePost = [this](TDataSet *d) { ttElencoClientiBeforePost(d); };
    ttElencoClienti->AfterOpen = [this](TDataSet *d) {
        d->FieldByName(QStringLiteral("IDCLIENTE"))->OnValidate = [this](TField *f) {
            ttElencoClientiIDCLIENTEValidate(f);
        };
    };
    dsElencoClienti = new TDataSource(this);
    dsElencoClienti->SetName(QStringLiteral("dsElencoClienti"));
    dsElencoClienti->SetDataSet(ttElencoClienti);

    // the customer list on the parameter page
    auto *pnElenco = new QWidget(this);
    pnElenco->setObjectName(QStringLiteral("pnElencoClienti"));
    auto *ly = new QGridLayout(pnElenco);
    ly->setContentsMargins(0, 0, 0, 0);
    ly->addWidget(new QLabel(QStringLiteral("Codice cliente:"), pnElenco), 0, 0);
    auto *edCliente = new TDBCodeEdit(pnElenco);
    edCliente->setObjectName(QStringLiteral("edIDCLIENTE"));
    edCliente->setMaximumWidth(90);
    edCliente->TabellaRicerca = QStringLiteral("Clienti");
    edCliente->CampoChiave = QStringLiteral("IdConto");
    edCliente->SetDataSource(dsElencoClienti);
    edCliente->SetDataField(QStringLiteral("IDCLIENTE"));
    ly->addWidget(edCliente, 0, 1);
    auto *txNome = new TDBText(pnElenco);
    txNome->setObjectName(QStringLiteral("txRagioneSociale"));
    txNome->SetDataSource(dsElencoClienti);
    txNome->SetDataField(QStringLiteral("_RagioneSociale"));
    ly->addWidget(txNome, 0, 2);
    navElencoClienti = new TDBNavigator(pnElenco);
    navElencoClienti->setObjectName(QStringLiteral("navElencoClienti"));
    navElencoClienti->SetDataSource(dsElencoClienti);
    ly->addWidget(navElencoClienti, 1, 0, 1, 3);
    gElencoClienti = new KDBGriglia(pnElenco);
    gElencoClienti->setObjectName(QStringLiteral("gElencoClienti"));
    gElencoClienti->SetDataSource(dsElencoClienti);
    gElencoClienti->AddColumn(QStringLiteral("IDCLIENTE"), QStringLiteral("Cod.Cliente"), 90);
    gElencoClienti->AddColumn(QStringLiteral("_RagioneSociale"), QStringLiteral("Ragione Sociale"), 250);
    ly->addWidget(gElencoClienti, 2, 0, 1, 3);
    ly->setColumnStretch(2, 1);
    ui->lyMain->addWidget(pnElenco, 1);

    ttCauCliNC = TabellaLocale(this, QStringLiteral("LUMO_T_CAUCLINC"));
    ttCauCliNC->AddLookupField(QStringLiteral("_RagioneSociale"), ftString, 30, base->lkClienti,
                               QStringLiteral("IDCLIENTE"), QStringLiteral("IdConto"),
                               QStringLiteral("RagioneSociale"));
    ttCauCliNC->AddLookupField(QStringLiteral("_DsImballo"), ftString, 30, base->lkImballi, QStringLiteral("IDIMBALLO"),
                               QStringLiteral("IdImballo"), QStringLiteral("DsImballo"));
    DSRisultati->SetDataSet(ttCauCliNC);
    gRisultati->AddColumn(QStringLiteral("IDCLIENTE"), QStringLiteral("Cod.Cliente"), 80);
    gRisultati->AddColumn(QStringLiteral("_RagioneSociale"), QStringLiteral("Ragione Sociale"), 180);
    gRisultati->AddColumn(QStringLiteral("IDIMBALLO"), QStringLiteral("Imballo"), 60);
    gRisultati->AddColumn(QStringLiteral("_DsImballo"), QStringLiteral("Cauzione"), 170);
    gRisultati->AddColumn(QStringLiteral("QTARES"), QStringLiteral("Q.ta Resa"), 90);
    gRisultati->AddColumn(QStringLiteral("PREZZO"), QStringLiteral("Prezzo"), 90);
    gRisultati->AddColumn(QStringLiteral("VALORERES"), QStringLiteral("Valore"), 90);

    t_RigheFattCli = TabellaLocale(this, QStringLiteral("t_RigheFattCli"));
    t_RigheFattCli->SetTabellaOrigine(QStringLiteral("FattureCliRighe"));
    t_RigheFattCli->SetIndexFieldNames(QStringLiteral("KFattCliT;NumOrdine"));

    qRicCauCli = new TXQuery(this);
    qRicCauCli->SetName(QStringLiteral("qRicCauCli"));
    qRicCauCli->SQL << QStringLiteral("SELECT C.IdImballo, sum(C.ProgQtaCarF - C.ProgQtaResF) as SaldoCau, "
                                      "sum(C.QtaResEcc -C.QtaCarEcc) as EsiEcc")
                    << QStringLiteral("FROM LUMO_ProgCauz C")
                    << QStringLiteral("WHERE C.FlTipoScheda = 1 AND C.IdContoTp = 'CL' AND C.IdConto = :IdCliente")
                    << QStringLiteral("GROUP BY C.IdImballo")
                    << QStringLiteral("HAVING sum(C.ProgQtaCarF - C.ProgQtaResF) > 0")
                    << QStringLiteral("ORDER BY C.IdImballo");
    qAggCli = QueryLocale(this, QStringLiteral("qAggCli"),
                          {QStringLiteral("SELECT IdCliente, sum(ValoreRes) as TotImballo"),
                           QStringLiteral("FROM LUMO_T_CAUCLINC"), QStringLiteral("GROUP BY IdCliente"),
                           QStringLiteral("ORDER BY IdCliente")});
    qAggCau = QueryLocale(this, QStringLiteral("qAggCau"),
                          {QStringLiteral("SELECT * FROM LUMO_T_CAUCLINC"), QStringLiteral("WHERE IdCliente = :IdCli"),
                           QStringLiteral("ORDER BY CONTATORE")});
    tTotali = new TXClientTable(this);
    tTotali->SetName(QStringLiteral("FattureCliTot"));
    tTotali->SetTableName(QStringLiteral("FattureCliTot"));
    tTotali->SetXWhereVuoto(QStringLiteral("KFattCliT = -1"));
    qAux = new TXQuery(this);
    qAux->SetName(QStringLiteral("qAux"));
}

TFqarn0155d::~TFqarn0155d()
{
    delete ui;
}

void TFqarn0155d::FormCreate()
{
    TFCauzFatturazione::FormCreate();
    ttCauCliNC->CreaTabella();
    ttElencoClienti->CreaTabella();
    t_RigheFattCli->CreaTabella();
    ttElencoClienti->Open();
    ttCauCliNC->Open();
    SetPagina(0);
}

void TFqarn0155d::FormClose(TCloseAction &action)
{
    TFCauzFatturazione::FormClose(action);
    if (Fqarn0155d == this)
        Fqarn0155d = nullptr;
}

void TFqarn0155d::ttElencoClientiIDCLIENTEValidate(TField *f)
{
    if (f->AsString().isEmpty())
        return; // refused on posting
    TXlkTable *clienti = TDMIBase::Crea()->lkClienti;
    if (!TDMIBase::Posiziona(clienti, QStringLiteral("IdContoTp;IdConto"), {QStringLiteral("CL"), f->AsString()},
                             false))
        throw Exception(QStringLiteral("Codice cliente non trovato"));
    if (clienti->FieldByName(QStringLiteral("UT_LMQ_FlCauz"))->AsInteger() == 0)
        throw Exception(QStringLiteral("Attenzione! cauzioni non abilitate sul cliente."));
}

void TFqarn0155d::ttElencoClientiBeforePost(TDataSet *d)
{
    TField *codice = d->FieldByName(QStringLiteral("IDCLIENTE"));
    if (codice->AsString().isEmpty())
        throw Exception(QStringLiteral("Indicare un codice cliente !!!"));
    // a customer listed twice would get its balances refunded twice
    if (codice->AsString() != codice->OldValue().toString()
        && ttElencoClienti->Database()
                   .ScalarValue(QStringLiteral("SELECT COUNT(*) FROM LUMO_T_CLINC WHERE IDCLIENTE = ?"),
                                {codice->AsString()})
                   .toInt()
               > 0)
        throw Exception(QStringLiteral("Cliente già presente nell'elenco: indicarne un altro."));
}

void TFqarn0155d::PreparaDati()
{
    ttCauCliNC->EmptyTable();
    if (!ttCauCliNC->Active())
        ttCauCliNC->Open();
    {
        CAUZ_LavoroInCorso lavoro(this, true);
        try {
            Funzioni::CheckTabOpen(ttElencoClienti);
            if (ttElencoClienti->State() != dsBrowse)
                ttElencoClienti->Post(); // the customer being entered counts
            Mdimainbase::ProgressStart(ttElencoClienti->RecordCount(), QStringLiteral("Preparazione in corso.."));
            const QString listino = Parametro("IdListino");
            const bool eccedenze = UT_LMQ_Parametri.FlGestEcc == 1;
            for (ttElencoClienti->First(); !ttElencoClienti->Eof(); ttElencoClienti->Next()) {
                qRicCauCli->Close();
                qRicCauCli->ParamByName(QStringLiteral("IdCliente"))->SetAsString(Testo(ttElencoClienti, "IDCLIENTE"));
                qRicCauCli->Open();
                for (; !qRicCauCli->Eof(); qRicCauCli->Next()) {
                    const QString imballo = Testo(qRicCauCli, "IdImballo");
                    double quantita = Numero(qRicCauCli, "SaldoCau");
                    ttCauCliNC->Append();
                    ttCauCliNC->FieldByName(QStringLiteral("IDCLIENTE"))
                        ->SetAsString(Testo(ttElencoClienti, "IDCLIENTE"));
                    ttCauCliNC->FieldByName(QStringLiteral("IDIMBALLO"))->SetAsString(imballo);
                    if (eccedenze) {
                        quantita -= Numero(qRicCauCli, "EsiEcc");
                        ttCauCliNC->FieldByName(QStringLiteral("QtaEsiEcc"))->SetAsFloat(Numero(qRicCauCli, "EsiEcc"));
                    }
                    const double prezzo = UT_LMQ_CAUZ_PrezzoCauzione(listino, CFG.IdDivisa, imballo);
                    ttCauCliNC->FieldByName(QStringLiteral("QTARES"))->SetAsFloat(quantita);
                    ttCauCliNC->FieldByName(QStringLiteral("PREZZO"))->SetAsFloat(prezzo);
                    ttCauCliNC->FieldByName(QStringLiteral("VALORERES"))
                        ->SetAsFloat(Funzioni::KRound(quantita * prezzo, 2));
                    ttCauCliNC->Post();
                }
                Mdimainbase::ProgressStep();
                Application->ProcessMessages();
            }
        } catch (const std::exception &e) {
            if (ttCauCliNC->State() != dsBrowse)
                ttCauCliNC->Cancel();
            Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK, 0);
        }
        Mdimainbase::ProgressEnd();
    }
    ttCauCliNC->First();
    if (!ttCauCliNC->IsEmpty())
        SetPagina(1);
}

bool TFqarn0155d::GetNumeroFattura(TDataSet *protIva, int anno, int serie, int tipoRegistro, int &numero,
                                   const QDateTime &data)
{
    return Funzioni::GetNumeroFattura(protIva, anno, serie, tipoRegistro, numero, data);
}

bool TFqarn0155d::SetNumeroFattura(TDataSet *protIva, int anno, int serie, int tipoRegistro, int numero,
                                   const QDateTime &data)
{
    return Funzioni::SetNumeroFattura(protIva, anno, serie, tipoRegistro, numero, data);
}

void TFqarn0155d::CalcolaTotali(TDataSet *totali, TXQuery *queryAux)
{
    TXParam_TotaliDocs p;
    p.CodTipoDoc = 1;
    p.Testa = tTeste;
    p.Righe = t_RigheFattCli;
    p.TabTotali = totali;
    p.QueryAux = queryAux;
    if (!Calcolototalidocs::TOTDOCS_Calcola(p, false))
        throw Exception(
            QStringLiteral("Errore nel calcolo dei totali della nota di credito: controllare i dati del cliente."));
}

QList<TDataSet *> TFqarn0155d::AltriDataSet()
{
    return {tTotali};
}

int TFqarn0155d::RigheDaElaborare()
{
    Funzioni::CheckTabOpen(qAggCli);
    qAggCli->Close();
    qAggCli->Open();
    return qAggCli->RecordCount();
}

void TFqarn0155d::Genera()
{
    TDMIBase *base = TDMIBase::Crea();
    TXlkTable *clienti = base->lkClienti;
    const QDateTime data = DataDocumento();
    const QString listino = Parametro("IdListino");
    const QString magazzino = Funzioni::GetValoreDefault(QStringLiteral("IdMagazzino")).toString();
    const int anno = Funzioni::GetAnno(data);
    const bool eccedenze = UT_LMQ_Parametri.FlGestEcc == 1;
    QStringList clientiNote;
    for (qAggCli->First(); !qAggCli->Eof(); qAggCli->Next())
        clientiNote << Testo(qAggCli, "IdCliente");
    BloccaGiacenze(clientiNote);
    for (qAggCli->First(); !qAggCli->Eof(); qAggCli->Next()) {
        const QString cliente = Testo(qAggCli, "IdCliente");
        // the stock proposed must still stand, on the customer's cards locked before the first number
        const QHash<QString, Giacenza> giacenze = Giacenze(cliente);
        qAggCau->Close();
        qAggCau->ParamByName(QStringLiteral("IdCli"))->SetAsString(cliente);
        qAggCau->Open();
        for (; !qAggCau->Eof(); qAggCau->Next()) {
            const Giacenza registrata = giacenze.value(Testo(qAggCau, "IDIMBALLO"));
            const double eccedenza = Numero(qAggCau, "QtaEsiEcc");
            ControllaProposta(cliente, Numero(qAggCau, "QTARES") + eccedenza, registrata.Saldo);
            if (eccedenze)
                ControllaProposta(cliente, eccedenza, registrata.Eccedenza);
        }
        kv8data::CheckPoint(QStringLiteral("giacenze"));
        TDMIBase::Posiziona(clienti, QStringLiteral("IdContoTp;IdConto"), {QStringLiteral("CL"), cliente}, false);
        t_RigheFattCli->EmptyTable();
        if (!t_RigheFattCli->Active())
            t_RigheFattCli->Open();

        tTeste->Insert();
        tTeste->FieldByName(QStringLiteral("Anno"))->SetAsInteger(anno);
        tTeste->FieldByName(QStringLiteral("Serie"))->SetAsInteger(Causale.SerieRegistro);
        tTeste->FieldByName(QStringLiteral("DataDocumento"))->SetAsDateTime(data);
        tTeste->FieldByName(QStringLiteral("IdCausale"))->SetAsString(Parametro("IdCausale"));
        int numero = 0;
        if (!GetNumeroFattura(base->ProtIVA, anno, Causale.SerieRegistro, Causale.FlTipoRegistro, numero, data))
            throw Exception(QStringLiteral("Protocolli fattura non presenti!"));
        tTeste->FieldByName(QStringLiteral("Numero"))->SetAsInteger(numero);
        NumeroGenerato(numero);
        if (!SetNumeroFattura(base->ProtIVA, anno, Causale.SerieRegistro, Causale.FlTipoRegistro, numero, data))
            throw Exception(QStringLiteral("Protocolli fattura non presenti!"));
        tTeste->FieldByName(QStringLiteral("IdClienteTp"))->SetAsString(QStringLiteral("CL"));
        tTeste->FieldByName(QStringLiteral("IdCliente"))->SetAsString(cliente);
        tTeste->FieldByName(QStringLiteral("IdDestinazione"))->SetAsInteger(0);
        tTeste->FieldByName(QStringLiteral("IdPagamento"))->SetAsString(Testo(clienti, "IdPagamento"));
        tTeste->FieldByName(QStringLiteral("DataPagamento"))->SetAsDateTime(data);
        tTeste->FieldByName(QStringLiteral("IdDivisa"))->SetAsString(Funzioni::DivisaGestione(0));
        tTeste->FieldByName(QStringLiteral("DataCambio"))->SetAsDateTime(data);
        tTeste->FieldByName(QStringLiteral("Cambio"))->SetAsFloat(1.0);
        tTeste->FieldByName(QStringLiteral("IdListino"))->SetAsString(listino);
        for (const char *campo : {"IdTipoTrasporto", "IdSpedizione1", "IdSpedizione2", "IdPorto", "IdAgente1",
                                  "IdAgente2", "IdEsclusione", "IdLingua", "IdBanca", "IdAgenzia", "FlSpeseBolli",
                                  "FlSpeseIncasso", "FlSpeseBolliEse", "IdZona", "Referente"})
            tTeste->FieldByName(QLatin1String(campo))->SetValue(clienti->FieldByName(QLatin1String(campo))->Value());
        tTeste->FieldByName(QStringLiteral("IdConto"))
            ->SetValue(clienti->FieldByName(QStringLiteral("IdContropartita"))->Value());
        tTeste->FieldByName(QStringLiteral("Mese"))->SetAsInteger(data.date().month());
        tTeste->FieldByName(QStringLiteral("AnnoCompIVA"))->SetAsInteger(anno);
        tTeste->FieldByName(QStringLiteral("MeseCompIVA"))->SetAsInteger(data.date().month());
        tTeste->FieldByName(QStringLiteral("IdOperatore"))->SetAsString(gUtente.IdUtente);
        tTeste->FieldByName(QStringLiteral("UT_LMQ_IdListCau"))->SetAsString(listino);
        tTeste->FieldByName(QStringLiteral("UT_LMQ_FlCauzioni"))->SetAsInteger(1);
        tTeste->FieldByName(QStringLiteral("SpeseImballo"))->SetAsFloat(Numero(qAggCli, "TotImballo"));
        tTeste->Post();
        tTeste->Edit();

        RegistraCauzioni();

        tRighe->Insert();
        tRighe->FieldByName(QStringLiteral("KFattCliT"))
            ->SetValue(tTeste->FieldByName(QStringLiteral("KFattCliT"))->Value());
        tRighe->FieldByName(QStringLiteral("NumOrdine"))->SetAsInteger(1024);
        tRighe->FieldByName(QStringLiteral("DataDocumento"))->SetAsDateTime(data);
        tRighe->FieldByName(QStringLiteral("IdCliente"))->SetAsString(cliente);
        tRighe->FieldByName(QStringLiteral("TipoRigo"))->SetAsInteger(6);
        tRighe->FieldByName(QStringLiteral("Descrizione"))->SetAsString(Parametro("Descrizione"));
        tRighe->FieldByName(QStringLiteral("Quantita2"))->SetAsFloat(1);
        tRighe->FieldByName(QStringLiteral("IdMagazzino"))->SetAsString(magazzino);
        tRighe->FieldByName(QStringLiteral("IdAgente1"))
            ->SetValue(clienti->FieldByName(QStringLiteral("IdAgente1"))->Value());
        tRighe->FieldByName(QStringLiteral("IdAgente2"))
            ->SetValue(clienti->FieldByName(QStringLiteral("IdAgente2"))->Value());
        tRighe->Post();
        t_RigheFattCli->Append();
        Funzioni::CopiaDati(t_RigheFattCli, tRighe);
        t_RigheFattCli->Post();

        CalcolaTotali(tTotali, qAux);
        UT_LMQ_DVEN_CodiceSpeseImballo(tTeste, tTotali, QStringLiteral("FI"));
        tTeste->Post();
        Mdimainbase::ProgressStep();
        Application->ProcessMessages();
    }
}

void TFqarn0155d::RegistraCauzioni()
{
    if (!RegistraTestaCauzioni())
        return;
    qAggCau->Close();
    qAggCau->ParamByName(QStringLiteral("IdCli"))->SetAsString(Testo(tTeste, "IdCliente"));
    qAggCau->Open();
    for (; !qAggCau->Eof(); qAggCau->Next()) {
        // the card closes the refund and the excess stock together, the refund alone has a value
        const double eccedenza = Numero(qAggCau, "QtaEsiEcc");
        RegistraRigaCauzioni(Testo(qAggCau, "IDIMBALLO"), Numero(qAggCau, "QTARES") + eccedenza,
                             Numero(qAggCau, "PREZZO"), Numero(qAggCau, "VALORERES"), eccedenza);
    }
}

#include "registers/Qarn0402s.h"

#include "frame/Dusaria.h"
#include "host/business/Dmibase.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXQuery.h"
#include "host/data/TXlkTable.h"
#include "host/db/DMIDataBases.h"
#include "host/ui/Forms.h"
#include "host/ui/MDIForm.h"
#include "registers/Lumo_accisa.h"
#include "registers/Lumo_registri.h"

#include <QCoreApplication>
#include <QSqlQuery>

namespace {

const char *const CampiDitta[] = {"_DittaRagSoc", "_DittaIndirizzo",  "_DittaIdCap",
                                  "_DittaCitta",  "_DittaPartitaIva", "_DittaTelefono"};
const int LunghezzeDitta[] = {50, 50, 6, 40, 17, 20};

} // namespace

Tfqarn0402s::Tfqarn0402s(QObject *owner) : TfKV8ReportB_Docs(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0402s"));
    TDMIBase::Crea();
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    qMain->SQL = LumoAccisa::SqlTesteStampa();
    qRighe = new TXQuery(this);
    qRighe->SetName(QStringLiteral("qRighe"));
    qRighe->SQL << QStringLiteral("SELECT R.*, A.DsProdotto, A.DsProdotto1, A.DsProdotto2")
                << QStringLiteral("FROM LUMO_DocAccR R LEFT JOIN Articoli A ON A.IdProdotto = R.IdProdotto")
                << QStringLiteral("WHERE R.KContaT = :KContaT") << QStringLiteral("ORDER BY R.KContaR");
    lkSpedizionieri = new TXlkTable(this);
    lkSpedizionieri->SetName(QStringLiteral("lkSpedizionieri"));
    lkSpedizionieri->SetTableName(QStringLiteral("Spedizionieri"));

    QSqlQuery q = DMIDataBases::Instance().Global().OpenQuery(QStringLiteral(
        "SELECT RagioneSociale, Indirizzo, IdCap, Citta, PartitaIva, Telefono1 FROM DatiAzienda ORDER BY IdAzienda"));
    const bool ditta = q.next();
    for (int i = 0; i < 6; ++i)
        ditta_ << (ditta ? q.value(i).toString().left(LunghezzeDitta[i]) : QString());

    qMain->AddCalcField(QStringLiteral("_CodiceAccDestinatario"), ftString, 20);
    qMain->AddCalcField(QStringLiteral("_PaeseDestinazione"), ftString, 20);
    qMain->AddCalcField(QStringLiteral("_RappFiscale"), ftString, 50);
    qMain->AddCalcField(QStringLiteral("_DurataViaggio"), ftString, 50);
    qMain->AddCalcField(QStringLiteral("_DsNazione"), ftString, 20);
    qMain->AddCalcField(QStringLiteral("_DsSpedizione1"), ftString, 30);
    qMain->AddCalcField(QStringLiteral("_DsSpedizione2"), ftString, 30);
    for (int i = 0; i < 6; ++i)
        qMain->AddCalcField(QString::fromLatin1(CampiDitta[i]), ftString, LunghezzeDitta[i]);
    qMain->OnCalcFields = [this](TDataSet *d) {
        const auto f = [d](const char *nome) { return d->FieldByName(QString::fromLatin1(nome)); };
        // with a destination its data stand, even empty
        const bool destinazione = f("IdDestinazione")->AsInteger() != 0;
        const auto scelta = [&](const char *cliente, const char *dest) {
            return destinazione ? f(dest)->AsString() : f(cliente)->AsString();
        };
        f("_CodiceAccDestinatario")->SetAsString(scelta("UT_LMQ_CodAcc", "DD_UT_LMQ_CodAcc"));
        const QString paese = scelta("IdNazione", "DD_IdNazione");
        f("_PaeseDestinazione")->SetAsString(paese);
        f("_RappFiscale")->SetAsString(scelta("UT_LMQ_RapFis", "DD_UT_LMQ_RapFis"));
        f("_DurataViaggio")->SetAsString(scelta("UT_LMQ_DurVia", "DD_UT_LMQ_DurVia"));
        const bool nazione =
            !paese.isEmpty() && TDMIBase::Posiziona(DMIBase->lkNazioni, QStringLiteral("IdNazione"), {paese});
        f("_DsNazione")
            ->SetAsString(nazione ? DMIBase->lkNazioni->FieldByName(QStringLiteral("DsNazione"))->AsString().left(20)
                                  : QString());
        const QString vettore = f("IdSpedizione")->AsString();
        if (!vettore.isEmpty())
            Funzioni::CheckTabOpen(lkSpedizionieri);
        const bool trovato = !vettore.isEmpty() && lkSpedizionieri->Locate(QStringLiteral("IdSpedizione"), vettore);
        f("_DsSpedizione1")
            ->SetAsString(trovato ? lkSpedizionieri->FieldByName(QStringLiteral("DsSpedizione1"))->AsString().left(30)
                                  : QString());
        f("_DsSpedizione2")
            ->SetAsString(trovato ? lkSpedizionieri->FieldByName(QStringLiteral("DsSpedizione2"))->AsString().left(30)
                                  : QString());
        for (int i = 0; i < 6; ++i)
            f(CampiDitta[i])->SetAsString(ditta_.at(i));
    };
    AggiungiDataSet(QStringLiteral("qMain"), qMain);
    AggiungiDataSet(QStringLiteral("qRighe"), qRighe);
}

void Tfqarn0402s::EseguiStampaAghi()
{
    THourGlass clessidra;
    ReportDataSource *testa = Sorgente(qMain);
    ReportDataSource *righe = Sorgente(qRighe);
    StampaAghi.DataSetTesta = testa;
    StampaAghi.DataSetRighe = righe;
    UT_LMQ_RG_StampaRighe(qMain, [&] {
        qRighe->Close();
        qRighe->ParamByName(QStringLiteral("KContaT"))
            ->SetValue(qMain->FieldByName(QStringLiteral("KContaT"))->Value());
        qRighe->Open();
        for (; !qRighe->Eof(); qRighe->Next())
            StampaAghi.StampaRiga(1, righe);
        StampaAghi.StampaRiga(2, testa);
        StampaAghi.SaltoPagina();
        QCoreApplication::processEvents();
    });
}

DUSARIA_CLASSE(Tfqarn0402s);

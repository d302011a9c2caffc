#include "registers/Qarn0112d.h"

#include "ui_Qarn0112d.h"

#include "frame/Dmilumo.h"
#include "frame/Dusaria.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBGrid.h"
#include "registers/Lumo_registri.h"
#include "registers/Qarn0112s.h"

#include <QHash>
#include <QSqlQuery>

#include <memory>
#include <vector>

TFqarn0112d::TFqarn0112d(QWidget *owner) : TFinestraRegistro(owner, Fqarn0112d)
{
    TDMILUMO::Crea();
    tPars->SetTableName(QStringLiteral("LUMO_ProRegCon"));
    tPars->SetUsaDizionario(true);
    UT_LMQ_RG_LookupRaggruppamento(tPars);
    TTAnaConTot = UT_LMQ_RG_TabellaLocale(this, QStringLiteral("LUMO_t_AnaConTot"));
    TTAnaConTot->SetIndexFieldNames(QStringLiteral("IdRaggMag;IdConIva"));
    DSRisultati->SetDataSet(TTAnaConTot);

    gRisultati->AddColumn(QStringLiteral("IdRaggMag"), QStringLiteral("Cod.Ragg."), 80);
    gRisultati->AddColumn(QStringLiteral("TipoProd"), QStringLiteral("Tipo Prod."), 80);
    gRisultati->AddColumn(QStringLiteral("IdConIva"), QStringLiteral("Cont.Iva"), 80);
    gRisultati->AddColumn(QStringLiteral("EsistenzaFin"), QStringLiteral("Esistenza Attuale"), 130);
    gRisultati->AddColumn(QStringLiteral("Imbottigliato"), QStringLiteral("Esist. Imbottigliato"), 130);
    SetActiveControl(ui->edIdRaggMag);
}

TFqarn0112d::~TFqarn0112d() = default;

void TFqarn0112d::FormCreate()
{
    TFDBChildParsPage::FormCreate();
    SetPagina(0);
}

void TFqarn0112d::btEseguiClick()
{
    if (inCorso_)
        return;
    TFDBChildParsPage::btEseguiClick();
    TLavoroInCorso lavoro(inCorso_, {btEsegui, btChiudi});

    const int gruppo = tPars->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    const QString contrassegno = tPars->FieldByName(QStringLiteral("IdConIva"))->AsString();
    const int tipoProd = tPars->FieldByName(QStringLiteral("TipoProdotto"))->AsInteger();
    TTAnaConTot->Close();
    Funzioni::PulisciTabella(TTAnaConTot);

    // Sums per result stamp, in the order first met.
    struct Totale {
        QString IdConIva;
        double Esistenza = 0, Imbottigliato = 0;
    };
    std::vector<Totale> totali;
    QHash<QString, int> indice;
    QSqlQuery q = DMIDataBases::Instance().Global().OpenQuery(
        QStringLiteral("SELECT IdRaggMag, IdConIva, TipoProdotto, Esistenza, GiacImbott FROM LUMO_ProgRegCiT"));
    bool righe = false;
    while (q.next()) {
        righe = true;
        const QString codice = q.value(1).toString();
        if ((gruppo != 0 && q.value(0).toInt() != gruppo)
            || (!contrassegno.isEmpty() && codice.left(contrassegno.size()) != contrassegno)
            || (tipoProd != 0 && q.value(2).toInt() != tipoProd))
            continue;
        const QString chiave = contrassegno.isEmpty() ? codice : contrassegno;
        auto it = indice.constFind(chiave);
        if (it == indice.constEnd()) {
            it = indice.insert(chiave, int(totali.size()));
            totali.push_back(Totale{chiave});
        }
        Totale &t = totali[size_t(*it)];
        t.Esistenza += q.value(3).toDouble();
        t.Imbottigliato += q.value(4).toDouble();
    }
    if (!righe)
        return; // no stored stock: page 1 stays in front
    TTAnaConTot->Open();
    for (const Totale &t : totali) {
        TTAnaConTot->Append();
        TTAnaConTot->FieldByName(QStringLiteral("IdRaggMag"))->SetAsInteger(gruppo);
        TTAnaConTot->FieldByName(QStringLiteral("TipoProd"))->SetAsInteger(tipoProd);
        TTAnaConTot->FieldByName(QStringLiteral("IdConIva"))->SetAsString(t.IdConIva);
        TTAnaConTot->FieldByName(QStringLiteral("EsistenzaFin"))->SetAsFloat(t.Esistenza);
        TTAnaConTot->FieldByName(QStringLiteral("Imbottigliato"))->SetAsFloat(t.Imbottigliato);
        TTAnaConTot->Post();
    }
    TTAnaConTot->ApplyUpdates();
    TTAnaConTot->First();
    SetPagina(1);
}

void TFqarn0112d::btStampaClick()
{
    std::unique_ptr<TFqarn0112s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<TFqarn0112s>()).CreateAs<TFqarn0112s>(this));
    stampa->InitReport();
    stampa->ImpostaReport();
    stampa->ImpostaQuery(stampa->qMain);
    stampa->EseguiStampa(true);
}

DUSARIA_FINESTRA(TFqarn0112d, Fqarn0112d);

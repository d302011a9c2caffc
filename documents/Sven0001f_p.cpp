#include "documents/Sven0001f_p.h"

#include "ui_Sven0008f_p.h"

#include "documents/Sven0002s_p.h"
#include "frame/Dusaria.h"
#include "host/business/Dmibase.h"
#include "host/core/Errors.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXTable.h"
#include "host/ui/DBGrid.h"
#include "host/ui/DBNavigator.h"
#include "host/ui/Kmessages.h"

DUSARIA_FINESTRA(TFSVen0001f_p, FSVen0001f_p);

namespace {

const QString kSigla = QStringLiteral("DT");

} // namespace

TFSVen0001f_p::TFSVen0001f_p(QWidget *owner)
    : TLumoFinestraVendita(MembroBollaCliente(), CastellettoBollaCliente(), QStringLiteral("DDT Clienti (Dusaria)"),
                           kSigla, kSigla, &TDMIBase::lkCausBolleCli, FSVen0001f_p, owner)
{
    setObjectName(QStringLiteral("FSVen0001f_p"));
    DichiaraCampiRighe({TRigheNC, TRRighe});

    // the tab and the row panel into the host's pages and panels
    QWidget contenitore;
    Ui::Sven0008f_p ui;
    ui.setupUi(&contenitore);
    gUT_LMQ_CauzDoc = ui.gUT_LMQ_CauzDoc;
    DBNavigatoreCauz = ui.DBNavigatoreCauz;
    InnestaLayout(ui, QStringLiteral("Castelletto Cauzioni"));

    ColonneRigheVendita(GrigliaRighe);
    TLumoCastDoc::ColonneGriglia(gUT_LMQ_CauzDoc);
    DBNavigatoreCauz->SetVisibleButtons(nbAllButtons & ~NavButton(nbDelete));
}

// ---- the save

void TFSVen0001f_p::SalvaDocumento()
{
    // a failure before the transaction comes back as a warning, the note still in edit; a
    // summary build error has shown its text already
    SalvaSeguendoAllaFine([this] {
        try {
            TFSVen0001f::SalvaDocumento();
        } catch (const EAbort &) {
        } catch (const std::exception &e) {
            if (SalvataggioRiuscito)
                throw;
            AnnullaSalvataggio(Kmessages::ExceptionText(e));
        }
    });
}

void TFSVen0001f_p::ControllaAltriUtenti()
{
    Castelletto->Trattieni();
    TFSVen0001f::ControllaAltriUtenti();
}

void TFSVen0001f_p::AnnullaSalvataggio(const QString &messaggio)
{
    TFSVen0001f::AnnullaSalvataggio(messaggio);
    Castelletto->Rilascia([this] { UT_LMQ_CopiaCastelletto(); });
}

void TFSVen0001f_p::DopoSalvataggio()
{
    Castelletto->Rilascia([this] { UT_LMQ_CopiaCastelletto(); });
    TFSVen0001f::DopoSalvataggio();
}

void TFSVen0001f_p::UT_LMQ_RicostruisciCastelletto()
{
    if (!Castelletto->UT_LMQ_StatoCauzDoc || Castelletto->CopiaVuota())
        Castelletto->RicostruisciRighePostate(TTesta, TRighe, TDatiAggiuntivi);
}

void TFSVen0001f_p::CostruisciRiepilogo()
{
    Castelletto->PostaCopia();
    if (TTesta->Active() && !TTesta->IsEmpty())
        TTesta->FieldByName(QStringLiteral("_UT_LMQ_ListCauz"))->AsString();
    // a build error has shown its text: the save ends before the transaction
    UT_LMQ_RicostruisciCastelletto();
    TFSVen0001f::CostruisciRiepilogo();
}

void TFSVen0001f_p::StampaDocumento(bool anteprima)
{
    StampaRegistrato<TfSven0002s_p>(anteprima);
}

#include "host/business/Sacq0001f.h"

#include "host/business/Dmibmag.h"
#include "host/business/Sacq0002s.h"
#include "host/core/Errors.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/ui/Kmessages.h"

namespace {

TXDatabase &Azienda()
{
    return DMIDataBases::Instance().Global();
}

} // namespace

TTipoDocumento TFSAcq0001f::Tipo()
{
    TTipoDocumento t;
    t.CodTipoDoc = 10;
    t.Sigla = QStringLiteral("DTA");
    t.Descrizione = QStringLiteral("DDT fornitore");
    t.TabellaTeste = QStringLiteral("BolleForTeste");
    t.TabellaRighe = QStringLiteral("BolleForRighe");
    t.TabellaTotali = QStringLiteral("BolleForTot");
    t.TabellaRigheLocale = QStringLiteral("t_RigheBolleFor");
    t.ChiaveTesta = QStringLiteral("KBolleForT");
    t.ChiaveRigo = QStringLiteral("KBolleForR");
    t.CampoContoTp = QStringLiteral("IdFornitoreTp");
    t.CampoConto = QStringLiteral("IdFornitore");
    t.TipoConto = QStringLiteral("FO");
    t.TabellaCausali = QStringLiteral("CausaliBolleFor");
    return t;
}

TFSAcq0001f::TFSAcq0001f(QWidget *owner) : TFDocumento(Tipo(), owner)
{
    setObjectName(QStringLiteral("FSAcq0001f"));
    SetCaption(QStringLiteral("DDT Fornitori"));
    MostraStampa(true);
}

bool TFSAcq0001f::InitForm(int, qint64 chiave)
{
    return chiave == 0 ? InitDoc(0) : CaricaDocumento(chiave);
}

void TFSAcq0001f::FormClose(TCloseAction &action)
{
    TFDocumento::FormClose(action);
    if (FSAcq0001f == this)
        FSAcq0001f = nullptr;
}

bool TFSAcq0001f::CaricaDocumento(qint64 chiave)
{
    if (!TFDocumento::CaricaDocumento(chiave))
        return false;
    FlParzialmenteEvaso =
        Azienda()
            .ScalarValue(QStringLiteral("SELECT 1 FROM BolleForRighe WHERE KBolleForT = ? AND FlSaldoRigo <> 0"),
                         {chiave})
            .isValid();
    return true;
}

void TFSAcq0001f::CancellaDocumento()
{
    if (FlParzialmenteEvaso) {
        Kmessages::KMessage(QStringLiteral("Il documento risulta parzialmente evaso. Impossibile cancellare."),
                            mtWarning, mbOK);
        return;
    }
    TFDocumento::CancellaDocumento();
}

bool TFSAcq0001f::ControlliPreliminari()
{
    if (!TFDocumento::ControlliPreliminari())
        return false;
    return !FlControlloMagazzino || TDMIBMag::Crea()->ControllaRigheMagazzino(TipoDoc().CodTipoDoc, TTesta, TRighe);
}

void TFSAcq0001f::CodaSalvataggio()
{
    TFDocumento::CodaSalvataggio();
    if (ModoSalva == 1) {
        TTestaDB->Edit();
        TTestaDB->FieldByName(QStringLiteral("FlGenFattura"))->SetAsInteger(GetBollaFatturata() ? 1 : 0);
        TTestaDB->Post();
    }
}

bool TFSAcq0001f::GetBollaFatturata()
{
    return Azienda()
               .ScalarValue(QStringLiteral("SELECT FlGenFattura FROM BolleForTeste WHERE KBolleForT = ?"),
                            {KeyCorrente()})
               .toInt()
           != 0;
}

void TFSAcq0001f::DopoSalvataggio()
{
    const int modo = ModoSalva;
    TFDocumento::DopoSalvataggio();
    if (modo == 0) {
        StampaEtichetteMatricole();
        ArchiviaDocumento();
    }
}

void TFSAcq0001f::StampaEtichetteMatricole() {}

void TFSAcq0001f::ArchiviaDocumento() {}

void TFSAcq0001f::StampaDocumento(bool anteprima)
{
    StampaRegistrato<TfSAcq0002s>(anteprima);
}

#include "host/business/Sofc0001f.h"

TTipoDocumento TFSOfc0001f::Tipo()
{
    TTipoDocumento t;
    t.CodTipoDoc = 4;
    t.Sigla = QStringLiteral("OF");
    t.Descrizione = QStringLiteral("Offerta");
    t.TabellaTeste = QStringLiteral("OfferteCliTeste");
    t.TabellaRighe = QStringLiteral("OfferteCliRighe");
    t.TabellaTotali = QStringLiteral("OfferteCliTot");
    t.TabellaRigheLocale = QStringLiteral("t_RigheOffCli");
    t.ChiaveTesta = QStringLiteral("KOfferteCliT");
    t.ChiaveRigo = QStringLiteral("KOfferteCliR");
    t.CampoContoTp = QStringLiteral("IdClienteTp");
    t.CampoConto = QStringLiteral("IdCliente");
    t.TipoConto = QStringLiteral("CL");
    t.TabellaCausali = QStringLiteral("CausaliOfferteCli");
    return t;
}

TFSOfc0001f::TFSOfc0001f(QWidget *owner) : TFDocumentoOrdine(Tipo(), owner)
{
    setObjectName(QStringLiteral("FSOfc0001f"));
    SetCaption(QStringLiteral("Offerte Clienti"));
}

bool TFSOfc0001f::InitForm(qint64 chiave)
{
    return chiave == 0 ? InitDoc(0) : CaricaDocumento(chiave);
}

void TFSOfc0001f::FormClose(TCloseAction &action)
{
    TFDocumentoOrdine::FormClose(action);
    if (FSOfc0001f == this)
        FSOfc0001f = nullptr;
}

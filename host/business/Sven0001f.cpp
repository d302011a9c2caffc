#include "host/business/Sven0001f.h"

#include "host/business/Sven0002s.h"
#include "host/core/Errors.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/ui/Kmessages.h"

TTipoDocumento TFSVen0001f::Tipo()
{
    TTipoDocumento t;
    t.CodTipoDoc = 0;
    t.Sigla = QStringLiteral("DT");
    t.Descrizione = QStringLiteral("DDT");
    t.TabellaTeste = QStringLiteral("BolleCliTeste");
    t.TabellaRighe = QStringLiteral("BolleCliRighe");
    t.TabellaTotali = QStringLiteral("BolleCliTot");
    t.TabellaRigheLocale = QStringLiteral("t_RigheBolleCli");
    t.ChiaveTesta = QStringLiteral("KBolleCliT");
    t.ChiaveRigo = QStringLiteral("KBolleCliR");
    t.CampoContoTp = QStringLiteral("IdClienteTp");
    t.CampoConto = QStringLiteral("IdCliente");
    t.TipoConto = QStringLiteral("CL");
    t.TabellaCausali = QStringLiteral("CausaliBolleCli");
    return t;
}

TFSVen0001f::TFSVen0001f(QWidget *owner) : TFDocumento(Tipo(), owner)
{
    setObjectName(QStringLiteral("FSVen0001f"));
    SetCaption(QStringLiteral("DDT Clienti"));
    MostraStampa(true);
}

bool TFSVen0001f::InitForm(int tipo, qint64 chiave, int)
{
    TipoBolla = tipo;
    return chiave == 0 ? InitDoc(0) : CaricaDocumento(chiave);
}

void TFSVen0001f::FormClose(TCloseAction &action)
{
    TFDocumento::FormClose(action);
    if (FSVen0001f == this)
        FSVen0001f = nullptr;
}

bool TFSVen0001f::BollaFatturata() const
{
    return KeyCorrente() != 0
           && DMIDataBases::Instance()
                  .Global()
                  .ScalarValue(QStringLiteral("SELECT 1 FROM BolleCliRighe WHERE KBolleCliT = ? AND FlGenFattura <> 0"),
                               {KeyCorrente()})
                  .isValid();
}

bool TFSVen0001f::ControlliTesta()
{
    if (BollaFatturata()) {
        Kmessages::KMessage(QStringLiteral("Il DDT è già stato fatturato: non può essere modificato."), mtWarning,
                            mbOK);
        return false;
    }
    return TFDocumento::ControlliTesta();
}

void TFSVen0001f::TRigheBeforeDelete(TDataSet *dataSet)
{
    if (dataSet->FieldByName(QStringLiteral("FlGenFattura"))->AsInteger() != 0)
        throw Exception(QStringLiteral("Il rigo è già stato fatturato: non può essere cancellato."));
    TFDocumento::TRigheBeforeDelete(dataSet);
}

void TFSVen0001f::TRigheBeforePost(TDataSet *dataSet)
{
    if (!FlInCaricamento && dataSet->FieldByName(QStringLiteral("FlGenFattura"))->AsInteger() != 0
        && dataSet->FieldByName(QStringLiteral("Stato"))->AsInteger() != 3)
        throw Exception(QStringLiteral("Il rigo è già stato fatturato: non può essere modificato."));
    TFDocumento::TRigheBeforePost(dataSet);
}

void TFSVen0001f::CancellaDocumento()
{
    if (BollaFatturata()) {
        Kmessages::KMessage(QStringLiteral("Il DDT è già stato fatturato: non può essere cancellato."), mtWarning,
                            mbOK);
        return;
    }
    TFDocumento::CancellaDocumento();
}

// checked again inside the transaction, on the rows as stored: an invoice saved meanwhile by
// another user
void TFSVen0001f::ControllaRigheDaEliminare()
{
    TField *testa = TRigheDB->FieldByName(QStringLiteral("KBolleCliT"));
    TField *fatturato = TRigheDB->FieldByName(QStringLiteral("FlGenFattura"));
    for (TRigheDB->First(); !TRigheDB->Eof(); TRigheDB->Next())
        if (testa->AsLargeInt() == KeyCorrente() && fatturato->AsInteger() != 0)
            throw Exception(QStringLiteral("Il DDT è già stato fatturato: non può essere cancellato."));
}

void TFSVen0001f::StampaDocumento(bool anteprima)
{
    StampaRegistrato<TfSven0002s>(anteprima);
}

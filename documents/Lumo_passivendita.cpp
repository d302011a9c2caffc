#include "documents/Lumo_passivendita.h"

#include "documents/Lumo_castdoc.h"
#include "engine/Lumo_funzdocven.h"
#include "frame/Lumo_parametri.h"
#include "host/business/Documento.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TDataSource.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"

#include <QScopeGuard>

namespace LumoPassiVendita {

namespace {

int FlagPrenotazioni(TFDocumento *f)
{
    return f->TTesta->FieldByName(QStringLiteral("_UT_LMQ_FlAbilPrenota"))->AsInteger();
}

} // namespace

void TotaleLitri(TFDocumento *f)
{
    UT_LMQ_DVEN_TotLitriDoc(f->DSMain->DataSet(), f->DsRighe->DataSet());
}

void ColliTrasporto(bool &calcolati, const std::function<void()> &ricalcola)
{
    const auto fine = qScopeGuard([&calcolati] { calcolati = false; });
    if (!calcolati)
        ricalcola();
}

bool ControlloPrenotazioni(TFDocumento *f, const QString &sigla)
{
    if (UT_LMQ_Parametri.FlAbilPrenota != 0 && FlagPrenotazioni(f) == 2 && f->ModoSalva == 0)
        return UT_LMQ_DVEN_EvadiPrenotazioni(f->TTesta, f->DsRighe->DataSet(), f->TRRighe, 99, sigla);
    return true;
}

void EvadiPrenotazioni(TFDocumento *f, const QString &sigla)
{
    if (UT_LMQ_Parametri.FlAbilPrenota != 0 && FlagPrenotazioni(f) > 0)
        UT_LMQ_DVEN_EvadiPrenotazioni(f->TTesta, f->DsRighe->DataSet(), f->TRRighe, f->ModoSalva, sigla);
}

void RegistraRiepilogo(TFDocumento *f, TLumoCastDoc *castelletto, const QString &sigla)
{
    Funzioni::CheckTabOpen(castelletto->TTLUMO_CauzDoc);
    UT_LMQ_DVEN_RegCastCauz(f->TTesta, castelletto->TTLUMO_CauzDoc, castelletto->TRSLUMO_CauzDoc, f->ModoSalva, sigla,
                            f->ModoSalva == 2 ? f->TestaDaEliminare() : nullptr);
}

void CodiceSpeseImballo(TFDocumento *f, const QString &sigla)
{
    if (f->TotaliDaRicalcolare())
        UT_LMQ_DVEN_CodiceSpeseImballo(f->TTesta, f->TTotali, sigla);
}

} // namespace LumoPassiVendita

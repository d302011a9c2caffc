#include "frame/Lumo_parametri.h"

#include "frame/Dmilumo.h"
#include "frame/Qarn0001f.h"
#include "host/db/ConfigStore.h"
#include "host/db/DMIDataBases.h"
#include "host/ui/MDIForm.h"

#include <memory>

void UT_LMQ_GEN_LeggoParametri()
{
    if (!DMILUMO)
        throw Exception(QStringLiteral("Modulo dati DMILUMO non creato"));
    TXlkTable *lk = DMILUMO->lkLUMO_Parametri;
    // The lookup holds the row from its opening on; the configuration window closes it after
    // a save, so the saved row is read at the next menu choice.
    if (!lk->Active())
        lk->Open();
    if (lk->Locate(QStringLiteral("IdCodice"), QStringLiteral("1"))) {
        auto intero = [lk](const char *campo) { return lk->FieldByName(QLatin1String(campo))->AsInteger(); };
        auto testo = [lk](const char *campo) { return lk->FieldByName(QLatin1String(campo))->AsString(); };
        TUT_PLMQ_Parametri &p = UT_LMQ_Parametri;
        p.FlQtaConf = intero("FlQtaConf");
        p.FlAbilTrasporto = intero("FlAbilTrasporto");
        p.FlAbilCauz = intero("FlAbilCauz");
        p.FlAbilAccisa = intero("FlAbilAccisa");
        p.FlAbilSchedaPro = intero("FlAbilSchedaPro");
        p.FlStaRegCon = intero("FlStaRegCon");
        p.FlStaRegCau = intero("FlStaRegCau");
        p.FlStaRegCs = intero("FlStaRegCs");
        p.FlStaRegImb = intero("FlStaRegImb");
        p.FlStaRegSpum = intero("FlStaRegSpum");
        p.FlAbilStatis = intero("FlAbilStatis");
        p.FlAbilPrenota = intero("FlAbilPrenota");
        p.FlAbilVinifica = intero("FlAbilVinifica");
        p.Password = testo("Password");
        p.FlTipoPrz = intero("FlTipoPrz");
        p.MeseIniBilDicGia = intero("MeseIniBilDicGia");
        p.PathCarImg = testo("PathCarImg");
        p.LungCodArtPad = intero("LungCodArtPad");
        p.FlGestEcc = intero("FlGestEcc");
    }
    UT_LMQ_Parametri.LMQ_CodAcc = Funzioni::LeggiConfigVar(DMIDataBases::Instance().Global(), QStringLiteral("QARN"),
                                                           QStringLiteral("01"), QStringLiteral("LMQ_CodAcc"));
}

void UT_LUMO_ParametriModulo()
{
    std::unique_ptr<Tfqarn0001f> form(CreateObjectAs<Tfqarn0001f>(ClassRef::Of<Tfqarn0001f>(), Application));
    form->ShowModal();
    form.reset();
    if (Mdimainbase::MDIForm && Mdimainbase::MDIForm->MDIChildCount() == 0)
        Mdimainbase::MDIForm->AggiornaMenu();
}

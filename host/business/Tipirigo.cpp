#include "host/business/Tipirigo.h"

#include "host/business/Dmibase.h"

namespace Tipirigo {

std::optional<TRTipoRigo> TRGetTipoRigo(int, const QVariant &, int tipoRigo)
{
    TXlkTable *t = TDMIBase::Crea()->lkTipiRigo;
    if (!TDMIBase::Posiziona(t, QStringLiteral("TipoRigo"), {tipoRigo}))
        return std::nullopt;
    const auto flag = [t](const char *campo) { return t->FieldByName(QLatin1String(campo))->AsInteger() == 1; };
    TRTipoRigo r;
    r.TipoRigo = tipoRigo;
    r.DsTipoRigo = t->FieldByName(QStringLiteral("DsTipoRigo"))->AsString();
    r.FlClasse = t->FieldByName(QStringLiteral("FlClasse"))->AsInteger();
    r.FlBolle = flag("FlBolle");
    r.FlFatture = flag("FlFatture");
    r.FlTestEvasione = flag("FlTestEvasione");
    r.FlConvQuantita = flag("FlConvQuantita");
    r.FlDefault = flag("FlDefault");
    r.FlDistintaBase = flag("FlDistintaBase");
    r.FlNoScontoTesta = flag("FlNoScontoTesta");
    r.FlObsoleto = flag("FlUtilizzo");
    return r;
}

} // namespace Tipirigo

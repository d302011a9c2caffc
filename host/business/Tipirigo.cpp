#include "host/business/Tipirigo.h"

#include "host/business/Dmibase.h"

namespace Tipirigo {

std::optional<TRTipoRigo> TRGetTipoRigo(int, const QVariant &, int tipoRigo)
{
    TXlkTable *t = TDMIBase::Crea()->lkTipiRigo;
    if (!TDMIBase::Posiziona(t, QStringLiteral("TipoRigo"), {tipoRigo}))
        return std::nullopt;
    const auto flag = [t](const QString &campo) { return t->FieldByName(campo)->AsInteger() == 1; };
    TRTipoRigo r;
    r.TipoRigo = tipoRigo;
    r.DsTipoRigo = t->FieldByName(QStringLiteral("DsTipoRigo"))->AsString();
    r.FlClasse = t->FieldByName(QStringLiteral("FlClasse"))->AsInteger();
    r.FlBolle = flag(QStringLiteral("FlBolle"));
    r.FlFatture = flag(QStringLiteral("FlFatture"));
    r.FlTestEvasione = flag(QStringLiteral("FlTestEvasione"));
    r.FlConvQuantita = flag(QStringLiteral("FlConvQuantita"));
    r.FlDefault = flag(QStringLiteral("FlDefault"));
    r.FlDistintaBase = flag(QStringLiteral("FlDistintaBase"));
    r.FlNoScontoTesta = flag(QStringLiteral("FlNoScontoTesta"));
    r.FlObsoleto = flag(QStringLiteral("FlUtilizzo"));
    return r;
}

} // namespace Tipirigo

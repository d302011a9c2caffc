#include "engine/Dmi_bmag_p.h"

#include "frame/Dusaria.h"
#include "host/data/TDataSet.h"

DUSARIA_CLASSE(TDMIBMag_p);

namespace {

// A column of the row; one the row's table lacks reads empty.
double Numero(const TDataSet *rigo, const char *campo)
{
    const TField *f = TDMIBMag_p::CampoDataset(rigo, campo);
    return f ? f->AsFloat() : 0.0;
}

} // namespace

void TDMIBMag_p::SettaCampiMovimento(TContestoMovimento &c, int subNumOrdine)
{
    TDMIBMag::SettaCampiMovimento(c, subNumOrdine);
    UT_LMQ_CampiMovimento(c);
}

void TDMIBMag_p::UT_LMQ_CampiMovimento(TContestoMovimento &c)
{
    TDataSet *m = c.Movimenti;
    const TDataSet *r = c.Rigo;
    // a column of the movement (named when missing)
    const auto campo = [m](const char *nome) {
        TField *f = CampoDataset(m, nome);
        return f ? f : m->FieldByName(QLatin1String(nome));
    };
    const double imballo = Numero(r, "Quantita2");
    campo("UT_LMQ_QtaImballo")->SetAsFloat(imballo != 0 ? imballo : 1.0);
    const double confezioni = Numero(r, "Lunghezza");
    campo("UT_LMQ_NumConf")->SetAsFloat(confezioni != 0 ? confezioni : Numero(r, "Quantita"));
    if (c.CodTipoDoc == 10 || c.CodTipoDoc == 11 || c.CodTipoDoc == 13)
        return;
    const TField *numero = CampoDataset(r, "UT_LMQ_NumDoco");
    campo("UT_LMQ_NumDoco")->SetAsString(numero ? numero->AsString() : QString());
    const TField *data = CampoDataset(r, "UT_LMQ_DataDoco");
    const QDateTime giorno = data ? data->AsDateTime() : QDateTime();
    campo("UT_LMQ_DataDoco")->SetValue(giorno.isNull() ? QVariant() : QVariant(giorno));
    const TField *tipoPrezzo = CampoDataset(r, "UT_LMQ_FlTipoPrz");
    campo("UT_LMQ_FlTipoPrz")->SetAsInteger(tipoPrezzo ? tipoPrezzo->AsInteger() : 0);
    campo("UT_LMQ_PrezzoTra")->SetAsFloat(Numero(r, "UT_LMQ_PrezzoTra"));
}

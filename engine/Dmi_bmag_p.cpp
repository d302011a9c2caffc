#include "engine/Dmi_bmag_p.h"

#include "frame/Dusaria.h"
#include "host/core/Errors.h"
#include "host/data/DatasetFunctions.h"
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

bool TDMIBMag_p::GeneraMovimentoMagazzino(int statoRigo, int codTipoDoc, const QString &idCausale,
                                          const QString &idCosto, bool costiAttivi, TDataSet *testa, TDataSet *rigo,
                                          TDataSet *movimenti, TDataSet *esistenze, TDataSet *partite,
                                          TDataSet *movimentiD, TXQuery *query, TDataSet *dettaglioQta)
{
    TContestoMovimento c = ContestoMovimento(statoRigo, codTipoDoc, idCausale, idCosto, costiAttivi, testa, rigo, movimenti,
                                             esistenze, partite, movimentiD, query, dettaglioQta);
    try {
        // 1-8. article, rows that book nothing, setting, causal, exercise, keys, serial records
        if (!LeggiDatiMovimento(c))
            return true;
        Funzioni::CheckTabOpen(c.Movimenti);
        // 9-10. a whole document deleted: the movements go together after its rows
        if (c.StatoRigo == 3 && RinviaEliminazione(c))
            return true;
        // 9. the movement booked before, undone
        if (c.StatoRigo == 1 || c.StatoRigo == 3) {
            c.MovimentoTrovato = TrovaMovimento(c, 0);
            if (c.MovimentoTrovato)
                StornaMovimento(c);
        }
        // 10.
        if (c.StatoRigo == 3) {
            EliminaMovimenti(c);
            return true;
        }
        // 11-12. the row's movement
        ApriMovimento(c, 0, c.MovimentoTrovato);
        SettaCampiMovimento(c, 0);
        UT_LMQ_CampiMovimento(c);
        RegistraMovimento(c, 0);
        // 13. the counter-movement
        if (c.Causale.ConContromovimento()) {
            bool trovato = false;
            if (c.StatoRigo == 1 && c.MovimentoTrovato && c.ControPrecedente) {
                trovato = TrovaMovimento(c, 1);
                if (!trovato)
                    throw Exception(QStringLiteral("Rigo di magazzino non trovato"));
                StornaMovimento(c);
            }
            ApriMovimento(c, 1, trovato);
            SettaCampiMovimento(c, 1);
            UT_LMQ_CampiMovimento(c);
            SettaCampiContromovimento(c);
            RegistraMovimento(c, 1);
        } else if (c.StatoRigo != 2 && TrovaMovimento(c, 1)) {
            StornaMovimento(c);
            c.Movimenti->Delete();
        }
        // 14.
        return true;
    } catch (const std::exception &e) {
        ErroreMovimento(c, e);
    }
    return false;
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

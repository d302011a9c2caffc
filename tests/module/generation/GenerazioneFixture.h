#pragma once
// The module's invoice generation window opened with a run's parameters of March 2026.
#include "tests/module/documents/FattureModuloFixture.h"

#include "documents/Sven0007d_p.h"
#include "host/data/TXMemTable.h"

class GenerazioneFatture : public FattureModulo {
protected:
    // The window with its parameters filled: the invoices' causal, the notes' causal, a
    // provisional or definitive run and the grouping.
    TFSVen0007d_p *FinestraGenerazione(const QString &causale, const QString &causaleBolla, int provvisoria,
                                       int raggruppamento)
    {
        auto *g = Apri<TFSVen0007d_p>(QStringLiteral("SVEN0007D"));
        if (!g)
            return nullptr;
        TXMemTable *p = g->tPars;
        if (p->State() == dsBrowse)
            p->Edit();
        p->FieldByName(QStringLiteral("DataFattura"))->SetAsDateTime(Giorno(2026, 3, 31));
        p->FieldByName(QStringLiteral("IdCausale"))->SetAsString(causale);
        p->FieldByName(QStringLiteral("DataDa"))->SetAsDateTime(Giorno(2026, 3, 1));
        p->FieldByName(QStringLiteral("DataA"))->SetAsDateTime(Giorno(2026, 3, 31));
        p->FieldByName(QStringLiteral("IdCausaleBolla"))->SetAsString(causaleBolla);
        p->FieldByName(QStringLiteral("Raggruppamento"))->SetAsInteger(raggruppamento);
        p->FieldByName(QStringLiteral("FlProvvisoria"))->SetAsInteger(provvisoria);
        return g;
    }
};

#pragma once
// The company settings record CFG: what the host knows about the company in use.
// The defaults stand until a company database is loaded (ConfigStore).
#include <QString>

struct TCFG {
    QString RagioneSociale = QStringLiteral("Azienda");
    QString IdDivisa = QStringLiteral("EUR"); // national (accounting) currency
    int Anno = 0;                             // fiscal year in use

    int NumScontiRigo = 3;  // discounts in use on document rows (Sconto1..)
    int NumScontiTesta = 3; // discounts in use on document heads
    // Sign applied to a discount percentage: -1, a discount typed as 10 lowers the amount by
    // 10%; 1, discounts are typed negative.
    int SegnoSconti = -1;

    // Decimals of the number kinds (KFormati::GetDecimali).
    int DecQuantita = 3;
    int DecQuantita2 = 3;
    int DecPrezzoIT = 4;
    int DecPrezzoES = 4;
    int DecValoreIT = 2;
    int DecValoreES = 4;
    int DecPercentuale = 2;

    int FlMovMagazzino = 1; // 1: documents write warehouse movements; 2: they book none

    // Stamp duty of bills of exchange: rate (percent) and minimum, for documents in the
    // national currency and for foreign-currency documents. 0: no duty configured.
    double PercBolliTratte = 0;
    double MinBolliTratte = 0;
    double PercBolliTratteES = 0;
    double MinBolliTratteES = 0;

    TCFG(); // fiscal year = the current year
};

extern TCFG CFG;

namespace Applvar {
using ::CFG;
using ::TCFG;
} // namespace Applvar

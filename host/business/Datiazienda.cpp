#include "host/business/Datiazienda.h"

#include "host/core/Applvar.h"

void Applvar::CaricaDatiAzienda(TXDatabase &db)
{
    const QVariant segno = db.ScalarValue(QStringLiteral("SELECT SegnoSconti FROM DatiAzienda WHERE IdAzienda = 1"));
    const int s = segno.toInt();
    CFG.SegnoSconti = s == 1 || s == -1 ? s : TCFG().SegnoSconti;
}

#pragma once
// The follow-up print of the delivery-note print dialog (host print name "TfBBas0160s"):
// the stand-in keeps no follow-up documents, so InitForm finds nothing to print.
#include "host/report/TfKV8ReportB.h"

#include <QDateTime>
#include <QString>

class TfBBas0160s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit TfBBas0160s(QObject *owner = nullptr);
    // The print the host makes: the class registered as "TfBBas0160s", or this one.
    static TfBBas0160s *Crea(QObject *owner);

    // True when there is anything to print: never in the stand-in.
    virtual bool InitForm(int Tipo, int AnnoDa, int SerieDa, int NumeroDa, int AnnoA, int SerieA, int NumeroA,
                          int Riservato1, const QDateTime &DataDa, const QDateTime &DataA, const QString &IdContoTp,
                          const QString &IdContoDa, const QString &IdContoA, int Riservato2, int Riservato3,
                          int Riservato4, int Riservato5, bool SoloNonStampati);
};

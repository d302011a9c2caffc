#include "documents/Sacq0002s_p.h"

#include "documents/Sven0002s_p.h"
#include "engine/Lumo_funzdocven.h"
#include "frame/Dusaria.h"
#include "host/business/Dmibase.h"
#include "host/data/TXQuery.h"

DUSARIA_CLASSE(TfSAcq0002s_p);

TfSAcq0002s_p::TfSAcq0002s_p(QObject *owner) : TfSAcq0002s(owner)
{
    UT_LMQ_DVEN_CampiStampaDoc(qMain, TDMIBase::Crea()->lkCausBolleFor);
}

void TfSAcq0002s_p::qMainCalcFields(TDataSet *DataSet)
{
    TfSAcq0002s::qMainCalcFields(DataSet);
    UT_LMQ_DVEN_StampaCastelletto(DataSet, 4);
}

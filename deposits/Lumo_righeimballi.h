#pragma once
// The packaging rows of a deposit master/detail window (price lists, journal, returns): one
// buffer of rows under the head with the packaging name looked up, its datasets under the
// window's names and its events bound to the window's row handlers.
#include "masterdata/Lumo_MasterDettaglio.h"

class QWidget;
class TDataSet;
class TDataSource;
class TXClientTable;
class TXQuery;
class TXTable;

class TLumoRigheImballi {
public:
    virtual ~TLumoRigheImballi() = default;

    TLumoBufferRighe *bDettaglio = nullptr;
    TXQuery *qDettaglio = nullptr;
    TXTable *TTDettaglio = nullptr;
    TXClientTable *TRSDettaglio = nullptr;
    TDataSource *DSDettaglio = nullptr;

    virtual void TTDettaglioNewRecord(TDataSet *DataSet) = 0;
    virtual void TTDettaglioBeforePost(TDataSet *DataSet) = 0;
    virtual void TTDettaglioBeforeDelete(TDataSet *DataSet) = 0;

protected:
    // Adds the buffer to the window: its local and stored tables, the fields that find a
    // stored row, the empty selection and the order; the row panel takes the focus on IdImballo.
    void AggiungiRigheImballi(TFLumoMasterDettaglio *finestra, const QString &tabellaLocale,
                              const QString &tabellaArchivio, const QString &campiLocate, const QString &xWhereVuoto,
                              const QString &ordine, QWidget *pannelloRiga);
    // The save's check of the head's account (IdConto): a new or changed head without one
    // shows the text in an error box and answers false.
    static bool ContoImpostato(const TFLumoMasterDettaglio &finestra, const QString &testo);
};

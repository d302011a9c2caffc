#pragma once
// The windows of the registers' progressives: a head on a stored table with its warehouse
// grouping (IdRaggMag, described by _DsRaggMag) and one buffer of rows, TTDettaglio, shown in
// the window's grid and edited in its row panel, saved with the head in one transaction.
#include "masterdata/Lumo_MasterDettaglio.h"

class KDBGriglia;

class TFLumoProgressivi : public TFLumoMasterDettaglio {
    Q_OBJECT
public:
    TXTable *tMain = nullptr;
    TLumoBufferRighe *bDettaglio = nullptr;
    TXQuery *qDettaglio = nullptr;
    TXTable *TTDettaglio = nullptr;
    TXClientTable *TRSDettaglio = nullptr;
    TDataSource *DSDettaglio = nullptr;

    void FormCreate() override;
    virtual void tMainIdRaggMagValidate(TField *Sender);
    virtual void TTDettaglioNewRecord(TDataSet *DataSet);
    virtual void TTDettaglioBeforePost(TDataSet *DataSet);
    virtual void TTDettaglioBeforeDelete(TDataSet *DataSet);

protected:
    explicit TFLumoProgressivi(QWidget *owner);

    // The head: the stored table in the order of indice, its key fields, and the text that
    // refuses a grouping not in LUMO_RaggMagT. After the window's layout is set up.
    void PreparaTesta(const QString &tabella, const QString &indice, const QString &campiChiave,
                      const QString &gruppoNonValido);
    // The buffer with its handlers, the field focused on a new row, the row panel and the
    // grid's options (whole rows selected).
    void PreparaDettaglio(const TLumoDefinizioneBuffer &definizione, const QString &campoFuoco, QWidget *pannelloRiga,
                          KDBGriglia *griglia);

private:
    QString gruppoNonValido_;
};

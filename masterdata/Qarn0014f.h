#pragma once
// The transport price lists (menu code "QARN0014F"): a list (LUMO_ListTraT) with its
// reference rows (LUMO_ListTraD, buffer TTDettaglio, page "Riferimenti") and its article rows
// (LUMO_ListTraR, buffer TTListTraR, page "Articoli"), both saved with the head in one
// transaction. Keys are drawn: the head's at insert, each new stored row's at save.
#include "masterdata/Lumo_MasterDettaglio.h"

#include <QPointer>

class TDBCodeEdit;
class TXlkTable;

namespace Ui {
class Qarn0014f;
}

class TFqarn0014f : public TFLumoMasterDettaglio {
    Q_OBJECT
public:
    explicit TFqarn0014f(QWidget *owner = nullptr);
    ~TFqarn0014f() override;

    TXTable *tMain;
    TXlkTable *lkSpedizionieri;
    TXlkTable *lkZone;
    TXlkTable *lkCategorie;
    // reference rows
    TLumoBufferRighe *bDettaglio;
    TXQuery *qDettaglio;
    TXTable *TTDettaglio;
    TXClientTable *TRSDettaglio;
    TDataSource *DSDettaglio;
    // article rows
    TLumoBufferRighe *bListTraR;
    TXQuery *qListTraR;
    TXTable *TTListTraR;
    TXClientTable *TRSListTraR;
    TDataSource *DSListTraR;

    // The loading flag of the article buffer (the reference buffer's is InCopiaDati).
    bool InCopiaDatiR() const;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    bool InizializzaDati(int chiave) override;

    virtual void tMainNewRecord(TDataSet *DataSet);
    virtual void tMainIdDivisaValidate(TField *Sender);
    virtual void TTDettaglioNewRecord(TDataSet *DataSet);
    virtual void TTDettaglioBeforePost(TDataSet *DataSet);
    virtual void TTDettaglioBeforeDelete(TDataSet *DataSet);
    virtual void TTDettaglioAfterScroll(TDataSet *DataSet);
    virtual void TTDettaglioIdSpedizioneValidate(TField *Sender);
    virtual void TTDettaglioIdZonaValidate(TField *Sender);
    virtual void TTDettaglioIdContoValidate(TField *Sender);
    virtual void TTDettaglioIdDestinazioneValidate(TField *Sender);
    virtual void TTDettaglioFlTipoGestValidate(TField *Sender);
    // Enables the amount and percentage of the current reference row when it is charged on
    // the document totals (FlTipoGest 1).
    virtual void SettaRigaRiferimenti();
    virtual void edIdContoRicerca(TDBCodeEdit *Sender, QString &filtro);
    virtual void edIdDestinazioneRicerca(TDBCodeEdit *Sender, QString &filtro);
    virtual void TTListTraRNewRecord(TDataSet *DataSet);
    virtual void TTListTraRBeforePost(TDataSet *DataSet);
    virtual void TTListTraRBeforeDelete(TDataSet *DataSet);
    virtual void TTListTraRIdProdottoValidate(TField *Sender);
    virtual void TTListTraRIdCategoriaValidate(TField *Sender);

protected:
    bool ControlliRegistrazione() override;
    void FuocoCodiceTesta() override;

private:
    Ui::Qarn0014f *ui;
};

inline QPointer<TFqarn0014f> Fqarn0014f;

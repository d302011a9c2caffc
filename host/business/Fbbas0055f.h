#pragma once
// The articles window (menu code "BBAS0055F"), over the table Articoli (dataset TArticoli):
// the list, then the pages "Anagrafica" (code, descriptions, category, units, VAT code,
// bar code, kind), "Dati prodotto" (the product panel pnProdotto with the measures
// FlTipoMisure and their label lbFlTipoMisure, the case packaging IdImballo and QtaImballo;
// weights and volume; the managements) and "Note". Deleting an article deletes its prices.
#include "host/business/Anagrafica.h"

#include <QPointer>

class QLabel;
class TDBCodeEdit;
class TDBComboBox;

namespace Ui {
class Fbbas0055f;
}

class TFbbas0055f : public TFBBasAnagrafica {
    Q_OBJECT
public:
    explicit TFbbas0055f(QWidget *owner = nullptr);
    ~TFbbas0055f() override;

    TXTabellaAnagrafica *TArticoli = nullptr;
    QWidget *tsAnagrafica = nullptr;
    QWidget *tsProdotto = nullptr;
    QWidget *tsNote = nullptr;
    QWidget *pnProdotto = nullptr;
    QLabel *lbFlTipoMisure = nullptr;
    TDBComboBox *cbFlTipoMisure = nullptr;
    TDBCodeEdit *edIdImballo = nullptr;
    TDBEdit *edQtaImballo = nullptr;

    void FormClose(TCloseAction &action) override;
    virtual void TArticoliBeforePost(TDataSet *DataSet);
    virtual void TArticoliBeforeDelete(TDataSet *DataSet);

protected:
    QStringList TabelleCollegate() const override;

private:
    Ui::Fbbas0055f *ui;
};

inline QPointer<TFbbas0055f> Fbbas0055f;

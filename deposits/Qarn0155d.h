#pragma once
// The credit notes for returned packaging ("Generazione Note di Credito x Resi Cauzioni", menu
// code "QARN0155D"): for the customers listed, one credit note refunding the invoiced deposit
// balance per packaging code at the prices of a deposit price list, as the note's packaging
// expenses, booked on the deposit side as returned.
#include "deposits/Lumo_fattcauz.h"

#include <QPointer>

class KDBGriglia;
class TDBNavigator;
class TDataSource;
class TXClientTable;
class TXQuery;
class TXTable;

namespace Ui {
class Qarn0155d;
}

class TFqarn0155d : public TFCauzFatturazione {
    Q_OBJECT
public:
    explicit TFqarn0155d(QWidget *owner = nullptr);
    ~TFqarn0155d() override;

    TXTable *ttElencoClienti; // LUMO_T_CLINC
    TXTable *ttCauCliNC;      // LUMO_T_CAUCLINC
    TXTable *t_RigheFattCli;
    TXClientTable *tTotali; // FattureCliTot
    TXQuery *qRicCauCli;
    TXQuery *qAggCli;
    TXQuery *qAggCau;
    TDataSource *dsElencoClienti;
    KDBGriglia *gElencoClienti;
    TDBNavigator *navElencoClienti;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;

protected:
    void PreparaDati() override;
    QList<TDataSet *> AltriDataSet() override;
    int RigheDaElaborare() override;
    void Genera() override;

    virtual bool GetNumeroFattura(TDataSet *protIva, int anno, int serie, int tipoRegistro, int &numero,
                                  const QDateTime &data);
    virtual bool SetNumeroFattura(TDataSet *protIva, int anno, int serie, int tipoRegistro, int numero,
                                  const QDateTime &data);
    virtual void CalcolaTotali(TDataSet *totali, TXQuery *queryAux);

private:
    void ttElencoClientiIDCLIENTEValidate(TField *f);
    void ttElencoClientiBeforePost(TDataSet *d);
    void RegistraCauzioni();

    TXQuery *qAux;
    Ui::Qarn0155d *ui;
};

inline QPointer<TFqarn0155d> Fqarn0155d;

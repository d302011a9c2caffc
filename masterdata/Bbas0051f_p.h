#pragma once
// The customers window with the module's excise, deposit and transport data ("BBAS0051F"):
// the host's window and, after its pages, "Dati Vini/Bibite" and the read-only deposit cards
// of the customer, "Prog.Cauzioni". The controls follow the parameter record and the
// customer's own deposit and excise settings on every scroll; switched-off columns are
// cleared when a customer is stored.
#include "host/business/Fbbas0051f.h"

#include <QPointer>

class KDBGriglia;
class TDBCheckBox;
class TDBCodeEdit;
class TDBComboBox;
class TDBEdit;
class TXQuery;

class TFBbas0051f_p : public TFBbas0051f {
    Q_OBJECT
public:
    explicit TFBbas0051f_p(QWidget *owner = nullptr);

    QWidget *tsDatiVini = nullptr;
    QWidget *tsProgCauzioni = nullptr;
    TDBEdit *edUT_LMQ_CodAcc = nullptr;
    TDBEdit *edUT_LMQ_RapFis = nullptr;
    TDBEdit *edUT_LMQ_DurVia = nullptr;
    TDBComboBox *cbUT_LMQ_FlTipCli = nullptr;
    TDBComboBox *cbUT_UT_LMQ_FlCauz = nullptr;
    TDBCodeEdit *edUT_LMQ_IdListCau = nullptr;
    TDBCodeEdit *edUT_LMQ_ContoCau = nullptr;
    TDBCheckBox *chUT_LMQ_FlCauDes = nullptr;
    TDBComboBox *cbUT_LMQ_FlGesTraCli = nullptr;
    // The customer's per-destination deposit cards (parameter IdConto).
    TXQuery *qUT_LMQ_ProgCauz = nullptr;
    TDataSource *dsUT_LMQ_ProgCauz = nullptr;
    KDBGriglia *grQuantita = nullptr;
    KDBGriglia *grValori = nullptr;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    void DSMainDataChange(TDataSource *source, TField *field) override;
    void TMainAfterScroll(TDataSet *DataSet) override;
    void TMainBeforePost(TDataSet *DataSet) override;

    // Enables the tab's controls by the parameter record and the customer's settings.
    virtual void UT_LMQ_SettaStatoCampi();
    void cbUT_UT_LMQ_FlCauzChange(TDBComboBox *Sender);
    void TMainUT_LMQ_FlTipCliChange(TField *Sender);
    void TMainUT_LMQ_ContoCauValidate(TField *Sender);

    // True while the store-time clearing runs.
    bool Aggiornando() const { return UT_Aggiorna; }

private:
    bool UT_Aggiorna = false;
};

inline QPointer<TFBbas0051f_p> FBbas0051f_p;

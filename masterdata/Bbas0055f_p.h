#pragma once
// The articles window with the module's wine data ("BBAS0055F"): the host's window and, after
// its pages, "Dati Vini / Bibite", "Scheda Vino 1", "Scheda Vino 2" and "Scheda Vino 3".
// Every code column is checked against its lookup; the product-sheet and excise switches of
// the parameter record hide or disable their controls when the window is created and clear
// their columns when an article is stored.
#include "host/business/Fbbas0055f.h"

#include <QPointer>

class TDBCheckBox;
class TDBComboBox;

class TFbbas0055f_p : public TFbbas0055f {
    Q_OBJECT
public:
    explicit TFbbas0055f_p(QWidget *owner = nullptr);

    QWidget *tsDatiVini = nullptr;
    QWidget *tsSchedaVino1 = nullptr;
    QWidget *tsSchedaVino2 = nullptr;
    QWidget *tsSchedaVino3 = nullptr;
    TDBComboBox *cbUT_LMQ_FlTipArt = nullptr;
    TDBComboBox *cbUT_LMQ_TipoAcc = nullptr;
    TDBCheckBox *chUT_LMQ_FlAbilSchedaPro = nullptr;

    void FormCreate() override;
    // The window opens on the wine data page, after the host's list shows.
    bool InitForm() override;
    void FormClose(TCloseAction &action) override;
    void TArticoliBeforePost(TDataSet *DataSet) override;
    void DSMainDataChange(TDataSource *source, TField *field) override;

    void TArticoliUT_LMQ_IdConIvaValidate(TField *Sender);
    void TArticoliUT_LMQ_IdCatVinValidate(TField *Sender);
    void TArticoliUT_LMQ_IdSpecificaValidate(TField *Sender);
    void TArticoliUT_LMQ_IdBottigliaValidate(TField *Sender);
    void TArticoliUT_LMQ_IdNaturaValidate(TField *Sender);
    void TArticoliUT_LMQ_IdColoreValidate(TField *Sender);
    void TArticoliUT_LMQ_IdImballo2Validate(TField *Sender);
    void TArticoliUT_LMQ_IdRegioneValidate(TField *Sender);
    void TArticoliUT_LMQ_IdNazioneValidate(TField *Sender);
    void TArticoliUT_LMQ_IdZonaProdValidate(TField *Sender);
    void TArticoliUT_LMQ_IdTipologiaOmaggiValidate(TField *Sender);
    void TArticoliUT_LMQ_IdTipologiaValidate(TField *Sender);

private:
    // The wine data page in front, the article type active.
    void MostraDatiVini();
};

inline QPointer<TFbbas0055f_p> Fbbas0055f_p;

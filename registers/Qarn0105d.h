#pragma once
// The annual stock-declaration balance (menu code "QARN0105D"): for a warehouse grouping and a
// yearly period, the litres loaded and unloaded per wine category and warehouse causal added
// to the stock carried over from the previous year's stored balance; printed and, after a
// definitive run and a Yes, stored as the year's balance with the "BIAN" progressive.
#include "frame/Lumo_funzioni.h"
#include "host/ui/Dbchildpars.h"
#include "registers/Lumo_dialogoregistro.h"

#include <QPointer>

class TField;
class TXTable;

namespace Ui {
class Qarn0105d;
}

class TFqarn0105d : public TFinestraRegistro<TFqarn0105d, TFDBChildPars, Ui::Qarn0105d> {
    Q_OBJECT
public:
    explicit TFqarn0105d(QWidget *owner = nullptr);
    ~TFqarn0105d() override;

    // Work heads (LUMO_t_StBiAnDiGiT) and causal rows (LUMO_t_StBiAnDiGiR), local tables.
    TXTable *TTStBiAnDiGiT;
    TXTable *TTStBiAnDiGiR;

    int Anno = 0;
    double TotaleCarico = 0;
    double TotaleScarico = 0;
    QString _TipoRegistro;

    void FormCreate() override;
    void btEseguiClick() override;
    virtual void tParsIdRaggMagValidate(TField *Sender);

    // The previous year's closing stock as the opening of the work heads.
    void RecuparaAnnoPrec();
    // Stores the balance of the last run in one transaction; false when refused or failed
    // (the reason shown), nothing stored then.
    bool AggiornaProgressivi();

private:
    void Elabora();
    void Stampa();

    // The "BIAN" progressive the run started from.
    TUT_LMQ_RG_ProgressiviRegistri progInizio_;
};

inline QPointer<TFqarn0105d> Fqarn0105d;

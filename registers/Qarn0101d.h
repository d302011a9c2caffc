#pragma once
// The load/unload register (menu code "QARN0101D"): the movements of a period of one
// warehouse grouping numbered in litres per wine category, printed with the category stock
// and, after a definitive print and a Yes, stored as the new stock and register progressive.
#include "frame/Lumo_funzioni.h"
#include "host/ui/Dbchildpars.h"
#include "registers/Lumo_dialogoregistro.h"

#include <QPointer>

class TXTable;

namespace Ui {
class Qarn0101d;
}

class TFqarn0101d : public TFinestraRegistro<TFqarn0101d, TFDBChildPars, Ui::Qarn0101d> {
    Q_OBJECT
public:
    explicit TFqarn0101d(QWidget *owner = nullptr);
    ~TFqarn0101d() override;

    // Register rows (LUMO_t_RegCs) and category totals (LUMO_t_RegCsTot), local work tables.
    TXTable *TTRegCs;
    TXTable *TTRegCsTot;

    QString _TipoRegistro;
    int ContaRighe = 0;
    double TotaleCarico = 0;
    double TotaleScarico = 0;

    void FormCreate() override;
    void btEseguiClick() override;

    // The definitive update of the last run, in one transaction; false when refused or
    // failed (the reason shown), nothing stored then.
    bool AggiornamentoDati();
    // Fills the work tables; answers the number of register rows.
    int Elabora();
    // Prints the register of the last run (to the preview, or the dot-matrix text).
    void Stampa();

private:
    void IdRaggMagValidate();

    // The progressive the run numbered from.
    TUT_LMQ_RG_ProgressiviRegistri progInizio_;
};

inline QPointer<TFqarn0101d> Fqarn0101d;

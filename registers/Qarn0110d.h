#pragma once
// The tax-stamp register (menu code "QARN0110D"): the movements of a period of one warehouse
// grouping, stamp type and product type numbered in units, printed with the stock of each
// stamp and, after a definitive print and a Yes, stored as the new stamp stock and progressive.
#include "frame/Lumo_funzioni.h"
#include "host/ui/Dbchildpars.h"
#include "registers/Lumo_dialogoregistro.h"

#include <QPointer>

class TField;
class TXTable;

namespace Ui {
class Qarn0110d;
}

class TFqarn0110d : public TFinestraRegistro<TFqarn0110d, TFDBChildPars, Ui::Qarn0110d> {
    Q_OBJECT
public:
    explicit TFqarn0110d(QWidget *owner = nullptr);
    ~TFqarn0110d() override;

    // Register lines (LUMO_t_RegCon) and stamp totals (LUMO_t_RegConTot), local work tables.
    TXTable *TTRegCon;
    TXTable *TTRegConTot;

    QString _TipoRegistro;
    int ContaRighe = 0;

    void FormCreate() override;
    void btEseguiClick() override;

    // "CON" + stamp type + product type into _TipoRegistro; -1 when the product type is empty.
    int CreaChiaveRegistro();
    // Loads the register progressive of grouping and register code into the parameters.
    void edIdRaggMagExit();
    // The definitive update of the last run, in one transaction; false when refused or
    // failed (the reason shown), nothing stored then.
    bool AggiornamentoDati();
    // The scan of the run (the progressive already read): fills the work tables and answers the
    // number of register lines.
    int Elabora();
    // Prints the register of the last run (to the preview, or the dot-matrix text).
    void Stampa();

private:
    void tParsIdRaggMagValidate(TField *campo);

    TUT_LMQ_RG_ProgressiviRegistri progInizio_;
};

inline QPointer<TFqarn0110d> Fqarn0110d;

#pragma once
// The bottling register (menu code "QARN0106D"): the movements of a period of one warehouse
// grouping split into bulk drawn, loss and bottled quantity, numbered on from the register
// progressive, printed with the lots (of the chosen article categories) and, after a
// definitive print and a Yes, stored as the new progressive.
#include "frame/Lumo_funzioni.h"
#include "host/ui/Dbchildpars.h"
#include "host/ui/SelezioneMultipla.h"
#include "registers/Lumo_dialogoregistro.h"

#include <QPointer>

class TField;
class TXTable;

namespace Ui {
class Qarn0106d;
}

class TFqarn0106d : public TFinestraRegistro<TFqarn0106d, TFDBChildPars, Ui::Qarn0106d> {
    Q_OBJECT
public:
    explicit TFqarn0106d(QWidget *owner = nullptr);
    ~TFqarn0106d() override;

    // Register rows (LUMO_t_RegImb), local work table.
    TXTable *TTRegImb;
    // Article categories whose lots are printed (none chosen: every category).
    Dlgselmulti::TSelezioneMultipla CategorieMerc_Param;

    QString _TipoRegistro;
    int UltRiga = 0;
    double TotaleSfuso = 0;
    double TotaleCalo = 0;
    double TotaleImbott = 0;

    void FormCreate() override;
    void btEseguiClick() override;
    virtual void btSelCategorieClick();

    // Stores the register progressive of the last run, in one transaction re-checked against
    // the one the run numbered from; false when refused or failed (the reason shown).
    bool AggiornamentoDati();
    // The scan of the run (the progressive already read): fills the work table and answers the
    // number of register rows.
    int Elabora();
    // Prints the register of the last run (to the preview, or the dot-matrix text).
    void Stampa();

private:
    void tParsIdRaggMagValidate(TField *campo);

    TUT_LMQ_RG_ProgressiviRegistri progInizio_;
};

inline QPointer<TFqarn0106d> Fqarn0106d;

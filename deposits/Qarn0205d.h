#pragma once
// The deposit register print ("Stampa Registro Cauzioni", menu code "QARN0205D"): every
// deposit movement row of a period of registration dates; a definitive print, once confirmed,
// stores its end date as the register's last printed date.
#include "frame/Lumo_funzioni.h"
#include "host/ui/Dbchildpars.h"

#include <QPointer>

class TField;

namespace Ui {
class Qarn0205d;
}

class TFqarn0205d : public TFDBChildPars {
    Q_OBJECT
public:
    explicit TFqarn0205d(QWidget *owner = nullptr);
    ~TFqarn0205d() override;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;

    // The period condition, the last " AND " cut; the end date takes its whole day.
    QString Selezione() const;
    void AggiornamentoDati();

private:
    void tParsDaDataValidate(TField *campo);
    void tParsA_DataValidate(TField *campo);

    Ui::Qarn0205d *ui;
    QString _TipoRegistro;
    TUT_LMQ_RG_ProgressiviRegistri progInizio_;
};

inline QPointer<TFqarn0205d> Fqarn0205d;

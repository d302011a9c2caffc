#pragma once
// The wine-category progressives analysis (menu code "QARN0103D"): the stock of each wine
// category of a warehouse grouping at the last definitive register print or carried forward
// to a date with the litres loaded and unloaded since; shown in a grid and printed, nothing
// stored.
#include "host/ui/Dbchildpars.h"
#include "registers/Lumo_dialogoregistro.h"

#include <QPointer>

class TField;
class TXTable;

namespace Ui {
class Qarn0103d;
}

class TFqarn0103d : public TFinestraRegistro<TFqarn0103d, TFDBChildParsPage, Ui::Qarn0103d> {
    Q_OBJECT
public:
    explicit TFqarn0103d(QWidget *owner = nullptr);
    ~TFqarn0103d() override;

    // The result, local work table LUMO_t_AnaCsTot.
    TXTable *TTAnaCsTot;
    QString _TipoRegistro;

    void FormCreate() override;
    void btEseguiClick() override;
    void btStampaClick() override;

    // The litres of the period DaData..A_Data added to the result.
    void CalcoloTotaliData();

private:
    void IdRaggMagValidate(TField *campo);
    // Shows the progressive of the grouping in DaData and DataUltSta (both empty without one).
    void MostraProgressivo(int gruppo);
    void AbilitaDataFinale();
};

inline QPointer<TFqarn0103d> Fqarn0103d;

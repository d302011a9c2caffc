#pragma once
// The wine list (menu code "QARN0302D"): the selected wines listed by country, region,
// type and code, the full card of one in a pop-up panel, and the printed wine list.
#include "host/ui/Dbchildpars.h"
#include "registers/Lumo_dialogoregistro.h"

#include <QPointer>

class TXQuery;

namespace Ui {
class Qarn0302d;
}

class TFqarn0302d : public TFinestraRegistro<TFqarn0302d, TFDBChildParsPage, Ui::Qarn0302d> {
    Q_OBJECT
public:
    explicit TFqarn0302d(QWidget *owner = nullptr);
    ~TFqarn0302d() override;

    TXQuery *qCartaVini;
    TXQuery *qArtSel;

    void FormCreate() override;
    void btEseguiClick() override;
    void btStampaClick() override;
    // The selection and order of the current parameters.
    void PreparaDati();
    // The card of the wine of the current result row, in the pop-up panel.
    virtual void KDBGriglia1DblClick();
    // The panel closed: the results again.
    virtual void panArtSelDisattiva();

private:
    QString WHERE;
    QString ORDER;
};

inline QPointer<TFqarn0302d> Fqarn0302d;

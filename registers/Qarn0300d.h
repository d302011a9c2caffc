#pragma once
// The product-card inquiry (menu code "QARN0300D"): the articles with an enabled product card
// selected by their card data, listed on the results page and printed as a list.
#include "host/ui/Dbchildpars.h"
#include "registers/Lumo_dialogoregistro.h"

#include <QPointer>

class TXQuery;

namespace Ui {
class Qarn0300d;
}

class TFqarn0300d : public TFinestraRegistro<TFqarn0300d, TFDBChildParsPage, Ui::Qarn0300d> {
    Q_OBJECT
public:
    explicit TFqarn0300d(QWidget *owner = nullptr);
    ~TFqarn0300d() override;

    TXQuery *qArtSchPro;

    void FormCreate() override;
    void btEseguiClick() override;
    void btStampaClick() override;

private:
    QString WHERE;
    QString ORDER;
};

inline QPointer<TFqarn0300d> Fqarn0300d;

#pragma once
// The warehouse causals window (menu code "BBAS0047F"), over the table CausaliMagaz (dataset
// TCausMagaz): the list, then the detail page, whose panel pnDettaglio lays its controls out
// in the grid lyDettaglio. Its print request lists the causals (TfBBas0047s) after the
// report-parameter dialog: a range of codes, the layout and the order.
#include "host/business/Anagrafica.h"

#include <QPointer>

class QGridLayout;

namespace Ui {
class Fbbas0047f;
}

class TFBBas0047f : public TFBBasAnagrafica {
    Q_OBJECT
public:
    explicit TFBBas0047f(QWidget *owner = nullptr);
    ~TFBBas0047f() override;

    TXTabellaAnagrafica *TCausMagaz = nullptr;
    QWidget *pnDettaglio = nullptr;
    QGridLayout *lyDettaglio = nullptr;
    // Projects are managed: the print offers the layout "Progetti" too. The host manages none.
    bool GestioneProgetti = false;

    void FormClose(TCloseAction &action) override;
    void XFormXStampa(bool preview) override;
    virtual void TCausMagazBeforePost(TDataSet *DataSet);
    virtual void TCausMagazBeforeDelete(TDataSet *DataSet);
    // The reference the print hands to the report-parameter dialog: the window itself.
    virtual QObject *RiferimentoStampa();

private:
    Ui::Fbbas0047f *ui;
};

inline QPointer<TFBBas0047f> FBBas0047f;

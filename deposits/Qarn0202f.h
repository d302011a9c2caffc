#pragma once
// The deposit progressive cards of customers (menu code "QARN0202F_C") or suppliers
// ("QARN0202F_F"): consulted with their balances and pending returns, and corrected by hand,
// each post writing the card at once.
#include "host/ui/Dbchild.h"

#include <QPointer>

class TXQuery;
class TXTable;

namespace Ui {
class Qarn0202f;
}

class TFqarn0202f : public TFDBChild {
    Q_OBJECT
public:
    explicit TFqarn0202f(QWidget *owner = nullptr);
    ~TFqarn0202f() override;

    TXTable *TMain;
    // Pending returns of a card (returns journal rows not taken by a document).
    TXQuery *qResi;
    QString TipoConto;
    QString vFiltroBase;

    // "CL" customers or "FO" suppliers; false for any other type.
    bool InitForm(const QString &Tipo);
    void FormClose(TCloseAction &action) override;
    int LimiteRighe() const override;

    // The cards of the accounts that the account search's condition selects (with the
    // ordering, limited to the search's rows), within the window's type; an empty condition
    // shows every card of the type. The table is read again only when the filter changes.
    void FiltraConti(const QString &condizione, const QString &ordine = QString());

    virtual void TMainNewRecord(TDataSet *DataSet);
    virtual void TMainBeforeEdit(TDataSet *DataSet);
    virtual void TMainCalcFields(TDataSet *DataSet);
    virtual void IdContoValidate(TField *Sender);
    virtual void IdDestinazioneValidate(TField *Sender);
    virtual void IdImballoValidate(TField *Sender);
    virtual void EccedenzaChange(TField *Sender);

private:
    // Pending returned quantity of the current card.
    double ResiInSospeso();

    Ui::Qarn0202f *ui;
    // rows the card table reads: one until the window knows its type
    int limite_ = 1;
};

inline QPointer<TFqarn0202f> Fqarn0202f;

#pragma once
// The base of the customers and suppliers windows: the accounts of one type (dataset TMain),
// each kept together with its row of the chart of accounts (PianoConti: written with the
// account, its name kept in step, deleted with it), and the button that opens the account's
// delivery destinations.
#include "host/business/Anagrafica.h"

class QToolButton;

class TFBBasConti : public TFBBasAnagrafica {
    Q_OBJECT
public:
    // tipo: the account type ("CL", "FO") of the table's rows.
    TFBBasConti(const QString &tipo, const QString &tabella, QWidget *owner = nullptr);

    TXTabellaAnagrafica *TMain = nullptr;
    QToolButton *btDestinazioni = nullptr;

    const QString &TipoConto() const { return tipo_; }

    void FormCreate() override;
    void DSMainStateChange(TDataSource *source) override;
    void DSMainDataChange(TDataSource *source, TField *field) override;

    virtual void TMainAfterScroll(TDataSet *DataSet);
    virtual void TMainBeforePost(TDataSet *DataSet);
    virtual void TMainBeforeDelete(TDataSet *DataSet);
    virtual void TMainNewRecord(TDataSet *DataSet);
    // Opens the destinations of the current account (menu code "BBAS0058F;type;code").
    virtual void btDestinazioniClick();

protected:
    // Inside the post: the account's row of the chart of accounts, inserted or renamed.
    virtual void AggiornaPianoConti(TDataSet *dataSet);
    void EliminaCollegati(TDataSet *dataSet) override;

private:
    void AbilitaDestinazioni();

    QString tipo_;
};

#pragma once
// The delivery destinations window (menu code "BBAS0058F", or "BBAS0058F;text" for the
// destinations of one account), over the table Destinazioni (dataset tDestinazioni): the
// list, then the pages "Destinazione" (account, number, address, delivery data) and "Note".
// A new destination takes the next number of its account.
#include "host/business/Anagrafica.h"

#include <QPointer>

namespace Ui {
class Fbbas0058f;
}

class TFBBas0058f : public TFBBasAnagrafica {
    Q_OBJECT
public:
    explicit TFBBas0058f(QWidget *owner = nullptr);
    ~TFBBas0058f() override;

    TXTabellaAnagrafica *tDestinazioni = nullptr;
    QWidget *tsDestinazione = nullptr;
    QWidget *tsNote = nullptr;

    // Every destination.
    bool InitForm() override;
    // The destinations of one account: "CL;code", "FO;code" or a customer's code. An account
    // that does not exist is refused with a message (false) and the window stays as it was.
    virtual bool InitForm(const QString &testo);
    // The account the window is limited to; empty when it shows every destination.
    const QString &TipoConto() const { return tipo_; }
    const QString &Conto() const { return conto_; }
    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    virtual void tDestinazioniAfterScroll(TDataSet *DataSet);
    virtual void tDestinazioniBeforePost(TDataSet *DataSet);
    virtual void tDestinazioniBeforeDelete(TDataSet *DataSet);
    virtual void tDestinazioniNewRecord(TDataSet *DataSet);
    // The account type changed: the account is searched among customers or suppliers.
    virtual void tDestinazioniIdContoTpChange(TField *Sender);

protected:
    // The next destination number of an account.
    int ProssimaDestinazione(const QString &tipo, const QString &conto) const;
    // The account code edit searches the accounts of the record's type.
    void ImpostaRicercaConto();

private:
    void Riapri(const QString &tipo, const QString &conto);

    Ui::Fbbas0058f *ui;
    QString tipo_;
    QString conto_;
};

inline QPointer<TFBBas0058f> FBBas0058f;

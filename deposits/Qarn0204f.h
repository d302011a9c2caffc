#pragma once
// The deposit journal (menu code "QARN0204F"): deposit movements of customers and suppliers
// (LUMO_MovCauT with its LUMO_MovCauR rows), edited in the buffer TTDettaglio and saved in one
// transaction together with the progressive cards they move: what the stored rows booked is
// reversed and what the rows book now is applied.
#include "deposits/Lumo_cauzioni.h"
#include "deposits/Lumo_righeimballi.h"

#include <QPointer>

#include <functional>

namespace Ui {
class Qarn0204f;
}

class TFqarn0204f : public TFLumoMasterDettaglio, public TLumoRigheImballi {
    Q_OBJECT
public:
    explicit TFqarn0204f(QWidget *owner = nullptr);
    ~TFqarn0204f() override;

    TXTable *tMain;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    void DSMainDataChange(TDataSource *source, TField *field) override;
    void DSMainStateChange(TDataSource *source) override;
    // A movement of a document is changed and deleted through its document: Edit and Delete
    // refuse it.
    void DSMainNavClick(TNavigateBtn button, bool &doDefault) override;
    void XFormXRicerca() override;
    bool SalvataggioDati() override;

    // Recomputes the current buffer row's two values.
    virtual void CalcolaValore();

    virtual void tMainNewRecord(TDataSet *DataSet);
    virtual void tMainCalcFields(TDataSet *DataSet);
    virtual void IdContoValidate(TField *Sender);
    virtual void IdDestinazioneValidate(TField *Sender);
    virtual void IdListinoValidate(TField *Sender);
    virtual void IdDivisaChange(TField *Sender);
    void TTDettaglioNewRecord(TDataSet *DataSet) override;
    void TTDettaglioBeforePost(TDataSet *DataSet) override;
    void TTDettaglioBeforeDelete(TDataSet *DataSet) override;
    virtual void IdImballoValidate(TField *Sender);
    virtual void IdImballoChange(TField *Sender);

protected:
    bool ControlliRegistrazione() override;
    void PrimaDelleRighe() override;
    void DopoLeRighe() override;

private:
    // The buffer's rows, deleted ones too: state and the row key it was loaded with.
    void PerOgniRiga(const std::function<void(int stato, qint64 rigaCaricata)> &passo);
    // Whether the movement shown was written by a document.
    bool DiDocumento() const;
    // Link fields read-only while the movement is manual, every field but the key of a
    // document's one.
    void CampiCollegamento();

    Ui::Qarn0204f *ui;
    // The movement as stored when the save began, and whether all its rows are booked again.
    TLumoMovimentoCauzioni registrato_;
    bool registratoEsiste_ = false;
    bool tutteLeRighe_ = false;
};

inline QPointer<TFqarn0204f> Fqarn0204f;

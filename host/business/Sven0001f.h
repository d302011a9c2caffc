#pragma once
// Customer delivery notes ("SVEN0001F_C", "SVEN0001F_F"): the document frame on BolleCliTeste,
// BolleCliRighe and BolleCliTot, rows in t_RigheBolleCli. A delivery note already invoiced
// (a row with FlGenFattura = 1) cannot be deleted, nor its invoiced rows changed.
#include "host/business/Documento.h"

#include <QPointer>

class TFSVen0001f : public TFDocumento {
    Q_OBJECT
public:
    explicit TFSVen0001f(QWidget *owner = nullptr);

    static TTipoDocumento Tipo();

    // tipo 0 ("_C") or 1 ("_F"); chiave 0 opens a new delivery note, else the stored one;
    // false when it is not there.
    bool InitForm(int tipo, qint64 chiave, int opzioni);
    int TipoBolla = 0;

    void FormClose(TCloseAction &action) override;
    // The stored note through the note print the host makes.
    void StampaDocumento(bool anteprima) override;
    void TRigheBeforeDelete(TDataSet *dataSet) override;
    void TRigheBeforePost(TDataSet *dataSet) override;
    bool ControlliTesta() override;
    void CancellaDocumento() override;
    void ControllaRigheDaEliminare() override;

    // Whether a row of the stored delivery note was already invoiced.
    virtual bool BollaFatturata() const;
};

inline QPointer<TFSVen0001f> FSVen0001f;

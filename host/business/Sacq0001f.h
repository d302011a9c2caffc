#pragma once
// Supplier delivery notes ("SACQ0001F"): the document frame on BolleForTeste, BolleForRighe
// and BolleForTot, rows in t_RigheBolleFor, the goods booked into the warehouse (kind 10).
// A delivery note partly fulfilled (a row closed, FlSaldoRigo) cannot be deleted.
#include "host/business/Documento.h"

#include <QPointer>

class TFSAcq0001f : public TFDocumento {
    Q_OBJECT
public:
    explicit TFSAcq0001f(QWidget *owner = nullptr);

    static TTipoDocumento Tipo();

    // chiave 0 opens a new delivery note, else the stored one; false when it is not there.
    bool InitForm(int modo, qint64 chiave);

    bool FlParzialmenteEvaso = false;  // a row of the stored delivery note is closed
    bool FlControlloMagazzino = false; // the rows checked against the warehouse before a save

    void FormClose(TCloseAction &action) override;
    // The stored note through the note print the host makes.
    void StampaDocumento(bool anteprima) override;
    bool CaricaDocumento(qint64 chiave) override;
    void CancellaDocumento() override;
    bool ControlliPreliminari() override;
    void CodaSalvataggio() override;
    void DopoSalvataggio() override;

    // Whether the stored delivery note has been invoiced (the head's FlGenFattura).
    virtual bool GetBollaFatturata();
    virtual void StampaEtichetteMatricole();
    virtual void ArchiviaDocumento();
};

inline QPointer<TFSAcq0001f> FSAcq0001f;

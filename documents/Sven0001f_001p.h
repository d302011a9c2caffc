#pragma once
// The module's order-line selection dialog, registered under "TFsven0001f_001": every line
// offers its packages still to ship (ordered less shipped and closed packages), selecting a
// line selects them all, and the packages typed set the quantity to send as packages × units
// per package, checked against the packages still to ship by the order settings.
#include "host/business/Sven0001f_001.h"

class TFSVen0001f_001p : public TFSVen0001f_001 {
    Q_OBJECT
public:
    explicit TFSVen0001f_001p(QWidget *owner = nullptr);

    void FormCreate() override;
    using TFSVen0001f_001::LeggiRigheDocumento;
    // The open lines of an order offered to the document being filled (their row type enabled
    // for it, not on picking lists, no RAEE or CONAI rows), each with its packages still to
    // ship; closed packages 0. A reload reserves the order first (0 when it cannot, or when the
    // order is not among the heads) and reads nothing again when no line changed since its
    // fingerprint was taken: it answers the lines on offer then.
    int LeggiRigheDocumento(TDataSet *teste, TDataSet *righe, TDataSet *dettaglio, QStringList &impronte,
                            bool rilettura) override;
    // Selects the current line when it is not selected (FlSelez 0), with all its packages
    // still to ship; deselects it otherwise. A descriptive line takes only its marks.
    void SelezionaRigo() override;
    // Mode 0: the line's selection carried into the document (quantities and packages still
    // to ship lowered by it); mode 1: the quantity given back (packages unchanged). An error
    // is shown (information), the line's edit dropped, false.
    bool AggiornaRigoOrdine(qint64 kOrdiniCliR, double quantita, int modo) override;
    // The quantity to send set from the packages is checked on the packages (their
    // validation), not against the quantity left; it marks the line as a typed one does.
    void ControllaQtaDaSpedire(double quantita) override;
    // Packages to send: beyond those still to ship the order settings warn (1) or refuse (2);
    // on a line being edited the quantity to send becomes packages × units per package.
    virtual void TSelOrdRUT_QtaConfSelValidate(TField *sender);
    // The packages edit entered: the host's entry of the quantity to send.
    void edQtaSelezEnter(QObject *sender) override;

private:
    void ImpostaGriglia();
    // Each stored detail of the current line found in TDettQta, made current there; passo gets
    // the stored record's Stato.
    template <typename Passo> void UT_LMQ_PerDettaglioRigo(const Passo &passo);
    // The line's details selected (what each has still to ship, after the batch stock check
    // where one is due: summed and counted) or cleared.
    void UT_LMQ_SelezionaDettagli(bool seleziona, double &somma, int &scelti);
    // LeggiRigheDocumento's reading with the table's tag and controls already set.
    int UT_LMQ_LeggiRighe(TDataSet *teste, TDataSet *righe, TDataSet *dettaglio, QStringList &impronte, bool rilettura);
    bool daConfezioni_ = false; // QtaSelez being written from the packages
};

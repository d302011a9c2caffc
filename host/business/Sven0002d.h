#pragma once
// The delivery-note print dialog (menu code "SVEN0002D"): a range of customer delivery
// notes in the parameter record (memory table "sven0002d"), printed by the delivery-note
// print registered as "TFSVEN0002S", then, for a plain print, by the follow-up print
// "TfBBas0160s". btEseguiClick is the whole sequence; a subclass may replace it.
#include "host/data/TXMemTable.h"
#include "host/ui/Dbchildpars.h"

#include <QDateTime>
#include <QPointer>
#include <QString>

class QGridLayout;
class QLineEdit;

namespace Ui {
class Sven0002d;
}

class TFSven0002d : public TFDBChildPars {
    Q_OBJECT
public:
    explicit TFSven0002d(QWidget *owner = nullptr);
    ~TFSven0002d() override;

    QLineEdit *edAnnotazioni; // its text goes to the print
    // The parameters' panel and its grid, where a subclass adds its controls.
    QWidget *pnParametri;
    QGridLayout *lyParametri;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;

    // The print's dot-matrix switch: the base setting FSBAS01 "TipoStampaDDT" equal to 2.
    static bool StampaAdAghi();
    // The series bound passed to the print: the parameter's, or -1 (every series) when the
    // causal bound beside it is empty.
    int SerieDa() const;
    int SerieA() const;

protected:
    // The range is sound (years, numbers and dates not inverted); otherwise the reason is
    // shown and the answer is false.
    bool ControllaParametri();
    // Tells the user that the range holds no note to print.
    void NienteDaStampare();
    // The notes of the range printed by a delivery-note print (any that takes the range as the
    // host's does), then the print of their open items; the user is told when the range holds
    // no note.
    template <class Stampa> void StampaBolle(Stampa &stampa)
    {
        stampa.StampaSu.Aghi = StampaAdAghi();
        if (!stampa.InitForm(Intero(tPars, "AnnoDa"), SerieDa(), Intero(tPars, "NumeroDa"), Intero(tPars, "AnnoA"),
                             SerieA(), Intero(tPars, "NumeroA"), Data(tPars, "DataDa"), Data(tPars, "DataA"),
                             Intero(tPars, "FlCopiaDest") == 1, Intero(tPars, "FlStLingua") == 1,
                             Testo(tPars, "IdTipoReport"), Intero(tPars, "FlStBolleNoStampate") == 1,
                             Testo(tPars, "IdClienteDa"), Testo(tPars, "IdClienteA"), Testo(tPars, "IdContoTp"),
                             Intero(tPars, "FlArchiviazione") == 1, Intero(tPars, "FlTipoStampa"), Annotazioni(),
                             Testo(tPars, "IdCausaleDa"), Testo(tPars, "IdCausaleA"), 0)) {
            NienteDaStampare();
            return;
        }
        stampa.EseguiStampa(true);
        StampaSeguito();
    }
    // After the notes: the print of the open items of the range, unless the notes were archived
    // or printed by a kind that has none.
    void StampaSeguito();
    // The notes typed for the print.
    QString Annotazioni() const;
    // A parameter of the record as the prints take it (texts trimmed).
    static int Intero(TDataSet *d, const char *campo);
    static QString Testo(TDataSet *d, const char *campo);
    static QDateTime Data(TDataSet *d, const char *campo);

private:
    Ui::Sven0002d *ui;
};

inline QPointer<TFSven0002d> FSven0002d;

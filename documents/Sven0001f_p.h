#pragma once
// Customer delivery notes of the module ("SVEN0001F_C", "SVEN0001F_F"): the host's delivery-note
// window with the deposit summary on its own tab ("Castelletto Cauzioni"), rows entered as
// packages with their price type and litres, and the save that keeps deposits, litres,
// parcels, transport, reservations and the packaging-expense account with the note, in the
// host's transaction. The tab and the row panel are the invoice window's layout.
#include "documents/Lumo_castdoc.h"
#include "documents/Lumo_righedoc.h"
#include "host/business/Sven0001f.h"

#include <QPointer>

class KDBGriglia;
class QPushButton;
class TDBNavigator;

class TFSVen0001f_p : public TFSVen0001f {
    Q_OBJECT
public:
    explicit TFSVen0001f_p(QWidget *owner = nullptr);

    // ---- deposit summary (the tab's datasets live in Castelletto)
    TLumoCastDoc *Castelletto = nullptr;
    TXQuery *qLUMO_CauzDoc = nullptr;
    TXTable *TTLUMO_CauzDoc = nullptr;
    TDataSource *dsLUMO_CauzDoc = nullptr;
    TXClientTable *TRSLUMO_CauzDoc = nullptr;
    // ---- row layer
    TLumoRigheDoc RigheDoc;

    // ---- controls
    QWidget *tsLUMO_CauzDoc = nullptr;
    QWidget *pLUMO_CauzDoc = nullptr;
    KDBGriglia *gUT_LMQ_CauzDoc = nullptr;
    TDBNavigator *DBNavigatoreCauz = nullptr;
    QPushButton *btnUT_LMQ_Pareggia = nullptr;
    QWidget *btnDuSa = nullptr;

    // Packages and transport were recalculated on entering the totals page.
    bool UT_LMQ_FlCalcoloTotaliDuSa = false;

    // ---- window
    // The host's InitForm under the module's caption.
    bool InitForm(int tipo, qint64 chiave, int opzioni);
    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    bool InitDoc(int modo) override;
    void TTestaCalcFields(TDataSet *dataSet) override;
    void TTestaAfterScroll(TDataSet *dataSet) override;
    void TTestaNewRecord(TDataSet *dataSet) override;
    void KPageControlChange(QObject *sender) override;
    void DSMainStateChange(TDataSource *source) override;
    virtual void btnDuSaClick();
    virtual void UT_LMQ_CalcoloTotaliDuSa();
    virtual void UT_LMQ_CalcoloValoreCauzioni();

    // ---- rows
    void TRigheNewRecord(TDataSet *dataSet) override;
    void TRigheIdProdottoValidate(TField *sender) override;
    void TRigheTipoRigoChange(TField *sender) override;
    void TRigheAfterScroll(TDataSet *dataSet) override;
    void TRigheAfterEdit(TDataSet *dataSet) override;
    void TRigheCalcFields(TDataSet *dataSet) override;
    void TRigheBeforePost(TDataSet *dataSet) override;
    void CalcoloQuantita(TField *sender) override;
    void CalcolaImportiRigo(TDataSet *testa, TDataSet *righe, bool calcolati) override;

    // ---- the save ("DT"): the host's order with the module's steps
    void SalvaDocumento() override;
    QStringList CampiTestaEsterni() const override; // the excise mark, set by the excise run
    // The deposit tab held on the working copy from the transaction's first step to the end.
    void ControllaAltriUtenti() override;
    void AnnullaSalvataggio(const QString &messaggio) override;
    void DopoSalvataggio() override;
    void CostruisciRiepilogo() override;             // summary posted and rebuilt, deposit value
    void TotaleLitri() override;
    void ColliTrasporto() override;
    bool ControlloPrenotazioni() override;           // check 99 on a new note
    QList<TDataSet *> TabelleSalvataggio() override; // the summary's stored rows last
    void EvadiPrenotazioni() override;
    void RegistraRiepilogo() override;
    void CodiceSpeseImballo() override;
    // "Effettuo stampa ? ": the stored note through the module's standard print.
    void StampaDocumento() override;

private:
    // The working copy of the summary filled for the edit; false on error (shown).
    bool CopiaCastelletto();
    // The summary rebuilt from the rows, unless built on the tab during this edit.
    void RicostruisciSeServe();
};

inline QPointer<TFSVen0001f_p> FSVen0001f_p;

#pragma once
// The module's row layer of the document windows (customer invoices, supplier delivery notes,
// customer orders and quotes): goods entered as packages ("Lunghezza") times units per package,
// priced per package (UT_LMQ_FlTipoPrz 1) or per unit (per litre through the bottle capacity),
// with the row's litres and deposit packaging codes. One implementation; each window describes
// what sets it apart in a TMembroRighe and calls the layer from its row handlers after the
// host's handler.
#include <QHash>
#include <QPointer>
#include <QScopeGuard>
#include <QString>

#include <functional>

class KDBGriglia;
class QLabel;
class QWidget;
class TDataSet;
class TDataSource;
class TDBComboBox;
class TDBEdit;
class TField;

struct TMembroRighe {
    QString CampoQuantita = QStringLiteral("Quantita"); // orders and quotes: "QuantitaOrd"
    QString CampoPezzi = QStringLiteral("Quantita2");   // orders and quotes: "Quantita2Ord"
    // Orders and quotes: no DuSa button, no FlQtaConf lock, packages editable in every state.
    bool FormaBreve = false;
    // The rows carry litres and the bottle lookups (not the supplier delivery note).
    bool Litri = true;
    // Litres also while the rows are browsed (orders and quotes).
    bool LitriSempre = false;
    // Leaving the packages or the units edit may open the quantity detail (invoice).
    bool DettaglioUscite = false;
    // ---- amounts
    bool OspitePrima = false; // the host's computation runs first (orders, quotes)
    bool ScriveNN = true;     // _ImportoNN shown (the stored ImportoNN is always written)
    // Calculated set only: "_DaEvadere" when the head's "_FlTipoEvasione" is not 0 (order),
    // "_DaEvadereVal" always (quote).
    bool DaEvadere = false;
    bool DaEvadereVal = false;
};

// The members.
TMembroRighe MembroFattura();
TMembroRighe MembroBollaCliente(); // as the invoice
TMembroRighe MembroBollaFornitore();
TMembroRighe MembroOrdine();
TMembroRighe MembroOfferta();

// The rows grid of the customer invoice and delivery note.
void ColonneRigheVendita(KDBGriglia *griglia);

class TLumoRigheDoc {
public:
    TLumoRigheDoc(const TMembroRighe &membro, TDataSource *dsRighe) : Membro(membro), DsRighe(dsRighe) {}

    TMembroRighe Membro;
    TDataSource *DsRighe;
    // Row panel controls, found on the window by their names (missing ones stay null).
    TDBEdit *edLunghezza = nullptr;
    TDBEdit *edQuantita2 = nullptr;
    TDBEdit *edQuantita = nullptr;
    QLabel *lbLunghezza = nullptr;
    TDBComboBox *cbUT_UT_LMQ_FlTipoPrz = nullptr;
    QWidget *btnDuSa = nullptr;

    void TrovaControlli(QWidget *finestra);

    // Declares, before the dataset opens, the article and bottle lookups and the calculated
    // "_FlTipoMisure" (withCalcolati: also the calculated amounts "_ImportoLordo".. ).
    void DichiaraCampi(TDataSet *righe, bool withCalcolati) const;

    // The row panel and defaults by article type and row type, on DsRighe's current row.
    void SettaValoriRiga();
    // The price type of a new row: the document's price list's, else the parameter's.
    void NuovoRigo(TDataSet *righe, const QString &idListino);
    // The deposit packaging codes of the article the host's validation has just found.
    void CopiaImballi(TDataSet *righe);
    // Calculated fields: "_FlTipoMisure" from the article, 1 for row types 3 and 8.
    void CalcFields(TDataSet *righe);
    // While on (a save passing over the rows many times), each article's measure type is
    // looked up once; switching clears what was kept.
    void RicordaMisure(bool on)
    {
        misure_.clear();
        ricordaMisure_ = on;
    }
    // RicordaMisure on while what it answers lives, off again when it goes.
    [[nodiscard]] auto RicordandoMisure()
    {
        RicordaMisure(true);
        return qScopeGuard([this] { RicordaMisure(false); });
    }
    // The row quantity from the package data (the host's handler does not run).
    void CalcoloQuantita(TField *sender);
    // Litres of the row about to be stored.
    void PrimaDiPost(TDataSet *righe);
    // The exits of the packages and units edits; dettaglio runs the host's quantity detail.
    void UscitaLunghezza(const std::function<void()> &dettaglio);
    void UscitaQuantita2(const std::function<void()> &dettaglio);

    // The amounts of the current row of righe by its price type (the host part, when the
    // member runs it first, is given as ospite). Errors of the row part are shown and the
    // computation goes on; the head part raises.
    void CalcolaImportiRigo(TDataSet *testa, TDataSet *righe, bool calcolati, const std::function<void()> &ospite = {});

private:
    // The fields the calculations read and write, found once per dataset (null: not there,
    // FieldByName then says so).
    struct CampiRiga {
        QPointer<TDataSet> ds;
        TField *TipoRigo, *IdProdotto, *FlTipoMisure, *Capacita, *FlPrzLit, *Prezzo, *FlTipoPrz, *Lunghezza, *Quantita,
            *ImportoSpedito;
        TField *Sconto[5];
        // stored amounts: lordo, netto, NN and their countervalues (NN, lordo, netto);
        // calculated: lordo, netto, NN, countervalue of NN
        TField *Importi[6], *ImportiCalc[4], *DaEvadere, *DaEvadereVal;
    };
    struct CampiTesta {
        QPointer<TDataSet> ds;
        TField *IdDivisa, *ScontoPagamento, *Cambio, *DataCambio, *FlTipoEvasione;
        TField *Sconto[5];
    };
    const CampiRiga &Riga(TDataSet *righe);
    const CampiTesta &Testa(TDataSet *testa);
    CampiRiga riga_{};
    CampiTesta testa_{};
    bool ricordaMisure_ = false;
    QHash<QString, int> misure_;
};

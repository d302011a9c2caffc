#pragma once
// Customer orders of the module ("SORC0001F"): the host's order window with the rows entered
// as packages with their price type and litres, the customer's deposit price list on the head
// and the quantity still to ship by value. The head and row panel steps are shared with the
// quote window (Sofc0001f_p).
#include "documents/Lumo_finestradoc.h"
#include "host/business/Sorc0001f.h"

#include <QPointer>

class TDBComboBox;

namespace LumoOrdini {
// Declares, before the head opens, the causal's and the customer's lookups and the calculated
// customer deposit price list.
void CampiTesta(TDataSet *testa);
// The customer's deposit price list into "_UT_LMQ_ListCauz" (empty without a known customer).
void ListinoCauzioni(TDataSet *testa);
// The row panel's steps, as every module document window has them.
using LumoFinestraDoc::AggiungiAlPannello;
using LumoFinestraDoc::PannelloRighe;
// The host's row measure label as the window's layout has it: "misure", blue and bold when
// evidenziata (before the creation captions it for the package count).
void EtichettaMisure(TForm *finestra, bool evidenziata);
} // namespace LumoOrdini

class TFSOrc0001f_p : public TLumoFinestraDoc<TFSOrc0001f, TFSOrc0001f_p> {
    Q_OBJECT
public:
    explicit TFSOrc0001f_p(QWidget *owner = nullptr);

    TDBComboBox *cbUT_UT_LMQ_FlTipoPrz = nullptr;

    void FormCreate() override;
    void TTestaCalcFields(TDataSet *dataSet) override;

    // ---- kits and bar codes: rows counted in packages on the appending cursor
    // Component rows of a kit: packages of one unit, KRound(item × the multiplier chosen in
    // the dialog), litres by QuantitaOrd, the order's automatic detail ("Errore in creazione
    // dettaglio automatico (componenti)") and a variant's detail record.
    bool InserisciComponenti(const QString &idProdotto, const QDateTime &data, double quantita, double percQuota,
                             double percSpalmatura, int tipoRigo, int kRigoKit, const QString &idUM,
                             double fattConv) override;
    // A bar-code read: the quantity read as packages of the article's units per package. The
    // cursor's post runs no before-post step: the row takes its litres when next posted
    // through the rows. Errors are shown (information) and collected into messaggi: false.
    bool AccodaRigheBarcode(const QString &barcode, double quantita, QString &idProdotto,
                            QStringList &messaggi) override;

private:
    // The row's VAT from the head's exemption, the head's data, account and article data.
    void CompletaRigoAccodato(TDataSet *rigo);
};

inline QPointer<TFSOrc0001f_p> FSOrc0001f_p;

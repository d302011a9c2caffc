#pragma once
// Kit components and bar-code reads of the module's invoice and order windows: the steps the
// two windows share. Component rows are packages of one unit, their quantity multiplied by
// the choice made in Tflumo_dlgEspDb; bar-code rows count the quantity read in packages.
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

class TDataSet;
class TFDocumento;
namespace Distintabase {
struct TXItemDistintaBase;
}

namespace LumoComponenti {

struct TKit {
    QString IdProdotto;
    QDateTime Data;
    double Quantita = 0;
    int KRigoKit = 0;
    QString IdUM;
    double FattConv = 0;
    QString CampoPezzi; // the kit row's units per package: Quantita2, Quantita2Ord
};

// Appends one component row on the window's appending cursor for an item of the bill,
// posting it and writing its quantity detail.
using TAccodaComponente = std::function<void(const Distintabase::TXItemDistintaBase &item, double moltiplicatore)>;

// The kit's entries (variants of the kit row, else the kit quantity), each converted to the
// article's unit ("Impossibile convertire quantità del documento"), exploded, the multiplier
// asked once per entry that has components, its rows appended; the window's rows read again
// also after an error. False when the article is unknown or nothing was exploded.
bool InserisciComponenti(TFDocumento *finestra, const TKit &kit, const TAccodaComponente &accoda);

// Component quantity: the item's quantity per kit unit × the multiplier (which already counts
// the kits) at the quantity decimals.
double QuantitaComponente(double quantitaItem, double moltiplicatore);

// Price of a component row from the item price and the price share (percent), nothing when
// the item has no price; then the window's row defaults when the row type asks for them.
void PrezzoComponente(TFDocumento *finestra, TDataSet *rigo, const Distintabase::TXItemDistintaBase &item,
                      double percQuota);
// The spread price when the window spreads prices over the rows and the item has price and
// quantity: discounts zeroed. True when it was applied.
bool SpalmaturaComponente(TFDocumento *finestra, TDataSet *rigo, const Distintabase::TXItemDistintaBase &item,
                          double percSpalmatura);

// Skips the quantity detail of an article with dimensions when dimensions are not managed.
bool SenzaDettaglio(const QString &idProdotto);

// One quantity-detail record of a row (Stato 2), in the detail the quantity dialog shows.
void AccodaDettaglioQta(TFDocumento *finestra, int kRigo, const QString &idVariante, const QString &gruppo,
                        const QString &idLotto, double quantita);

// Bar code: decoded for the head's customer into idProdotto, the article located and tested
// at the document date; throws "Codice prodotto non valido" or the test's message.
void ArticoloBarcode(TFDocumento *finestra, const QString &barcode, QString &idProdotto);

// Runs a bar-code read with the messages collected: an error is shown (information) and
// answers false; the collected messages are handed back and the row the read appended on
// cursor (lettura sets accodato when it appends), if still unposted, is cancelled.
bool LetturaBarcode(TDataSet *cursore, QStringList &messaggi, const std::function<void(bool &accodato)> &lettura);

} // namespace LumoComponenti

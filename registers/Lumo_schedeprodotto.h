#pragma once
// What the product-card dialogs and prints share: the article query with its descriptions,
// and the product image of the catalogue cards.
#include <QString>
#include <QStringList>

class QObject;
class TDataSet;
class TXMemTable;
class TfKV8ReportB;

// The article query: every column of Articoli with the descriptions of its card codes, then
// the given selection and order lines.
QStringList UT_LMQ_SK_QueryArticoli(const QString &rigaWhere, const QString &rigaOrdine);

// The picture item of a card shows the file named by the article's Allegati only when it is an
// existing file; otherwise the picture is hidden and the card still prints.
void UT_LMQ_SK_ImmagineProdotto(TfKV8ReportB *stampa, const QString &elemento);

// The descriptions of the bounds of the selection record (LUMO_SelSchPro), as lookup fields
// "_Ds" + the bound's name (articles, wine categories, countries, regions, zones, types,
// Specifica codes), on tables owned by owner.
void UT_LMQ_SK_DescrizioniSelezione(TDataSet *parametri, QObject *owner);

// The selection and order of the cards asked in the selection record (its bounds, and the
// order fields flOrdina1-4): Where and Ordine made anew.
void UT_LMQ_SK_Selezione(TXMemTable *parametri, QString &Where, QString &Ordine);

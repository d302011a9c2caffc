#pragma once
// The window of the host's code tables (warehouses, zones, carriers, goods categories,
// currencies with their exchange rates, VAT codes, payments with their instalments, nations,
// agents, units of measure...): one window, configured per table by TTabellaCodici, with the
// list, a detail page holding a control per column of the dictionary (drop-down lists for
// columns with items, check boxes for flags, dates, memos, code edits with search and
// description for codes of other tables) and, for a table with rows of its own (a
// currency's rates, a payment's instalments), a grid of those rows below.
#include "host/business/Anagrafica.h"

#include <QList>

class KDBGriglia;
class TDBNavigator;

struct TTabellaCodici {
    QString Codice;          // menu code
    QString Tabella;         // company table
    QString Titolo;          // window caption
    QString Dettaglio;       // table of the rows of each code (its key: the code's, then its own)
    QString TitoloDettaglio; // caption of the rows
};

namespace TabelleCodici {

// The host's code tables, with their menu codes.
const QList<TTabellaCodici> &Elenco();
// The entry of a menu code; nullptr when none.
const TTabellaCodici *PerCodice(const QString &codice);
// The menu code of the window that keeps a table (a code table or a master window); empty
// when none.
QString CodiceMenu(const QString &tabella);

} // namespace TabelleCodici

class TFTabellaCodici : public TFBBasAnagrafica {
    Q_OBJECT
public:
    explicit TFTabellaCodici(QWidget *owner = nullptr);

    // The table shown; before the window is created. Throws Exception for a table the
    // dictionary does not hold in the company database.
    void ImpostaTabella(const TTabellaCodici &tabella);
    const TTabellaCodici &Configurazione() const { return config_; }

    TXTabellaAnagrafica *tMain = nullptr;
    // The rows of the current code (null without a detail table).
    TXTabellaAnagrafica *tDettaglio = nullptr;
    TDataSource *DSDettaglio = nullptr;
    KDBGriglia *GrigliaDettaglio = nullptr;
    TDBNavigator *NavDettaglio = nullptr;

    void FormCreate() override;
    virtual void tMainBeforePost(TDataSet *DataSet);
    virtual void tMainBeforeDelete(TDataSet *DataSet);
    // A row can be added once its code is stored: a code being edited is saved first.
    virtual void tDettaglioBeforeInsert(TDataSet *DataSet);
    virtual void tDettaglioNewRecord(TDataSet *DataSet);
    virtual void tDettaglioBeforePost(TDataSet *DataSet);

protected:
    QStringList TabelleCollegate() const override;
    // The values a table of codes accepts (percentages, decimals, rates).
    virtual void ControllaValori(TDataSet *dataSet);

private:
    QWidget *Controllo(const DictColumn &colonna, const QString &tabella, QWidget *parent, QWidget *&descrizione);

    TTabellaCodici config_;
};

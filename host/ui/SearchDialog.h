#pragma once
// The host's search of a code: a modal list over a table (or view) filtered by what the
// user types, by the start of the code or by part of the description.
#include "host/ui/Dlgbase.h"

#include <QString>
#include <QStringList>
#include <QVariant>

class KDBGriglia;
class QComboBox;
class QLabel;
class QLineEdit;
class TDataSource;
class TXQuery;

namespace Dlgricerca {

struct TRicerca {
    QString Tabella;          // table searched
    QString Vista;            // a view searched instead, when set
    QString CampoChiave;      // the code column, answered
    QString CampoDescrizione; // from the dictionary when empty
    QStringList AltreColonne; // further columns listed
    QString Condizione;       // fixed condition (SQL) of the rows listed
    QString Titolo;           // caption; from the dictionary's table label when empty
    QString sRicerca;         // text to start with
    int sTipoRic = 0;         // 0 by code (start of the code), 1 by description (any part)
    int Limite = 0;           // rows listed; the host's setting (or 500) when 0

    QVariant Risultato;  // the code chosen
    QString Descrizione; // and its description
};

// Shows the search; true when the user chose a row (Risultato and Descrizione set).
bool Ricerca(QWidget *owner, TRicerca &ricerca);

// The description column of a table: the dictionary's "Descrizione", "RagioneSociale",
// a column beginning with "Ds", else the first text column after the key.
QString ColonnaDescrizione(const QString &table, const QString &key);

} // namespace Dlgricerca

class TfdlgRicerca : public TfdlgBase {
    Q_OBJECT
public:
    explicit TfdlgRicerca(QWidget *owner = nullptr);
    ~TfdlgRicerca() override;

    Dlgricerca::TRicerca Params;

    QLineEdit *edRicerca = nullptr;
    QComboBox *cbTipoRic = nullptr;
    KDBGriglia *gLista = nullptr;
    TXQuery *qRicerca = nullptr;
    TDataSource *dsRicerca = nullptr;

    void FormShow() override;
    void FormKeyDown(int &key, TShiftState shift) override;
    void btOkClick() override;
    // Reads the rows for the text typed.
    virtual void Cerca();
    // The SQL of the search and its parameter values.
    QString TestoSQL(QVariantList &values) const;

private:
    void UpdateOk();
    QLabel *lbInfo_ = nullptr;
};

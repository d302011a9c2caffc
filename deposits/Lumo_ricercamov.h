#pragma once
// The search of the deposit journals (record lumo0204d: account type, account, period): the
// movements that match, listed with the account's name; OK (or a double click on the list)
// hands back the chosen movement's key and the selection for the window's head table.
#include "host/ui/Dlgbase.h"

#include <QList>
#include <QString>

class KDBGriglia;
class QPushButton;
class TDataSource;
class TXMemTable;
class TXQuery;

namespace Ui {
class Lumo_ricercamov;
}

// One column of the list: field and title.
struct TLumoColonnaRicerca {
    QString Campo;
    QString Titolo;
    int Larghezza = 80;
};

class TFLumoRicercaMovimenti : public TfdlgBase {
    Q_OBJECT
public:
    // Heads of the table, found by their key, listed with the columns given.
    TFLumoRicercaMovimenti(QWidget *owner, const QString &tabella, const QString &chiave,
                           const QList<TLumoColonnaRicerca> &colonne);
    ~TFLumoRicercaMovimenti() override;

    TXMemTable *tPars;
    TDataSource *DSPars;
    TXQuery *qLista;
    TDataSource *DSLista;
    QPushButton *btSelezione;

    // The movement chosen, and the selection of the window's head table.
    qint64 _KContaT = 0;
    QString vFiltro;

    void FormCreate() override;
    void btOkClick() override;
    virtual void btSelezioneClick();

    // The two selection texts of the parameters: for the list (columns prefixed "M.") and
    // for the window's head table. Codes quoted, dates as the database's literals.
    static void CreaSelezione(TDataSet *parametri, const QString &chiave, QString &lista, QString &filtro);

private:
    void AbilitaOk();

    Ui::Lumo_ricercamov *ui;
    QString tabella_;
    QString chiave_;
};

class TXTable;

// The window's search: the dialog (the registered replacement of the class, if any) shown
// modally; on OK the head table is opened on its selection, ordered by "DataReg DESC", and
// positioned on the movement chosen. False when cancelled.
bool LUMO_RicercaMovimento(const ClassRef &classe, QWidget *owner, TXTable *testa, const QString &chiave);

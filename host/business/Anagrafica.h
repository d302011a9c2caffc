#pragma once
// The base of the host's master-data windows: a list page and detail pages over one company
// table, with the checks every such window makes.
//
// - The main table (TXTabellaAnagrafica) writes each post or delete in a transaction of its
//   own (or the caller's), with the rows it owns; a code already taken is refused in Italian.
// - A code typed into a field that names a row of another table must exist there (checked
//   when the field is assigned; codes of several columns, such as a bank, before a post).
// - The key is required, read-only once stored, and a code still used by documents,
//   movements or other master data cannot be deleted.
// - A window opened from a menu code followed by ";" and a code moves to that code.
//
// Each window wires its table's events to handlers of its own, named after the dataset
// (TArticoliBeforePost...), which call the steps below; all are virtual.
#include "host/data/TXClientTable.h"
#include "host/ui/Dbchild.h"

#include <functional>

class KPageControl;

// The main table of a master-data window.
class TXTabellaAnagrafica : public TXClientTable {
    Q_OBJECT
public:
    explicit TXTabellaAnagrafica(QObject *owner = nullptr);

    // Run inside the transaction of the write, with the record current: after the row was
    // inserted or updated; before the row is deleted.
    std::function<void(TXTabellaAnagrafica *)> OnRigaScritta;
    std::function<void(TXTabellaAnagrafica *)> OnRigaCancellata;

    // The message of a code already taken.
    QString MessaggioDuplicato() const;

protected:
    void InternalPost(Record *oldRecord, QVector<QVariant> &values) override;
    void InternalDelete(Record *record) override;

private:
    void InTransazione(const std::function<void()> &lavoro);
};

class TFBBasAnagrafica : public TFDBTabChild {
    Q_OBJECT
public:
    explicit TFBBasAnagrafica(QWidget *owner = nullptr);

    // The main table (DSMain's dataset).
    TXTabellaAnagrafica *Tabella() const { return tabella_; }

    void FormCreate() override;
    void DSMainStateChange(TDataSource *source) override;

    // The window ready for use: the list page in front, the main table read again (unless a
    // record is being edited) and on its first record. Answers true.
    virtual bool InitForm();
    // Moves to the record of a code (the last column of the key; the others as the window
    // keeps them) and shows its detail. False when there is none.
    virtual bool PosizionaCodice(const QString &codice);

protected:
    // Makes the main table: the dataset named nome on the company table, in key order.
    TXTabellaAnagrafica *CreaTabella(const QString &nome, const QString &tabella);
    // Moves the pages of the layout's page control after the list page; the first becomes
    // the detail page.
    void ImpostaPagine(KPageControl *pagine);

    // ---- steps of the handlers
    // Before a post of a table of the window: the key is given (texts trimmed) and
    // unchanged, and the codes of several columns that the record holds exist.
    virtual void ControllaRecord(TDataSet *dataSet);
    // Before a delete: refuses a code that rows of other tables still use.
    virtual void ControllaCancellazione(TDataSet *dataSet);
    // Inside the delete: removes the rows the record owns (TabelleCollegate).
    virtual void EliminaCollegati(TDataSet *dataSet);
    // Tables whose rows belong to a record of the main table and go with it.
    virtual QStringList TabelleCollegate() const { return {}; }
    // Refuses, on assignment, a code of another table that does not exist there.
    virtual void ControllaCodice(TField *field);
    // Puts ControllaCodice on the fields of an open table that hold codes of other tables.
    void AttivaControlliCodici(TXTable *tabella);

private:
    TXTabellaAnagrafica *tabella_ = nullptr;
    QList<QWidget *> controlliChiave_;
};

#pragma once
// A table held in memory only: dialog parameter records and work lists.
#include "host/data/TDataSet.h"

class TXMemTable : public TDataSet {
    Q_OBJECT
public:
    explicit TXMemTable(QObject *owner = nullptr);
    ~TXMemTable() override;

    // The name the records are kept under: a memory table with a name finds, when it opens,
    // the records it held when it was last closed or destroyed in this run (a dialog's
    // parameter record survives from one opening of the dialog to the next).
    const QString &TableName() const { return tableName_; }
    void SetTableName(const QString &name);
    // Fields from the dictionary entry of TableName (declared fields are added to them).
    bool UsaDizionario() const { return usaDizionario_; }
    void SetUsaDizionario(bool on) { usaDizionario_ = on; }
    // Whether records are kept between openings (on by default when a name is set).
    bool KeepRecords() const { return keepRecords_; }
    void SetKeepRecords(bool keep) { keepRecords_ = keep; }

    // Removes every record (also the ones kept under the name).
    void EmptyTable();
    // Opens the table (Delphi's name for creating an empty memory table).
    void CreateDataSet() { Open(); }
    // Forgets every record kept under any name (tests).
    static void ForgetKeptRecords();

protected:
    void InternalOpen() override;
    void InternalClose() override;

private:
    void SaveRecords(bool withPendingEdit);

    QString tableName_;
    bool usaDizionario_ = false;
    bool keepRecords_ = true;
};

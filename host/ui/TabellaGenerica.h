#pragma once
// A host maintenance window over any company table of the dictionary: the list of rows and
// a detail page with one control per column (drop-down lists for columns with items, date
// edits, memos, edits with the column's formats). The host shows it for the menu codes
// whose menu entry names a table, until a window of its own takes the code.
#include "host/ui/Dbchild.h"

class TXTable;

class TFTabellaGenerica : public TFDBTabChild {
    Q_OBJECT
public:
    explicit TFTabellaGenerica(QWidget *owner = nullptr);

    TXTable *tMain = nullptr;

    // The table shown; call before the window is created. Throws Exception for a table the
    // dictionary does not hold in the company database.
    void ImpostaTabella(const QString &table, const QString &caption = QString());
    const QString &Tabella() const { return table_; }

private:
    QString table_;
};

namespace HostTables {

// The class reference of the window over a table.
ClassRef ClassePerTabella(const QString &table, const QString &caption = QString());
// Registers a host menu choice for the code that opens (once) the window over the table;
// a code the host already handles is left alone.
void RegistraScelta(const QString &code, const QString &table, const QString &caption = QString());

} // namespace HostTables

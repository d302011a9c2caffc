#pragma once
// What the module's code-table windows and their list prints share: the window's table and
// the print request, the same in every window but for the table and the print class.
#include "host/data/TXQuery.h"
#include "host/report/TfKV8ReportB.h"
#include "host/ui/ClassRegistry.h"

#include <QString>
#include <QStringList>

#include <memory>

class QWidget;
class TFDBChild;
class TXTable;

// The window's table tMain on a company table (dictionary, record duplication and automatic
// apply on), ordered by its code (the table's own order when codice is empty), made the
// window's DSMain; a record without its code is not stored, one whose code is still used is not
// deleted. On a tabbed window the grid shows
// the columns given and the detail page is in front.
TXTable *CreaTabellaCodici(TFDBChild *finestra, const QString &tabella, const QString &codice,
                           const QStringList &colonneGriglia);

// Before the window's table stores a record (its BeforePost): the code must be given.
void ControllaCodiceTabella(TXTable *tabella);

// The list query qMain of a code-table print: "SELECT <tabella>.*" "FROM <tabella>", whose
// template adds the selection line "{WHERE XWHERE}" when selezione is set.
TXQuery *CreaQueryCodici(TfKV8ReportB *stampa, const QString &tabella, bool selezione);

// Prints (or previews) the list of a code table through the print class, or the substitute
// registered for it, owned by the window while it runs.
template <class TStampa> void StampaTabellaCodici(QWidget *finestra, bool preview)
{
    std::unique_ptr<TStampa> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<TStampa>()).template CreateAs<TStampa>(finestra));
    stampa->ImpostaQuery(stampa->qMain, 0, QString(), QString(), QString());
    stampa->ImpostaReport(QString());
    stampa->EseguiStampa(preview, false);
}

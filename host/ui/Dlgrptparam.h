#pragma once
// The host's report-parameter dialog of list prints: a range of codes, the layout of the
// print and the order of the rows.
#include "host/ui/Dlgbase.h"

#include <QPointer>
#include <QString>

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace Dlgrptparam {

struct TRPTParams {
    QString Titolo;                // caption of the dialog
    QString CampoChiave;           // key column ("IdCausale")
    QString CampoDescrizione;      // description column, for the order by description
    QString Alias;                 // alias of the table in the print's query ("C")
    int Layout = 0;                // chosen layout: position in Layouts
    QString Layouts;               // layout names separated by ";"
    QPointer<QObject> Riferimento; // the window asking
    QString DaCodice;              // range of codes; empty: no bound
    QString ACodice;
    int TipoOrdine = 0; // 0 by code, 1 by description
    QString Ordine;     // the order as SQL ("C.IdCausale"), set by the dialog
};

// The defaults: one layout "Standard", order by code, no range.
void InitRPTParams(TRPTParams &params);
// Shows the dialog; false when the user cancels. On OK the range, layout, order kind and
// order text are filled in.
bool GetRPTParams(QWidget *owner, TRPTParams &params);
// The order text of the parameters: alias and column of the order chosen.
QString TestoOrdine(const TRPTParams &params);

} // namespace Dlgrptparam

class TfdlgRptParam : public TfdlgBase {
    Q_OBJECT
public:
    explicit TfdlgRptParam(QWidget *owner = nullptr);

    Dlgrptparam::TRPTParams Params;

    QLineEdit *edDaCodice = nullptr;
    QLineEdit *edACodice = nullptr;
    QComboBox *cbLayout = nullptr;
    QRadioButton *rbCodice = nullptr;
    QRadioButton *rbDescrizione = nullptr;

    void FormShow() override;
    void btOkClick() override;
};

#pragma once
// The host's multi-selection: a modal list of the rows of a table (filtered by a fixed
// condition) with a check box on each, whose chosen codes come back as one text of quoted
// codes ("'A','B'") with their number, ready for an "IN (...)" condition.
#include "host/ui/Dlgbase.h"

#include <QList>
#include <QString>
#include <QStringList>

class QTreeWidget;

namespace Dlgselmulti {

struct TColonna {
    QString Campo;
    QString Titolo;
    int Larghezza = 100;
};

// The parameter record of a multi-selection: what to list, and the answer.
struct TSelezioneMultipla {
    QString Tabella;
    QString CampoChiave;
    QString Filtro; // fixed condition (SQL) of the rows listed, empty for all
    QString Titolo;
    QList<TColonna> Colonne; // the key first, as a rule
    int Numero = 0;          // codes chosen
    QString Codici;          // the chosen codes, quoted and separated by commas

    // Nothing chosen.
    void Pulisci();
    // The code among the chosen ones (compared as the quoted text holds it).
    bool Contiene(const QString &codice) const;
};

// Shows the selection with the codes already chosen ticked; true when confirmed (Numero
// and Codici then hold the new choice), false when cancelled (nothing changed).
bool Seleziona(QWidget *owner, TSelezioneMultipla &selezione);

// The codes as one text of quoted codes.
QString Quota(const QStringList &codici);

} // namespace Dlgselmulti

class TfdlgSelezioneMultipla : public TfdlgBase {
    Q_OBJECT
public:
    explicit TfdlgSelezioneMultipla(QWidget *owner = nullptr);

    Dlgselmulti::TSelezioneMultipla Params;
    QTreeWidget *lvLista = nullptr;

    void FormShow() override;
    void btOkClick() override;
    // Ticks every row, or none.
    void SelezionaTutti(bool scelti);
    // The codes ticked, in list order.
    QStringList CodiciScelti() const;
};

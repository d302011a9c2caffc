#pragma once
// The host's packaging-contribution module (global DMISCon). The stand-in keeps no
// contribution rows: its steps are empty and succeed.
#include "host/data/TDataModule.h"

#include <QPointer>
#include <QString>

class TDMISCon : public TDataModule {
    Q_OBJECT
public:
    explicit TDMISCon(QObject *owner = nullptr);
    ~TDMISCon() override;

    // The program's module (global DMISCon), created through the data-module registry on the
    // first call and owned by the application unless an owner is given.
    static TDMISCon *Crea(QObject *owner = nullptr);

    // Updates the contribution references linked to a document row; a negative answer means
    // failure, with the reason in errore.
    virtual int AggiornaRiferimentiCollegati(int codTipoDoc, int chiaveRigo, const QString &campoStato, int stato,
                                             QString &errore, double quantita, double importo, double controvalore,
                                             double quantitaSaldo);
};

inline QPointer<TDMISCon> DMISCon;

#pragma once
// The host's commission data module (global DMIBPra): an agent's commission data.
#include "host/data/TDataModule.h"

#include <QPointer>
#include <QString>

class TDMIBPra : public TDataModule {
    Q_OBJECT
public:
    explicit TDMIBPra(QObject *owner = nullptr);
    ~TDMIBPra() override;

    // The program's module (global DMIBPra), created on the first call and owned by the
    // application unless an owner is given.
    static TDMIBPra *Crea(QObject *owner = nullptr);

    struct TDatiProvvigione {
        QString IdAgente;
        QString RagioneSociale;
        double Provvigione = 0; // the agent's commission percentage
        bool BaseImporto =
            false; // commission on the row's first base (its amount), else on the second (net of head discounts)
    };
    // The agent's commission data; false (and empty data but the code) when there is no such
    // agent.
    virtual bool DatiProvvigione(const QString &idAgente, TDatiProvvigione &dati);
};

inline QPointer<TDMIBPra> DMIBPra;

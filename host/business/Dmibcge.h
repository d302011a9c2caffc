#pragma once
// The host's general-ledger module (global DMIBCge): whether split payment of VAT applies.
#include "host/data/TDataModule.h"

#include <QDateTime>
#include <QPointer>
#include <QString>

class TDMIBCge : public TDataModule {
    Q_OBJECT
public:
    explicit TDMIBCge(QObject *owner = nullptr);
    ~TDMIBCge() override;

    // The program's module (global DMIBCge), created on the first call and owned by the
    // application unless an owner is given.
    static TDMIBCge *Crea(QObject *owner = nullptr);

    // Whether split payment applies to the account at the date: a customer ("CL") marked for
    // it whose period (either bound may be empty) holds the date. Other accounts: false.
    virtual bool IvaSplit(const QString &tipoConto, const QString &conto, const QDateTime &data);
};

inline QPointer<TDMIBCge> DMIBCge;

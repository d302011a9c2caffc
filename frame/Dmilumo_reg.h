#pragma once
// The data module of the wine registers: the register progressives, the annual-balance tables
// and the movement queries of the registers. Every dataset is closed when the module is created.
#include "host/data/TDataModule.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"

#include <QPointer>

class TDMILUMO_reg : public TDataModule {
    Q_OBJECT
public:
    explicit TDMILUMO_reg(QObject *owner = nullptr);
    ~TDMILUMO_reg() override;

    // The program's module (global DMILUMO_reg), created on the first call and kept until the
    // host ends.
    static TDMILUMO_reg *Crea(QObject *owner = nullptr);

    TXTable *tProgRegistri;
    TXTable *tPrBilDicGiaT;
    TXTable *tPrBilDicGiaR;

    // Movements of a period (DaData to A_Data) for the load/unload, bottling and tax-stamp
    // registers (the last two of the warehouses of grouping IdRaggMag; the bottling register
    // computes its own columns over this text's FROM and WHERE), and the stored stock of a
    // warehouse grouping.
    TXQuery *qMMRegCs;
    TXQuery *qProgRegCsT;
    TXQuery *qMMRegImb;
    TXQuery *qMMRegCon;
    TXQuery *qProgRegConT;

private:
    TXTable *Table(const QString &name, const QString &table);
    TXQuery *Query(const QString &name, const QStringList &sql);
};

inline QPointer<TDMILUMO_reg> DMILUMO_reg;

#pragma once
// The host's serial-number module (global DMIBMat). The stand-in keeps no serial numbers:
// its steps are empty and succeed, in their place in the warehouse sequences.
#include "host/data/TDataModule.h"

#include <QPointer>
#include <QString>

class TDataSet;

class TDMIBMat : public TDataModule {
    Q_OBJECT
public:
    explicit TDMIBMat(QObject *owner = nullptr);
    ~TDMIBMat() override;

    // The program's module (global DMIBMat), created through the data-module registry on the
    // first call and owned by the application unless an owner is given.
    static TDMIBMat *Crea(QObject *owner = nullptr);

    // Kind of the records of warehouse movements.
    static constexpr int TipoMovimento = 99;

    // Each answers false with the reason in messaggio on failure.
    // Removes the serial records of a movement (or a document row) of the kind.
    virtual bool CancellaMatricole(int tipo, int chiave, QString &messaggio);
    // Registers on the movement the serial records of the document (records: the document's
    // quantity-detail records).
    virtual bool RegistraMatricole(int tipo, int chiave, TDataSet *records, QString &messaggio);
    // Registers on the movement the serial records of one quantity detail.
    virtual bool RegistraDettaglioMatricole(int tipo, int chiave, TDataSet *dettaglio, QString &messaggio);
};

inline QPointer<TDMIBMat> DMIBMat;

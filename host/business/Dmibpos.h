#pragma once
// The host's article-validity module (global DMIBPos): whether an article may be used on a
// document of a date.
#include "host/data/TDataModule.h"

#include <QDateTime>
#include <QPointer>
#include <QString>

class TDMIBPos : public TDataModule {
    Q_OBJECT
public:
    explicit TDMIBPos(QObject *owner = nullptr);
    ~TDMIBPos() override;

    // The program's module (global DMIBPos), created on the first call and owned by the
    // application unless an owner is given.
    static TDMIBPos *Crea(QObject *owner = nullptr);

    // True when the article exists and is in use (not obsolete) and the date falls in an
    // exercise of the warehouse; otherwise false, with the reason in messaggio.
    virtual bool TestArticolo(const QString &idProdotto, const QDateTime &data, QString &messaggio);
};

inline QPointer<TDMIBPos> DMIBPos;

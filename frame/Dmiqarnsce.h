#pragma once
// The dispatcher's data module: the hook every menu choice passes before the module's own
// codes. Another library may place an instance of its own subclass in DMIQARNSCE before the
// first menu choice; its QARN_EseguiScelta then sees every code and takes over those it
// answers true for.
#include "host/ui/Forms.h"

#include <QPointer>

class TDMIQARNSCE : public TXDataModule {
    Q_OBJECT
public:
    explicit TDMIQARNSCE(QObject *owner = nullptr);
    ~TDMIQARNSCE() override;

    // The module's own version takes "...." only, and does nothing with it.
    virtual bool QARN_EseguiScelta(QWidget *mainForm, const QString &code);
};

inline QPointer<TDMIQARNSCE> DMIQARNSCE;

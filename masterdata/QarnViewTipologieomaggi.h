#pragma once
// The gift typologies (menu code "QARNVIEWTIPOLOGIEOMAGGI"): single-record window over
// LUMO_TipologieOmaggiArt in code order. A typology is stored only with a gift account the
// host accepts (checked when typed and again before every store); the account's name shows
// beside it.
#include "host/ui/Dbchild.h"

#include <QPointer>

class TField;
class TXTable;

namespace Ui {
class QarnViewTipologieomaggi;
}

class TFQarnViewTipologieOmaggi : public TFDBChild {
    Q_OBJECT
public:
    explicit TFQarnViewTipologieOmaggi(QWidget *owner = nullptr);
    ~TFQarnViewTipologieOmaggi() override;

    TXTable *tMain;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    // OnValidate of IdConto: refuses an account the host does not accept, an empty one too.
    virtual void tMainIdContoValidate(TField *Sender);
    // BeforePost: the account check on the record's IdConto, even when it was not touched.
    virtual void tMainBeforePost(TDataSet *DataSet);

private:
    Ui::QarnViewTipologieomaggi *ui;
};

inline QPointer<TFQarnViewTipologieOmaggi> FQarnViewTipologieOmaggi;

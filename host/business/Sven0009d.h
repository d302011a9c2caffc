#pragma once
// The invoice print dialog (menu code "SVEN0009D"): a range of customer invoices in the
// parameter record (memory table "sven0009d"), printed by the invoice print registered as
// "TfSVen0009s", plain or accompanying.
#include "host/ui/Dbchildpars.h"

#include <QPointer>

class QCheckBox;
struct TSelezioneDocumenti;

namespace Ui {
class Sven0009d;
}

class TFSven0009d : public TFDBChildPars {
    Q_OBJECT
public:
    explicit TFSven0009d(QWidget *owner = nullptr);
    ~TFSven0009d() override;

    QCheckBox *chAccompagnatoria;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;

    // The range of the parameter record.
    TSelezioneDocumenti Selezione() const;

private:
    Ui::Sven0009d *ui;
};

inline QPointer<TFSven0009d> FSven0009d;

#pragma once
// The change of the articles' picture folder (menu code "QARN0801D"): every article's
// attachment (Articoli.Allegati) is pointed to the folder typed, keeping its file name, in
// one transaction; the dialog closes when done, and stays open when no article has a picture
// or the job fails (nothing changed then).
#include "host/ui/Dbchildpars.h"

#include <QPointer>

class TXQuery;

namespace Ui {
class Qarn0801d;
}

// The attachment path in the folder: the file name (after the last "\", "/" or ":", trimmed)
// joined to the folder with the separator the folder uses ("\" when it has none), never
// doubled. An empty text when the attachment holds no file name.
QString UT_LMQ_GEN_NuovoPathImmagine(const QString &cartella, const QString &allegato);

class TFqarn0801d : public TFDBChildPars {
    Q_OBJECT
public:
    explicit TFqarn0801d(QWidget *owner = nullptr);
    ~TFqarn0801d() override;

    TXQuery *qArticoli;

    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;

private:
    // The articles of qArticoli (open) pointed to the folder, inside the caller's transaction.
    void Aggiorna(const QString &cartella);

    Ui::Qarn0801d *ui;
};

inline QPointer<TFqarn0801d> Fqarn0801d;

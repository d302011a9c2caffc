#pragma once
// Customer delivery notes of the module ("SVEN0001F_C", "SVEN0001F_F"): the host's delivery-note
// window with the deposit summary on its own tab ("Castelletto Cauzioni"), rows entered as
// packages with their price type and litres, and the save that keeps deposits, litres,
// parcels, transport, reservations and the packaging-expense account with the note, in the
// host's transaction. The tab and the row panel are the invoice window's layout.
#include "documents/Lumo_finestradoc.h"
#include "host/business/Sven0001f.h"

#include <QPointer>

class KDBGriglia;
class TDBNavigator;

class TFSVen0001f_p : public TLumoFinestraVendita<TFSVen0001f, TFSVen0001f_p> {
    Q_OBJECT
public:
    explicit TFSVen0001f_p(QWidget *owner = nullptr);

    // ---- controls
    KDBGriglia *gUT_LMQ_CauzDoc = nullptr;
    TDBNavigator *DBNavigatoreCauz = nullptr;

    // ---- the save ("DT"): the host's order with the module's steps
    void SalvaDocumento() override;
    // The deposit tab held on the working copy from the transaction's first step to the end.
    void ControllaAltriUtenti() override;
    void AnnullaSalvataggio(const QString &messaggio) override;
    void DopoSalvataggio() override;
    void CostruisciRiepilogo() override; // summary posted and rebuilt, deposit value
    // The stored note through the module's standard print.
    void StampaDocumento(bool anteprima) override;
    // The summary rebuilt from the rows, unless built on the tab during this edit.
    void UT_LMQ_RicostruisciCastelletto() override;
};

inline QPointer<TFSVen0001f_p> FSVen0001f_p;

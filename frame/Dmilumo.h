#pragma once
// The module's shared data module: lookups, queries and client tables on the module's tables,
// used by many windows and routines. Every dataset is closed when the module is created; each
// user sets the text and parameters it needs before opening.
#include "host/data/TDataModule.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXlkTable.h"

#include <QPointer>

class TDMILUMO : public TDataModule {
    Q_OBJECT
public:
    explicit TDMILUMO(QObject *owner = nullptr);
    ~TDMILUMO() override;

    // The program's module (global DMILUMO), created on the first call and kept until the
    // host ends.
    static TDMILUMO *Crea(QObject *owner = nullptr);

    // Lookup tables, each on the module table of the same name after "lk"
    // (lkLUMO_TipologieOmaggi on LUMO_TipologieOmaggiArt).
    TXlkTable *lkLUMO_Bottiglie;
    TXlkTable *lkLUMO_Colori;
    TXlkTable *lkLUMO_Natura;
    TXlkTable *lkLUMO_CatVin;
    TXlkTable *lkLUMO_Specifica;
    TXlkTable *lkLUMO_Regioni;
    TXlkTable *lkLUMO_ZonaProd;
    TXlkTable *lkLUMO_Tipologie;
    TXlkTable *lkLUMO_ConIva;
    TXlkTable *lkLUMO_Parametri;
    TXlkTable *lkLUMO_ProgRegistri;
    TXlkTable *lkLUMO_RaggMagT;
    TXlkTable *lkLUMO_RaggMagR;
    TXlkTable *lkLUMO_ProgCauz;
    TXlkTable *lkLUMO_ParAcc;
    TXlkTable *lkLUMO_TipologieOmaggi;
    TXlkTable *lkLUMO_Vasche;
    TXlkTable *lkLUMO_ListTraD;
    TXlkTable *lkLUMO_ListTraQ;
    TXlkTable *lkLUMO_ListTraR;
    TXlkTable *lkLUMO_ListTraT;
    TXlkTable *lkLUMO_PrenotaR;

    // Queries on "GlobalDatabase".
    TXQuery *qLUMO_ListTra;
    TXQuery *qLUMO_ListTraR;
    TXQuery *qLUMO_Prenota;
    TXQuery *qChiudiPrenota;
    TXQuery *qPrenotaE_Bol;
    TXQuery *qDelPrenotaE;
    TXQuery *qListCauz;
    TXQuery *qImballi;
    TXQuery *qLUMO_ProgCauz;
    TXQuery *qGenerica;
    TXQuery *qLUMO_StaCasCau;
    TXQuery *qLUMO_CasDocFatRagg;
    TXQuery *qLUMO_CauzRese;
    TXQuery *qValAttCau;
    TXQuery *qAppoLUMO;

    // Client tables, opened on their empty selection.
    TXClientTable *TRS_ProgCauz;
    TXClientTable *TRSProgCauz;
    TXClientTable *TRS_MovCauT;
    TXClientTable *TRS_MovCauR;
    TXClientTable *TRS_Protocolli;
    TXClientTable *TRS_PrenotaT;
    TXClientTable *TRS_PrenotaR;
    TXClientTable *TRS_PrenotaE;
    TXClientTable *TRS_MovResT;

private:
    TXlkTable *Lookup(const QString &name, const QString &table);
    TXQuery *Query(const QString &name, const QStringList &sql);
    TXClientTable *ClientTable(const QString &name, const QString &table, const QString &whereVuoto);
};

inline QPointer<TDMILUMO> DMILUMO;

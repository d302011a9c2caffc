#pragma once
// The host's settings, grouped in small records by area (base, sales, orders, batches...).
// Each setting lives in the settings table as section + name -> value (ConfigStore loads
// them); a setting that is not stored reads its default.
#include <QString>
#include <QVariant>

class KV8Config {
public:
    // Base sales settings.
    struct TFSBAS01 {
        int DivisoreVolume = 1; // divisor of the volume measure (type 3); never below 1
        int FlSpeseCliente = 0; // 1: the customer's VAT override covers transport, packaging, various expenses
        int FlDettaglioQta = 0; // 1: quantity details (batches, groups) in use
    };
    struct TFSBAS03 {
        QString IdIvaRidotta; // default reduced-rate VAT code
    };
    // Commissions.
    struct TFBPRA01 {
        int FlProvvigioni = 0; // 1: commissions computed on documents
    };
    // Sales totals.
    struct TFSVED01 {
        int FlArrotondaSconti = 0; // 1: each head-discount level rounded at the value decimals
    };
    struct TFBBAS00 {
        int FlIvaManodopera = 0; // 1: labour totals computed for the VAT on labour
    };
    // Master-data browsing.
    struct TFBBAS07 {
        int LimiteRicerca = 0; // rows shown by a master-data browse; 0: the host's default
    };
    struct TFBBAS08 {
        int TipoRigoRAEE = -1; // row type of electrical-waste tax rows; -1: none
    };
    struct TFSCON01 {
        int TipoRigoCONAI1 = -1; // row types of the packaging-contribution rows; -1: none
        int TipoRigoCONAI2 = -1;
    };
    // Batches.
    struct TFSLOT01 {
        int FlQtaZeroLotti = 0; // 1: a new row with batch details starts at quantity 0
    };
    // Bill of materials explosion.
    struct TFSDBA01 {
        int LivelliEsplosione = 0;  // levels exploded; 0: all
        int FlComponentiValidi = 1; // 1: only components valid at the document date
    };
    // Warehouse.
    struct TFMBAS01 {
        int FlGestDimensioni = 0; // 1: articles with dimensions (sizes) managed
        int LivelloPartite = 0;   // 2 or more: stock kept by batch (Partita) as well
        int FlMatricole = 0;      // 1: serial numbers on warehouse movements
    };
    // Contract work.
    struct TFSCLV01 {
        int FlContoLavoro = 0;        // 1: contract work in use
        int TipoRigoContoLavoro = -1; // row type of contract-work rows, which book no stock; -1: none
    };
    // Customer orders.
    struct TFSORC01 {
        int FlControlloEccedenza = 1; // selection beyond the ordered quantity: 0 allowed, 1 warn, 2 refuse
        // Rows taken from orders into a document: a reference row before each order's rows
        // (0 none; 1 number and date; 2 the customer's reference; 3 both) opening with
        // TestoRifOrdine; FlPesiOrdine 1 gives a partly taken line its share of the weights.
        int FlRifOrdine = 0;
        QString TestoRifOrdine = QStringLiteral("Rif. Ordine");
        int FlPesiOrdine = 0;
    };
    struct TFSVEN01 {
        int FlDurata = 0; // default article duration
        // Row types whose negative quantities are booked by the sign of the warehouse causal
        // (returns on sales documents); -1: none.
        int TipoRigoReso1 = -1;
        int TipoRigoReso2 = -1;
    };
    // General accounting.
    struct TFBCGE01 {
        int FlContatoreRegistro = 0; // 1: the VAT register keeps its own invoice counter
    };

    static TFSBAS01 GetFSBAS01();
    static TFSBAS03 GetFSBAS03();
    static TFBPRA01 GetFBPRA01();
    static TFSVED01 GetFSVED01();
    static TFBBAS00 GetFBBAS00();
    static TFBBAS07 GetFBBAS07();
    static TFBBAS08 GetFBBAS08();
    static TFSCON01 GetFSCON01();
    static TFSLOT01 GetFSLOT01();
    static TFSDBA01 GetFSDBA01();
    static TFMBAS01 GetFMBAS01();
    static TFSCLV01 GetFSCLV01();
    static TFSORC01 GetFSORC01();
    static TFSVEN01 GetFSVEN01();
    static TFBCGE01 GetFBCGE01();

    // One setting by section ("FSBAS01") and name, both without regard to case; the default
    // when it is not stored.
    static QVariant Value(const QString &section, const QString &name, const QVariant &defaultValue = {});
    static void Set(const QString &section, const QString &name, const QVariant &value);
    // Every setting back to its default.
    static void Clear();
};

using TXKV8Config = KV8Config;

#pragma once
// The module's parameter record: the area switches and defaults of the single row "1" of
// LUMO_Parametri, reloaded on every menu choice, and the company's excise code from the host
// configuration. Every reader takes the switches from the record, never from the table.
#include <QString>
#include <QtGlobal>

struct TUT_PLMQ_Parametri {
    QString Password;
    qint32 FlQtaConf = 0;
    qint32 FlAbilTrasporto = 0;
    qint32 FlAbilCauz = 0;
    qint32 FlAbilAccisa = 0;
    qint32 FlAbilSchedaPro = 0;
    qint32 FlStaRegCon = 0;
    qint32 FlStaRegCs = 0;
    qint32 FlStaRegImb = 0;
    qint32 FlStaRegSpum = 0;
    qint32 FlStaRegCau = 0;
    qint32 FlAbilStatis = 0;
    qint32 FlAbilPrenota = 0;
    qint32 FlAbilVinifica = 0;
    qint32 FlTipoPrz = 0; // 1: price per package
    qint32 MeseIniBilDicGia = 0;
    QString PathCarImg;
    qint32 LungCodArtPad = 0;
    qint32 FlGestEcc = 0;
    QString LMQ_CodAcc; // the company's excise code (configuration variable QARN/01/LMQ_CodAcc)
};

inline TUT_PLMQ_Parametri UT_LMQ_Parametri;

// Bill-of-materials expansion: what the components of a kit row are multiplied by.
struct TUT_PLMQ_ParEspDB {
    qint32 FlTipoCalc = 0; // 0 total quantity, 1 number of packages, 2 quantity per package
};

inline TUT_PLMQ_ParEspDB UT_LMQ_ParEspDB;

// Fills UT_LMQ_Parametri from row "1" of the shared lookup on LUMO_Parametri (DMILUMO, which
// must exist). Without that row every column field keeps its value; the excise code is read
// in either case. The lookup reads the table when it opens: the configuration window closes
// it after a save, so the saved row applies from the next menu choice on; a change saved on
// another workstation applies once the program is started again (as the window tells).
void UT_LMQ_GEN_LeggoParametri();

// Shows the configuration window modally and frees it.
void UT_LUMO_ParametriModulo();

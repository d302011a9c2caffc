#pragma once
// The stamp and bottling registers opened from their menu codes on a company with one
// grouping of warehouses 1 and 2 (warehouse 3 outside), with movements, lots and progressives
// written straight into the tables, and the runs made as the user makes them.
#include "tests/module/registers/RegistriFixture.h"

#include "frame/Dmilumo.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXlkTable.h"
#include "host/report/ReportOutput.h"
#include "host/ui/Dbchildpars.h"

class RegistriVini : public EsercizioRegistri {
protected:
    void SetUp() override
    {
        EsercizioRegistri::SetUp();
        if (IsSkipped() || company.Db().Attached())
            return;
        Parametri(1);
        GruppoCantina();
        Esegui(QStringLiteral("INSERT INTO Clienti (IdConto, RagioneSociale) VALUES ('C1', 'Enoteca Rossi')"));
    }
    // Both register switches at once (1 graphic, 2 dot-matrix).
    void Parametri(int flStaReg)
    {
        Esegui(QStringLiteral("DELETE FROM LUMO_Parametri"));
        Esegui(QStringLiteral("INSERT INTO LUMO_Parametri (IdCodice, FlStaRegCon, FlStaRegImb) VALUES ('1', ?, ?)"),
               {flStaReg, flStaReg});
        if (DMILUMO)
            DMILUMO->lkLUMO_Parametri->Close();
    }
    void Movimento(int chiave, const QDateTime &data, int magazzino, const QString &causale, const QString &articolo,
                   double quantita, const QString &conto = QString(), int calo = 0)
    {
        Esegui(
            QStringLiteral("INSERT INTO MovMagazzino (KMovMag, DataMovimento, DataDocumento, RifDocumento, IdCausale, "
                           "IdMagazzino1, IdProdotto, Quantita, IdContoTp, IdConto, UT_LMQ_FlMovCalo) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {chiave, data, data, QStringLiteral("DOC%1").arg(chiave), causale, magazzino, articolo, quantita,
             conto.isEmpty() ? QStringLiteral("") : QStringLiteral("CL"), conto.isEmpty() ? QStringLiteral("") : conto,
             calo});
    }
    void Progressivo(const QString &registro, const QDateTime &data, int riga)
    {
        Esegui(QStringLiteral(
                   "INSERT INTO LUMO_ProgRegistri (IdRaggMag, IdRegistro, DataUltAgg, UltNumRiga) VALUES (1, ?, ?, ?)"),
               {registro, data, riga});
    }
    static QDateTime Giorno(int mese, int giorno, int ora = 0)
    {
        return QDateTime(QDate(2026, mese, giorno), QTime(ora, 0));
    }

    // The run button pressed: the print made, or an empty one when nothing printed.
    static ReportCapture::Print Lancia(TFDBChildPars *f)
    {
        ReportCapture capture;
        f->btEsegui->click();
        kv8test::ProcessEvents();
        return capture.Prints().isEmpty() ? ReportCapture::Print{} : capture.Last();
    }
};

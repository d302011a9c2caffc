#pragma once
// A company with two warehouses, three articles, the 2026 exercise, two delivery-note
// causals, an invoice causal, a supplier causal, customers with a destination and a
// supplier, and the stored documents the prints select (rows written as a save leaves them);
// the host's print and journal menu choices, a main window and the message script.
#include "host/business/SceltaStampe.h"
#include "host/core/Applvar.h"
#include "host/core/KV8Config.h"
#include "host/data/TXMemTable.h"
#include "host/db/TXDatabase.h"
#include "host/report/ReportOutput.h"
#include "host/ui/DBControls.h"
#include "host/ui/WindowFactory.h"
#include "tests/support/ui/FinestreHost.h"

#include <gtest/gtest.h>

#include <memory>

class Stampe : public FinestreHost {
protected:
    void SetUp() override
    {
        FinestreHost::SetUp();
        if (IsSkipped())
            return;
        CFG.DecQuantita = 3;
        CFG.DecValoreIT = 2;
        CFG.DecPrezzoIT = 4;
        CFG.RagioneSociale = QStringLiteral("Cantina di Prova");
        CFG.Anno = 2026;
        Esegui("INSERT INTO Magazzini (IdMagazzino, RagioneSociale) VALUES (1, 'Sede'), (2, 'Deposito')");
        Esegui(
            "INSERT INTO CodiciIva (IdIva, DsIva, Aliquota) VALUES ('22', 'IVA 22%', 22), ('E15', 'Esente art.15', 0)");
        Esegui("INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1, IdIva, CodiceBarre, FlGesLotti, FlGesGruppi, "
               "FlUtilizzo) "
               "VALUES ('A1', 'Barolo', 'BT', '22', '8001', 1, 0, 0), ('B1', 'Barbera', 'BT', '22', '', 0, 1, 0), "
               "('C1', 'Dolcetto', 'BT', '22', '8003', 0, 0, 0), ('OLD', 'Fuori produzione', 'BT', '22', '', 0, 0, 1)");
        Esegui("INSERT INTO CausaliMagaz (IdCausale, DsCausale, FlEsistenza, FlClasse) VALUES "
               "('CAR', 'Carico', 1, 0), ('SCA', 'Scarico', -1, 0)");
        Esegui("INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse) VALUES (0, 'Merce', 0), (2, 'Descrizione', 2)");
        Esegui(
            "INSERT INTO EserciziMagazzino (Esercizio, DsEsercizio, DataInizio, DataFine) VALUES (2026, '2026', ?, ?)",
            {Giorno(2026, 1, 1), Giorno(2026, 12, 31)});
        Esegui("INSERT INTO CausaliBolleCli (IdCausale, DsCausale, Serie, IdCausaleMaga) VALUES "
               "('DDT', 'Vendita', 0, 'SCA'), ('DDV', 'Conto visione', 1, 'SCA')");
        Esegui("INSERT INTO CausaliFattCli (IdCausale, DsCausale, FlTipoDocumento) VALUES ('FTI', 'Fattura immediata', "
               "0), "
               "('NCR', 'Nota di credito', 3)");
        Esegui("INSERT INTO CausaliBolleFor (IdCausale, DsCausale) VALUES ('BFA', 'Acquisto')");
        Esegui("INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale, Localita, IdLingua, IdContropartita) VALUES "
               "('CL', 'C1', 'Enoteca Rossi', 'Alba', '', '4001'), ('CL', 'C2', 'Wine Shop Ltd', 'London', 'ENG', ''), "
               "('CL', 'C3', 'Bar Verdi', 'Asti', '', '')");
        Esegui("INSERT INTO Destinazioni (IdContoTp, IdConto, IdDestinazione, RagioneSociale, Localita) VALUES "
               "('CL', 'C1', 1, 'Enoteca Rossi - Magazzino', 'Bra')");
        Esegui("INSERT INTO Fornitori (IdContoTp, IdConto, RagioneSociale, IdContropartita) VALUES ('FO', 'F1', "
               "'Vetreria Nord', '5001')");
        // delivery notes: 1..3 of 2026 series 0 causal DDT, 1 of series 1 causal DDV
        Bolla(101, 0, 1, Giorno(2026, 3, 2), QStringLiteral("DDT"), QStringLiteral("C1"), 1);
        Bolla(102, 0, 2, Giorno(2026, 3, 10).addSecs(15 * 3600), QStringLiteral("DDT"), QStringLiteral("C2"), 0);
        Bolla(103, 0, 3, Giorno(2026, 3, 20), QStringLiteral("DDT"), QStringLiteral("C3"), 0);
        Bolla(104, 1, 1, Giorno(2026, 3, 5), QStringLiteral("DDV"), QStringLiteral("C1"), 0);
        SceltaStampe::Registra();
        main = std::make_unique<kv8test::TestMainWindow>();
    }
    void TearDown() override
    {
        FinestreHost::TearDown();
        TXMemTable::ForgetKeptRecords();
    }

    // A stored delivery note with rows of A1 (12 bottles) and B1 (6 bottles), the second
    // invoiced when fatturato.
    void Bolla(int chiave, int serie, int numero, const QDateTime &data, const QString &causale, const QString &cliente,
               int destinazione, int fatturato = 0)
    {
        Esegui("INSERT INTO BolleCliTeste (KBolleCliT, IdCausale, Anno, Serie, Numero, DataDocumento, IdClienteTp, "
               "IdCliente, "
               "IdDestinazione, NumeroColli, PesoLordo, TotDocumento) VALUES (?, ?, 2026, ?, ?, ?, 'CL', ?, ?, 3, "
               "27.5, 123.45)",
               {chiave, causale, serie, numero, data, cliente, destinazione});
        Esegui("INSERT INTO BolleCliRighe (KBolleCliR, KBolleCliT, NumOrdine, IdProdotto, Descrizione, IdUM, Quantita, "
               "Lunghezza, Prezzo, FlGenFattura) VALUES (?, ?, 1, 'A1', 'Barolo', 'BT', 12, 2, 8.5, 1)",
               {chiave * 10 + 1, chiave});
        Esegui("INSERT INTO BolleCliRighe (KBolleCliR, KBolleCliT, NumOrdine, IdProdotto, Descrizione, IdUM, Quantita, "
               "Lunghezza, Prezzo, FlGenFattura) VALUES (?, ?, 2, 'B1', 'Barbera', 'BT', 6, 1, 5, ?)",
               {chiave * 10 + 2, chiave, fatturato});
    }
    // A stored invoice of one row with its VAT and total records.
    void Fattura(int chiave, int numero, const QString &causale, int tipoDocumento, const QString &cliente)
    {
        Esegui("INSERT INTO FattureCliTeste (KFattCliT, IdCausale, Anno, Serie, Numero, DataDocumento, IdClienteTp, "
               "IdCliente, "
               "FlTipoDocumento, NumeroColli, PesoLordo) VALUES (?, ?, 2026, 0, ?, ?, 'CL', ?, ?, 4, 31.25)",
               {chiave, causale, numero, Giorno(2026, 3, 31), cliente, tipoDocumento});
        Esegui("INSERT INTO FattureCliRighe (KFattCliR, KFattCliT, NumOrdine, IdProdotto, Descrizione, IdUM, Quantita, "
               "Prezzo, "
               "ImportoNetto, IdIva) VALUES (?, ?, 1, 'C1', 'Dolcetto', 'BT', 10, 10, 100, '22')",
               {chiave * 10 + 1, chiave});
        Esegui(
            "INSERT INTO FattureCliTot (KFattCliT, TipoRecord, Progressivo, Codice, Percentuale, Importo1, Importo2) "
            "VALUES (?, 'IVA', 1, '22', 22, 100, 22)",
            {chiave});
        Esegui("INSERT INTO FattureCliTot (KFattCliT, TipoRecord, Progressivo, Importo1, Importo2, Importo3, Importo4) "
               "VALUES (?, 'TOT', 1, 122, 100, 22, 122)",
               {chiave});
    }

    // Replaces the text of an edit as the user does; false when the field refused it.
    static bool Scrivi(TForm *f, const QString &controllo, const QString &testo)
    {
        return kv8test::ReplaceText(f->Control<TDBEdit>(controllo), testo);
    }
    static void Spunta(TForm *f, const QString &controllo, bool on)
    {
        auto *check = f->Control<TDBCheckBox>(controllo);
        kv8test::Focus(check);
        if (check->isChecked() != on)
            check->click();
        kv8test::ProcessEvents();
    }
    // Every text printed by an item on every page, in order.
    static QStringList Testi(const ReportDocument &doc, const QString &item)
    {
        QStringList out;
        for (const ReportPage &p : doc.Pages)
            out << p.TextsOf(item);
        return out;
    }
    static bool Contiene(const ReportDocument &doc, const QString &testo)
    {
        for (const ReportPage &p : doc.Pages)
            if (p.HasText(testo))
                return true;
        return false;
    }
};

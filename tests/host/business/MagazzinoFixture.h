#pragma once
// A company with two warehouses, a few articles, warehouse causals, row types and the 2026
// exercise, for the tests of the warehouse, order and document-services modules; customer
// delivery notes written straight into their tables and read back through tables.
#include "host/business/Dmibmag.h"
#include "host/business/Dmibmat.h"
#include "host/business/Dmisbas.h"
#include "host/business/Dmiscon.h"
#include "host/business/Dmisorc.h"
#include "host/core/Funzioni.h"
#include "host/core/Kutfunctions.h"
#include "host/data/TXTable.h"
#include "host/db/TXTransaction.h"
#include "tests/host/business/DatiBaseFixture.h"

#include <memory>

class Magazzino : public DatiBase {
protected:
    void SetUp() override
    {
        DatiBase::SetUp();
        if (!db)
            return;
        ui = std::make_unique<kv8test::UiScript>();
        CFG.DecQuantita = 3;
        CFG.DecValoreIT = 2;
        CFG.DecPrezzoIT = 4;
        gUtente.IdUtente = QStringLiteral("MARIO");
        Esegui("INSERT INTO Magazzini (IdMagazzino, RagioneSociale) VALUES (1, 'Sede'), (2, 'Deposito')");
        Esegui("INSERT INTO CodiciIva (IdIva, DsIva, Aliquota) VALUES ('22', 'IVA 22%', 22)");
        Esegui("INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1, FlTipoCarico) VALUES "
               "('A1', 'Barolo', 'BT', 0), ('B1', 'Barbera', 'BT', 0), ('CAS', 'Cassa a rendere', 'PZ', 20)");
        Esegui(
            "INSERT INTO CausaliMagaz (IdCausale, DsCausale, FlEsistenza, FlClasse, IdContropartita, FlPartita) VALUES "
            "('VEN', 'Vendita', -1, 0, '', 0), ('ACQ', 'Acquisto', 1, 0, '', 1), ('OMA', 'Omaggio', -1, 0, '', 0), "
            "('TRS', 'Trasferimento scarico', -1, 4, 'TRC', 0), ('TRC', 'Trasferimento carico', 1, 0, '', 0)");
        Esegui("INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse, FlConvQuantita) VALUES "
               "(0, 'Merce', 0, 1), (2, 'Descrizione', 2, 0), (5, 'Reso', 0, 1), (10, 'Omaggio', 4, 1)");
        Esegui(
            "INSERT INTO EserciziMagazzino (Esercizio, DsEsercizio, DataInizio, DataFine) VALUES (2026, '2026', ?, ?)",
            {Giorno(2026, 1, 1), Giorno(2026, 12, 31)});
        Esegui(
            "INSERT INTO CausaliDocMagaz (FlTipoDoc, IdCausale, TipoRigo, IdCausaleMaga) VALUES (0, 'DDT', 10, 'OMA')");
    }

    void TearDown() override
    {
        testa.reset();
        righe.reset();
        delete DMIBMag.data();
        delete DMIBMat.data();
        delete DMISOrc.data();
        delete DMISBas.data();
        delete DMISCon.data();
        gUtente = TUtente();
        ui.reset();
        DatiBase::TearDown();
    }

    void Esegui(const char *sql, const QVariantList &valori = {}) { db->ExecSQL(QLatin1String(sql), valori); }

    double Valore(const QString &sql, const QVariantList &valori = {})
    {
        return db->ScalarValue(sql, valori).toDouble();
    }
    int Conta(const QString &sql, const QVariantList &valori = {}) { return db->ScalarValue(sql, valori).toInt(); }

    // A customer delivery note (key 1) of the causal, with its rows table opened on it.
    void Bolla(const QString &causale = QStringLiteral("DDT"), int magArrivo = 0, int protocollo = 7)
    {
        db->ExecSQL(
            QStringLiteral("INSERT INTO BolleCliTeste (KBolleCliT, IdCausale, Anno, Serie, Numero, DataDocumento, "
                           "IdClienteTp, IdCliente, IdDivisa, Cambio, ProtMagazzino, IdMagArrivo) "
                           "VALUES (1, ?, 2026, 1, 12, ?, 'CL', 'C1', 'EUR', 1, ?, ?)"),
            {causale, Giorno(2026, 3, 10), protocollo, magArrivo});
        testa = Tabella(QStringLiteral("BolleCliTeste"), QStringLiteral("KBolleCliT = 1"));
        righe = Tabella(QStringLiteral("BolleCliRighe"), QStringLiteral("KBolleCliT = 1"));
        righe->SetIndexFieldNames(QStringLiteral("NumOrdine"));
    }

    // A row of the delivery note: quantity, price and value at 22% VAT.
    void Rigo(int numero, const QString &articolo, double quantita, double prezzo, int tipoRigo = 0, int magazzino = 1)
    {
        righe->Append();
        righe->FieldByName(QStringLiteral("KBolleCliR"))->SetAsInteger(numero);
        righe->FieldByName(QStringLiteral("KBolleCliT"))->SetAsInteger(1);
        righe->FieldByName(QStringLiteral("NumOrdine"))->SetAsInteger(numero);
        righe->FieldByName(QStringLiteral("TipoRigo"))->SetAsInteger(tipoRigo);
        righe->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(articolo);
        righe->FieldByName(QStringLiteral("IdUM"))->SetAsString(QStringLiteral("BT"));
        righe->FieldByName(QStringLiteral("IdMagazzino"))->SetAsInteger(magazzino);
        righe->FieldByName(QStringLiteral("Quantita"))->SetAsFloat(quantita);
        righe->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(prezzo);
        righe->FieldByName(QStringLiteral("ImportoNN"))->SetAsFloat(Funzioni::KRound(quantita * prezzo, 2));
        righe->FieldByName(QStringLiteral("ControvaloreNN"))->SetAsFloat(Funzioni::KRound(quantita * prezzo, 2));
        righe->FieldByName(QStringLiteral("IdIva"))->SetAsString(QStringLiteral("22"));
        righe->Post();
    }

    std::unique_ptr<TXTable> Tabella(const QString &nome, const QString &selezione)
    {
        auto t = std::make_unique<TXTable>();
        t->SetTableName(nome);
        t->SetXWhere(selezione);
        t->Open();
        return t;
    }

    // The movement of the current row (state as the save passes it), in a transaction of its own.
    bool Genera(int stato, const QString &causale = QStringLiteral("VEN"), bool costi = false,
                const QString &costo = QString())
    {
        TDMIBMag *mag = TDMIBMag::Crea();
        TXTransaction transazione(*db);
        const bool riuscito = mag->GeneraMovimentoMagazzino(stato, 0, causale, costo, costi, testa.get(), righe.get(),
                                                            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        if (riuscito)
            transazione.Commit();
        return riuscito;
    }

    // Every row of the delivery note through the generator in one transaction.
    bool GeneraTutte(int stato, const QString &causale = QStringLiteral("VEN"))
    {
        TDMIBMag *mag = TDMIBMag::Crea();
        TXTransaction transazione(*db);
        for (righe->First(); !righe->Eof(); righe->Next())
            if (!mag->GeneraMovimentoMagazzino(stato, 0, causale, QString(), false, testa.get(), righe.get(), nullptr,
                                               nullptr, nullptr, nullptr, nullptr, nullptr))
                return false;
        transazione.Commit();
        return true;
    }

    double Esistenza(const char *articolo, int magazzino = 1, const char *campo = "Esistenza")
    {
        return Valore(QStringLiteral("SELECT %1 FROM EsistenzeMagazzino WHERE Esercizio = 2026 AND IdMagazzino = ? "
                                     "AND IdProdotto = ?")
                          .arg(QLatin1String(campo)),
                      {magazzino, QLatin1String(articolo)});
    }

    std::unique_ptr<kv8test::UiScript> ui; // every message recorded, none shown
    std::unique_ptr<TXTable> testa;
    std::unique_ptr<TXTable> righe;
};

#pragma once
// The excise windows opened as the running program opens them, on a company with excise
// customers, destinations, articles and causals; delivery notes and invoices seeded as rows.
#include "tests/module/masterdata/MasterDettaglioFixture.h"

#include "frame/Dmilumo.h"
#include "host/core/Applvar.h"
#include "host/data/TXMemTable.h"
#include "host/report/ReportOutput.h"
#include "registers/Qarn0401d.h"

#include <QDateTime>

class Accisa : public MasterDettaglio {
protected:
    // Texts are stored empty, never null.
    static QString T(const QString &s) { return s.isNull() ? QStringLiteral("") : s; }

    void SetUp() override
    {
        MasterDettaglio::SetUp();
        if (IsSkipped() || company.Db().Attached()) // a user of a test of two users: the parent's company
            return;
        Parametri(1);
        Esegui(QStringLiteral("INSERT INTO CausaliBolleCli (IdCausale, DsCausale) VALUES ('DDT', 'Vendita con DDT')"));
        Esegui(QStringLiteral("INSERT INTO CausaliFattCli (IdCausale, DsCausale) VALUES ('FAT', 'Fattura immediata')"));
        Esegui(QStringLiteral("INSERT INTO Spedizionieri (IdSpedizione, DsSpedizione1, DsSpedizione2) VALUES ('V1', "
                              "'Vettore Uno', 'Via Roma')"));
        Esegui(QStringLiteral("INSERT INTO Spedizionieri (IdSpedizione, DsSpedizione1) VALUES ('V2', 'Vettore Due')"));
        Esegui(QStringLiteral("INSERT INTO Nazioni (IdNazione, DsNazione) VALUES ('DE', 'Germania')"));
        Esegui(QStringLiteral("INSERT INTO Nazioni (IdNazione, DsNazione) VALUES ('AT', 'Austria')"));
        // C1 excise customer; C2 not, its destination 1 is; C3 excise, its destination 1 is not
        Cliente(QStringLiteral("C1"), QStringLiteral("Enoteca Rossi"), 1, QStringLiteral("IT00ACC1"),
                QStringLiteral("DE"));
        Cliente(QStringLiteral("C2"), QStringLiteral("Bar Bianchi"), 0);
        Cliente(QStringLiteral("C3"), QStringLiteral("Cantina Verdi"), 1, QStringLiteral("IT00ACC3"));
        Destinazione(QStringLiteral("C2"), 1, QStringLiteral("Deposito Bianchi"), 1, QStringLiteral("AT00DEST"),
                     QStringLiteral("AT"));
        Destinazione(QStringLiteral("C3"), 1, QStringLiteral("Negozio Verdi"), 0);
        Esegui(QStringLiteral(
            "INSERT INTO TariffeDoganali (IdTariffa, DsTariffa) VALUES ('22042179', 'Vini in recipienti <= 2 l')"));
        Articolo(QStringLiteral("VINO"), 1, 0.755, 1.255, QStringLiteral("22042179"));
        Articolo(QStringLiteral("SPUM"), 1, 0.8, 1.6, QStringLiteral("22041000"));
        Articolo(QStringLiteral("ACQUA"), 0, 1, 1.1, QString());
    }

    void Parametri(int flAbilAccisa)
    {
        Esegui(QStringLiteral("DELETE FROM LUMO_Parametri"));
        Esegui(QStringLiteral("INSERT INTO LUMO_Parametri (IdCodice, FlAbilAccisa) VALUES ('1', ?)"), {flAbilAccisa});
        if (DMILUMO)
            DMILUMO->lkLUMO_Parametri->Close();
    }
    void ParametriAccisa(const QString &nota1, const QString &codAccisa = QStringLiteral("IT00SPED"))
    {
        Esegui(QStringLiteral("DELETE FROM LUMO_ParAcc"));
        Esegui(QStringLiteral(
                   "INSERT INTO LUMO_ParAcc (IdCodice, CodAccisa, DsAutorita1, Garanzia1, PaeseSpe, LuogoSpe, Firma, "
                   "NoteChiusura1, NoteChiusura2) VALUES ('1', ?, 'Ufficio Dogane', 'Esonero', 'Italia', 'Alba', "
                   "'Mario Neri', ?, 'Nota due')"),
               {codAccisa, nota1});
    }
    void Cliente(const QString &conto, const QString &nome, int flTipCli, const QString &codAcc = QString(),
                 const QString &nazione = QString())
    {
        Esegui(QStringLiteral(
                   "INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale, Indirizzo, IdCap, Localita, IdNazione, "
                   "PartitaIVA, IdSpedizione1, UT_LMQ_FlTipCli, UT_LMQ_CodAcc, UT_LMQ_RapFis, UT_LMQ_DurVia) "
                   "VALUES ('CL', ?, ?, 'Via Cliente 1', '12051', 'Alba', ?, '01234567890', 'V2', ?, ?, ?, ?)"),
               {conto, nome, T(nazione), flTipCli, T(codAcc),
                codAcc.isEmpty() ? T({}) : QStringLiteral("Rappr. ") + conto,
                codAcc.isEmpty() ? T({}) : QStringLiteral("2 giorni")});
    }
    void Destinazione(const QString &conto, int id, const QString &nome, int flTipCli,
                      const QString &codAcc = QString(), const QString &nazione = QString(),
                      const QString &tipo = QStringLiteral("CL"))
    {
        Esegui(QStringLiteral(
                   "INSERT INTO Destinazioni (IdContoTp, IdConto, IdDestinazione, RagioneSociale, Indirizzo, IdCap, "
                   "Localita, IdNazione, IdSpedizione1, UT_LMQ_FlTipCli, UT_LMQ_CodAcc) "
                   "VALUES (?, ?, ?, ?, 'Via Destinazione 2', '80100', 'Vienna', ?, 'V2', ?, ?)"),
               {tipo, conto, id, nome, T(nazione), flTipCli, T(codAcc)});
    }
    void Articolo(const QString &codice, int tipoAcc, double pesoNetto, double pesoLordo, const QString &tariffa)
    {
        Esegui(QStringLiteral(
                   "INSERT INTO Articoli (IdProdotto, DsProdotto, DsProdotto1, PesoNetto, PesoLordo, IdTariffa, "
                   "UT_LMQ_TipoAcc) VALUES (?, ?, ?, ?, ?, ?, ?)"),
               {codice, QStringLiteral("Articolo ") + codice, QStringLiteral("Descrizione ") + codice, pesoNetto,
                pesoLordo, T(tariffa), tipoAcc});
    }
    // A delivery note (kind 1) or an invoice (kind 2) of the causal DDT or FAT, carrier V1.
    void Documento(int tipo, int chiave, int anno, int serie, int numero, const QString &cliente, int destinazione = 0,
                   const QDate &data = QDate(2026, 3, 10))
    {
        const bool bolla = tipo == 1;
        Esegui(
            QStringLiteral("INSERT INTO %1 (%2, IdCausale, Anno, Serie, Numero, DataDocumento, IdClienteTp, IdCliente, "
                           "IdDestinazione, IdSpedizione1, NumeroColli, DataTrasporto, OraTrasporto) "
                           "VALUES (?, ?, ?, ?, ?, ?, 'CL', ?, ?, 'V1', 3, ?, 10.5)")
                .arg(bolla ? QStringLiteral("BolleCliTeste") : QStringLiteral("FattureCliTeste"),
                     bolla ? QStringLiteral("KBolleCliT") : QStringLiteral("KFattCliT")),
            {chiave, bolla ? QStringLiteral("DDT") : QStringLiteral("FAT"), anno, serie, numero,
             QDateTime(data, QTime(0, 0)), cliente, destinazione, QDateTime(data.addDays(1), QTime(0, 0))});
    }
    void Riga(int tipo, int chiave, int testa, const QString &articolo, double quantita, double pezzi, double colli,
              double litri)
    {
        const bool bolla = tipo == 1;
        Esegui(QStringLiteral("INSERT INTO %1 (%2, %3, IdProdotto, Quantita, Quantita2, Lunghezza, UT_LMQ_TotLit) "
                              "VALUES (?, ?, ?, ?, ?, ?, ?)")
                   .arg(bolla ? QStringLiteral("BolleCliRighe") : QStringLiteral("FattureCliRighe"),
                        bolla ? QStringLiteral("KBolleCliR") : QStringLiteral("KFattCliR"),
                        bolla ? QStringLiteral("KBolleCliT") : QStringLiteral("KFattCliT")),
               {chiave, testa, articolo, quantita, pezzi, colli, litri});
    }
    int Marca(int tipo, int chiave)
    {
        return company.Database()
            .ScalarValue(tipo == 1 ? QStringLiteral("SELECT UT_LMQ_FlAccisa FROM BolleCliTeste WHERE KBolleCliT = ?")
                                   : QStringLiteral("SELECT UT_LMQ_FlAccisa FROM FattureCliTeste WHERE KFattCliT = ?"),
                         {chiave})
            .toInt();
    }
    int Contatore(int anno, int serie)
    {
        return company.Database()
            .ScalarValue(
                QStringLiteral("SELECT Protocollo FROM LUMO_Protocolli WHERE TipoDoc = 0 AND Anno = ? AND Serie = ?"),
                {anno, serie})
            .toInt();
    }

    // The generation dialog with its record set: kind, causal and optional bounds.
    TFqarn0401d *Generazione(int tipo, const QString &causale = QString())
    {
        auto *f = Apri<TFqarn0401d>(QStringLiteral("QARN0401D"));
        if (!f)
            return nullptr;
        const auto c = [f](const char *nome) { return f->tPars->FieldByName(QString::fromLatin1(nome)); };
        // the record is kept from the last opening
        for (const char *campo : {"Da_Data", "A_Data", "Da_Numero", "A_Numero", "IdConto", "IdDestinazione"})
            c(campo)->Clear();
        c("FlTipoDocColl")->SetAsInteger(tipo);
        c("IdCausale")
            ->SetAsString(causale.isEmpty() ? (tipo == 1 ? QStringLiteral("DDT") : QStringLiteral("FAT")) : causale);
        c("DataReg")->SetAsDateTime(QDateTime(QDate(2026, 3, 20), QTime(0, 0)));
        return f;
    }
    void Genera(TFqarn0401d *f)
    {
        f->btEsegui->click();
        kv8test::ProcessEvents();
    }
    // A whole run on delivery notes (1) or invoices (2), the dialog closed afterwards.
    void Genera(int tipo)
    {
        TFqarn0401d *f = Generazione(tipo);
        ASSERT_NE(f, nullptr);
        Genera(f);
        f->Close();
        kv8test::ProcessEvents();
    }
    // The D.A.A. heads: "Anno/Serie/Numero/FlTipoDocColl/KDocT/IdConto/IdDestinazione" by number.
    QStringList Teste()
    {
        return Elenco(QStringLiteral("SELECT Anno, Serie, Numero, FlTipoDocColl, KDocT, IdConto, IdDestinazione "
                                     "FROM LUMO_DocAccT ORDER BY Anno, Serie, Numero"));
    }
};

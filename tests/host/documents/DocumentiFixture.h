#pragma once
// A company with two warehouses, three articles, the 2026 exercise, a delivery-note causal
// that unloads stock, an invoice causal that books none, one customer and the 2026 VAT
// counters; the host's document menu choices, a main window, the message script, and the
// user's gestures on the document windows.
#include "host/business/Sacq0001f.h"
#include "host/business/SceltaDocumenti.h"
#include "host/business/Sven0001f.h"
#include "host/business/Sven0008f.h"
#include "host/business/Sven0008f_001.h"
#include "host/core/Applvar.h"
#include "host/core/Funzioni.h"
#include "host/core/KV8Config.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXTable.h"
#include "host/db/TXDatabase.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"
#include "host/ui/DBNavigator.h"
#include "host/ui/WindowFactory.h"
#include "tests/support/DueUtenti.h"
#include "tests/support/ui/FinestreHost.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>

#include <tuple>

#include <gtest/gtest.h>

#include <memory>

class Documenti : public FinestreHost {
protected:
    void SetUp() override
    {
        FinestreHost::SetUp();
        if (IsSkipped())
            return;
        CFG.DecQuantita = 3;
        CFG.DecValoreIT = 2;
        CFG.DecPrezzoIT = 4;
        if (company.Db().Attached()) { // a user of a test of two users: the company is the parent test's
            SceltaDocumenti::Registra();
            main = std::make_unique<kv8test::TestMainWindow>();
            return;
        }
        Esegui("INSERT INTO Magazzini (IdMagazzino, RagioneSociale) VALUES (1, 'Sede'), (2, 'Deposito')");
        Esegui("INSERT INTO CodiciIva (IdIva, DsIva, Aliquota) VALUES ('22', 'IVA 22%', 22)");
        Esegui("INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1, IdIva, FlTipoCarico) VALUES "
               "('A1', 'Barolo', 'BT', '22', 0), ('B1', 'Barbera', 'BT', '22', 0), ('C1', 'Dolcetto', 'BT', '22', 0)");
        Esegui("INSERT INTO CausaliMagaz (IdCausale, DsCausale, FlEsistenza, FlClasse, IdContropartita, FlPartita) "
               "VALUES ('VEN', 'Vendita', -1, 0, '', 0), ('ACQ', 'Acquisto', 1, 0, '', 0)");
        Esegui("INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse, FlConvQuantita, FlBolle, FlFatture) VALUES "
               "(0, 'Merce', 0, 1, 1, 1), (2, 'Descrizione', 2, 0, 1, 1)");
        Esegui(
            "INSERT INTO EserciziMagazzino (Esercizio, DsEsercizio, DataInizio, DataFine) VALUES (2026, '2026', ?, ?)",
            {Giorno(2026, 1, 1), Giorno(2026, 12, 31)});
        Esegui("INSERT INTO CausaliBolleCli (IdCausale, DsCausale, Serie, IdCausaleMaga) VALUES ('DDT', 'DDT vendita', "
               "0, 'VEN')");
        Esegui("INSERT INTO CausaliBolleFor (IdCausale, DsCausale, Serie, IdCausaleMaga) VALUES ('DTA', 'DDT "
               "acquisto', 0, 'ACQ')");
        Esegui("INSERT INTO Fornitori (IdContoTp, IdConto, RagioneSociale) VALUES ('FO', 'F1', 'Cantina Bianchi')");
        Esegui("INSERT INTO CausaliFattCli (IdCausale, DsCausale, FlTipoDocumento, SerieRegistro, FlTipoRegistro, "
               "IdCausaleMaga) VALUES ('FD', 'Fattura differita', 0, 0, 1, '')");
        Esegui("INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale) VALUES ('CL', 'C1', 'Enoteca Rossi'), "
               "('CL', 'C2', 'Bar Verdi')");
        Esegui("INSERT INTO ProtIVA (Anno, Serie, NumUltFatturaV, NUltFTRegistroV, NumUltFatturaC) VALUES (2026, 0, 0, "
               "0, 0)");
        SceltaDocumenti::Registra();
        main = std::make_unique<kv8test::TestMainWindow>();
    }
    double Esistenza(const QString &articolo)
    {
        return Valore(QStringLiteral("SELECT COALESCE(SUM(Esistenza), 0) FROM EsistenzeMagazzino WHERE IdProdotto = ?"),
                      {articolo})
            .toDouble();
    }

    // Shows the page holding a control, as the user clicking its tab.
    static void MostraPaginaDi(TFDocumento *f, QWidget *controllo) { kv8test::ShowPageOf(f->KPageControl, controllo); }
    // Replaces the text of an edit as the user does; false when the field refused it.
    static bool Scrivi(TFDocumento *f, const QString &controllo, const QString &testo)
    {
        auto *edit = f->Control<TDBEdit>(controllo);
        MostraPaginaDi(f, edit);
        return kv8test::ReplaceText(edit, testo);
    }
    static void PremiRighe(TFDocumento *f, TNavigateBtn pulsante)
    {
        MostraPaginaDi(f, f->DBNavigatore2);
        f->DBNavigatore2->Button(pulsante)->click();
        kv8test::ProcessEvents();
    }
    static void Premi(TFDocumento *f, TNavigateBtn pulsante)
    {
        f->NavClick(pulsante);
        kv8test::ProcessEvents();
    }

    static void Testa(TFDocumento *f, const QString &causale, const QString &conto)
    {
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdCausale"), causale));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edDataDocumento"), QStringLiteral("10/03/2026")));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("ed") + f->TipoDoc().CampoConto, conto));
    }
    // A new row as the user enters it: insert, article, quantity, price, post.
    static void NuovoRigo(TFDocumento *f, const QString &articolo, const QString &quantita, const QString &prezzo)
    {
        PremiRighe(f, nbInsert);
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdProdotto"), articolo));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), quantita));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edPrezzo"), prezzo));
        PremiRighe(f, nbPost);
    }
    // A bar code read as a scanner types it under the rows: the quantity (when given) typed
    // over the one on view, the code typed, then Enter. Answers the last message shown by the
    // read, empty when none.
    QString LeggiCodice(TFDocumento *f, const QString &codice, const QString &quantita = QString())
    {
        script.ClearMessages();
        MostraPaginaDi(f, f->edBarcode);
        if (!quantita.isEmpty()) {
            kv8test::Focus(f->edQtaBarcode);
            f->edQtaBarcode->selectAll();
            kv8test::TypeText(f->edQtaBarcode, quantita);
        }
        kv8test::Focus(f->edBarcode);
        f->edBarcode->selectAll();
        kv8test::TypeText(f->edBarcode, codice);
        kv8test::PressKey(f->edBarcode, Qt::Key_Return);
        kv8test::ProcessEvents();
        return script.Messages().isEmpty() ? QString() : script.LastText();
    }
    // Moves the rows to the row of an article.
    static void VaiARigo(TFDocumento *f, const QString &articolo)
    {
        ASSERT_TRUE(f->TRighe->Locate(QStringLiteral("IdProdotto"), articolo));
    }
    // The invoice's choice of delivery notes as the user makes it: a double click on the line
    // of each note numbered as given, then OK; conTastiera: the line made current and Space
    // pressed on it, then Enter. Answers the notes offered, "number/rows" each.
    static QStringList ScegliBolle(TForm &form, const QList<int> &numeri, bool conTastiera = false)
    {
        auto &d = dynamic_cast<TFSVen0008f_001 &>(form);
        d.show();
        kv8test::ProcessEvents();
        QStringList offerte;
        QList<int> righe;
        int riga = 0;
        for (d.TSelBolle->First(); !d.TSelBolle->Eof(); d.TSelBolle->Next(), ++riga) {
            const int numero = d.TSelBolle->FieldByName(QStringLiteral("Numero"))->AsInteger();
            offerte << QStringLiteral("%1/%2").arg(numero).arg(
                d.TSelBolle->FieldByName(QStringLiteral("RigheDaFatturare"))->AsInteger());
            if (numeri.contains(numero))
                righe << riga;
        }
        QWidget *vista = d.gSelBolle->viewport();
        const auto mouse = [vista](QEvent::Type tipo, const QPoint &punto) {
            const Qt::MouseButtons premuti = tipo == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent evento(tipo, punto, vista->mapToGlobal(punto), Qt::LeftButton, premuti, Qt::NoModifier);
            QApplication::sendEvent(vista, &evento);
        };
        for (int r : righe) {
            const QModelIndex cella = d.gSelBolle->model()->index(r, 0);
            if (conTastiera) {
                kv8test::Focus(d.gSelBolle);
                d.gSelBolle->setCurrentIndex(cella);
                kv8test::PressKey(d.gSelBolle, Qt::Key_Space);
                continue;
            }
            const QPoint punto = d.gSelBolle->visualRect(cella).center();
            for (QEvent::Type tipo : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                                      QEvent::MouseButtonRelease})
                mouse(tipo, punto);
            kv8test::ProcessEvents();
        }
        if (conTastiera)
            kv8test::PressKey(d.gSelBolle, Qt::Key_Return);
        else
            d.btOk->click();
        kv8test::ProcessEvents();
        return offerte;
    }

    // One of two users (KV8_LAVORO_UTENTE): the window's save (a new document: not printed)
    // at the user's word, what he was shown noted for the parent.
    void SalvaAlVia(TFDocumento *f)
    {
        if (f->ModoSalva == 0) {
            script.No(QStringLiteral("Effettuo stampa ? "));
            script.AllowUnusedAnswers(); // not asked when the save is refused
        }
        kv8test::AttendiVia();
        Premi(f, nbPost);
        kv8test::NotaUtente(script.Texts());
    }
    // One of two users: the stored document's A1 row raised by the user's number, then saved
    // at the user's word.
    void ModificaAlVia(TFDocumento *f)
    {
        ASSERT_NE(f, nullptr);
        VaiARigo(f, QStringLiteral("A1"));
        const double quantita = f->TRighe->FieldByName(QStringLiteral("Quantita"))->AsFloat();
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QString::number(quantita + kv8test::NumeroUtente())));
        PremiRighe(f, nbPost);
        SalvaAlVia(f);
    }

    // Two users change one stored document (the job given, started as given): one is refused
    // as changed by another user, the other stores and is shown nothing. Answers the number of
    // the user who stored, 0 after a failure.
    int UnaModificaRegistrata(const QString &lavoro, kv8test::Avvio avvio,
                              const QString &punto = QStringLiteral("documento"))
    {
        const auto utenti = kv8test::DueUtenti(lavoro, company.Db().Url(), avvio, punto);
        const int rifiutato =
            kv8test::UnoRifiutato(utenti, avvio,
                                  {QStringLiteral("Il documento è stato modificato o cancellato da un altro utente: "
                                                  "chiudere e riaprire il documento per vedere i dati attuali.")});
        if (rifiutato < 0)
            return 0;
        const kv8test::Utente &registrato = utenti[1 - rifiutato];
        EXPECT_TRUE(registrato.Messaggi.isEmpty()) << registrato.Messaggi.join(QLatin1Char('|')).toStdString();
        return 2 - rifiutato;
    }

    // A delivery note of three rows saved by the user; answers its key.
    qint64 NuovaBolla(const QString &cliente = QStringLiteral("C1"))
    {
        auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
        if (!f)
            return 0;
        Testa(f, QStringLiteral("DDT"), cliente);
        NuovoRigo(f, QStringLiteral("A1"), QStringLiteral("10"), QStringLiteral("5"));
        NuovoRigo(f, QStringLiteral("B1"), QStringLiteral("4"), QStringLiteral("2,5"));
        NuovoRigo(f, QStringLiteral("C1"), QStringLiteral("6"), QStringLiteral("3"));
        script.No(QStringLiteral("Effettuo stampa ? "));
        Premi(f, nbPost);
        f->Close();
        kv8test::ProcessEvents();
        return Valore(QStringLiteral("SELECT MAX(KBolleCliT) FROM BolleCliTeste")).toLongLong();
    }
};

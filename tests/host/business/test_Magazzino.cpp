// The warehouse module: the movement of a delivery-note row, its stock and lot bookings
// forward and back, counter-movements of transfers, cost details, rows that book nothing,
// refusals that write nothing, and the module created through the registry.
#include "tests/host/business/MagazzinoFixture.h"

#include "host/data/TXClientTable.h"
#include "host/ui/ClassRegistry.h"

namespace {

TEST_F(Magazzino, NewRowBooksItsMovementAndTheStock)
{
    Bolla();
    Rigo(1, QStringLiteral("A1"), 6, 10.0);
    righe->First();
    ASSERT_TRUE(Genera(2)) << ui->LastText().toStdString();

    QSqlQuery m = db->OpenQuery(QStringLiteral("SELECT Esercizio, Protocollo, SubNumOrdine, IdCausale, IdMagazzino1, "
                                               "IdMagazzino2, IdProdotto, Quantita, Valore, "
                                               "PrezzoMov, RifDocumento, IdContoTp, IdConto, FlTipoDocum, KRigoDoc, "
                                               "IdOperatore, AnnoCompetenza, MeseCompetenza "
                                               "FROM MovMagazzino"));
    ASSERT_TRUE(m.next());
    EXPECT_EQ(m.value(0).toInt(), 2026);
    EXPECT_EQ(m.value(1).toInt(), 7);
    EXPECT_EQ(m.value(2).toInt(), 0);
    EXPECT_EQ(m.value(3).toString(), QStringLiteral("VEN"));
    EXPECT_EQ(m.value(4).toInt(), 1);
    EXPECT_EQ(m.value(5).toInt(), 1);
    EXPECT_EQ(m.value(6).toString(), QStringLiteral("A1"));
    EXPECT_DOUBLE_EQ(m.value(7).toDouble(), 6);
    EXPECT_DOUBLE_EQ(m.value(8).toDouble(), 60);
    EXPECT_DOUBLE_EQ(m.value(9).toDouble(), 10);
    EXPECT_EQ(m.value(10).toString(), QStringLiteral("DDT-000012/2026"));
    EXPECT_EQ(m.value(11).toString(), QStringLiteral("CL"));
    EXPECT_EQ(m.value(12).toString(), QStringLiteral("C1"));
    EXPECT_EQ(m.value(13).toInt(), 0);
    EXPECT_EQ(m.value(14).toInt(), 1);
    EXPECT_EQ(m.value(15).toString(), QStringLiteral("MARIO"));
    EXPECT_EQ(m.value(16).toInt(), 2026);
    EXPECT_EQ(m.value(17).toInt(), 3);
    EXPECT_FALSE(m.next()) << "one movement for the row";

    EXPECT_DOUBLE_EQ(Esistenza("A1"), -6);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1, "QuantitaSca"), 6);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1, "ValoreSca"), 60);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1, "QuantitaCar"), 0);
    EXPECT_TRUE(ui->Messages().isEmpty());
}

TEST_F(Magazzino, StockBookedAndTakenBackReturnsExactly)
{
    // quantities and values whose sums are not exact in binary, one beyond the quantity decimals
    Esegui("INSERT INTO EsistenzeMagazzino (Esercizio, IdMagazzino, IdProdotto, QuantitaCar, QuantitaSca, Esistenza, "
           "ValoreCar, ValoreSca) VALUES (2026, 1, 'A1', 10.1, 0.3, 9.8, 101.1, 3.3)");
    const QList<double> prima{Esistenza("A1", 1, "QuantitaCar"), Esistenza("A1", 1, "QuantitaSca"), Esistenza("A1"),
                              Esistenza("A1", 1, "ValoreCar"), Esistenza("A1", 1, "ValoreSca")};
    Bolla();
    Rigo(1, QStringLiteral("A1"), 0.1, 0.7);
    Rigo(2, QStringLiteral("A1"), 0.2, 1.1);
    Rigo(3, QStringLiteral("A1"), 0.7, 3.3);
    Rigo(4, QStringLiteral("A1"), 0.0005, 0.1);
    Rigo(5, QStringLiteral("B1"), 1.333, 0.3);
    ASSERT_TRUE(GeneraTutte(2)) << ui->LastText().toStdString();
    EXPECT_DOUBLE_EQ(Esistenza("A1"), 8.799);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 5);

    ASSERT_TRUE(GeneraTutte(3)) << ui->LastText().toStdString();
    const QList<double> dopo{Esistenza("A1", 1, "QuantitaCar"), Esistenza("A1", 1, "QuantitaSca"), Esistenza("A1"),
                             Esistenza("A1", 1, "ValoreCar"), Esistenza("A1", 1, "ValoreSca")};
    for (int i = 0; i < prima.size(); ++i)
        EXPECT_EQ(dopo[i], prima[i]) << "column " << i << " drifted"; // exactly, not nearly
    EXPECT_EQ(Esistenza("B1"), 0.0);
    EXPECT_EQ(Esistenza("B1", 1, "ValoreSca"), 0.0);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 0);
}

TEST_F(Magazzino, ModifiedRowRewritesItsOwnMovement)
{
    Bolla();
    Rigo(1, QStringLiteral("A1"), 5, 10.0);
    righe->First();
    ASSERT_TRUE(Genera(2));
    const int chiave = Conta(QStringLiteral("SELECT KMovMag FROM MovMagazzino"));

    righe->Edit();
    righe->FieldByName(QStringLiteral("Quantita"))->SetAsFloat(3);
    righe->FieldByName(QStringLiteral("ControvaloreNN"))->SetAsFloat(30);
    righe->Post();
    ASSERT_TRUE(Genera(1));
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 1);
    EXPECT_EQ(Conta(QStringLiteral("SELECT KMovMag FROM MovMagazzino")), chiave) << "rewritten in place";
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Quantita FROM MovMagazzino")), 3);
    EXPECT_DOUBLE_EQ(Esistenza("A1"), -3);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1, "ValoreSca"), 30);

    // an unchanged row passed as 0 is rewritten, never booked twice
    ASSERT_TRUE(Genera(0));
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 1);
    EXPECT_DOUBLE_EQ(Esistenza("A1"), -3);
}

// Rows changed in one save: their stored movements rewritten in place by key, never read
// back into the movements dataset; a row deleted in the same save takes its movement along.
TEST_F(Magazzino, ChangedRowsRewriteTheirStoredMovementsWithoutHoldingThem)
{
    Bolla();
    Rigo(1, QStringLiteral("A1"), 5, 10.0);
    Rigo(2, QStringLiteral("B1"), 2, 4.0);
    Rigo(3, QStringLiteral("A1"), 1, 10.0);
    ASSERT_TRUE(GeneraTutte(2)) << ui->LastText().toStdString();
    const auto chiavi = [this] {
        QStringList k;
        QSqlQuery q = db->OpenQuery(
            QStringLiteral("SELECT KRigoDoc, KMovMag, Quantita, Valore FROM MovMagazzino ORDER BY KRigoDoc"));
        while (q.next())
            k << QStringLiteral("%1:%2 %3 %4")
                     .arg(q.value(0).toInt())
                     .arg(q.value(1).toInt())
                     .arg(q.value(2).toDouble())
                     .arg(q.value(3).toDouble());
        return k;
    };
    const QStringList prima = chiavi();
    ASSERT_EQ(prima.size(), 3);

    TDMIBMag *mag = TDMIBMag::Crea();
    mag->tMovMagazzino->Close(); // the note opened again later
    mag->tMovMagazzino->Open();
    for (righe->First(); !righe->Eof(); righe->Next()) {
        righe->Edit();
        TField *quantita = righe->FieldByName(QStringLiteral("Quantita"));
        quantita->SetAsFloat(quantita->AsFloat() + 1);
        righe->FieldByName(QStringLiteral("ControvaloreNN"))->SetAsFloat(quantita->AsFloat() * 10);
        righe->Post();
    }
    {
        TXTransaction transazione(*db);
        righe->First();
        for (const int stato : {1, 1, 3}) {
            ASSERT_TRUE(mag->GeneraMovimentoMagazzino(stato, 0, QStringLiteral("VEN"), QString(), false, testa.get(),
                                                      righe.get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                                      nullptr))
                << ui->LastText().toStdString();
            righe->Next();
        }
        EXPECT_EQ(mag->tMovMagazzino->RecordCount(), 0) << "the stored movements are not read into the dataset";
        transazione.Commit();
    }
    const QStringList dopo = chiavi();
    ASSERT_EQ(dopo.size(), 2);
    EXPECT_EQ(dopo[0], prima[0].section(u' ', 0, 0) + QStringLiteral(" 6 60"));
    EXPECT_EQ(dopo[1], prima[1].section(u' ', 0, 0) + QStringLiteral(" 3 30"));
    EXPECT_DOUBLE_EQ(Esistenza("A1"), -6);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1, "ValoreSca"), 60);
    EXPECT_DOUBLE_EQ(Esistenza("B1"), -3);
    EXPECT_DOUBLE_EQ(Esistenza("B1", 1, "QuantitaSca"), 3);
}

TEST_F(Magazzino, RowMovedToAnotherWarehouseTakesItsStockAlong)
{
    Bolla();
    Rigo(1, QStringLiteral("A1"), 5, 10.0);
    Rigo(2, QStringLiteral("B1"), 2, 4.0);
    ASSERT_TRUE(GeneraTutte(2)) << ui->LastText().toStdString();
    EXPECT_DOUBLE_EQ(Esistenza("A1"), -5);

    // the stored row now names warehouse 2: its movement booked on 1 is taken back there
    righe->First();
    righe->Edit();
    righe->FieldByName(QStringLiteral("IdMagazzino"))->SetAsInteger(2);
    righe->Post();
    ASSERT_TRUE(GeneraTutte(1)) << ui->LastText().toStdString();
    EXPECT_DOUBLE_EQ(Esistenza("A1"), 0);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1, "ValoreSca"), 0);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 2), -5);
    EXPECT_DOUBLE_EQ(Esistenza("B1"), -2);
    EXPECT_EQ(Conta(QStringLiteral("SELECT IdMagazzino1 FROM MovMagazzino WHERE KRigoDoc = 1")), 2);

    ASSERT_TRUE(GeneraTutte(3)) << ui->LastText().toStdString();
    EXPECT_DOUBLE_EQ(Esistenza("A1", 2), 0);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 2, "QuantitaSca"), 0);
    EXPECT_DOUBLE_EQ(Esistenza("B1"), 0);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 0);
}

TEST_F(Magazzino, RowChangedToAnotherArticleTakesItsStockAlong)
{
    Esegui("INSERT INTO EsistenzeMagazzino (Esercizio, IdMagazzino, IdProdotto, QuantitaCar, QuantitaSca, Esistenza, "
           "ValoreCar, ValoreSca) VALUES (2026, 1, 'A1', 20, 0, 20, 200, 0), (2026, 1, 'B1', 9, 0, 9, 90, 0)");
    Bolla();
    Rigo(1, QStringLiteral("A1"), 5, 10.0);
    ASSERT_TRUE(GeneraTutte(2)) << ui->LastText().toStdString();
    EXPECT_DOUBLE_EQ(Esistenza("A1"), 15);

    // the stored movement names an article no row has now: its stock is read with the others
    righe->First();
    righe->Edit();
    righe->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(QStringLiteral("B1"));
    righe->Post();
    ASSERT_TRUE(GeneraTutte(1)) << ui->LastText().toStdString();
    EXPECT_DOUBLE_EQ(Esistenza("A1"), 20);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1, "QuantitaSca"), 0);
    EXPECT_DOUBLE_EQ(Esistenza("B1"), 4);
    EXPECT_DOUBLE_EQ(Esistenza("B1", 1, "ValoreSca"), 50);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM EsistenzeMagazzino")), 2);
}

TEST_F(Magazzino, StockOfManyRowsIsSeenInTheSaveAndGoesWithItsRollback)
{
    Bolla();
    Rigo(1, QStringLiteral("A1"), 5, 10.0);
    Rigo(2, QStringLiteral("A1"), 2, 10.0);
    Rigo(3, QStringLiteral("B1"), 1, 4.0);
    TDMIBMag *mag = TDMIBMag::Crea();
    {
        TXTransaction transazione(*db);
        for (righe->First(); !righe->Eof(); righe->Next())
            ASSERT_TRUE(mag->GeneraMovimentoMagazzino(2, 0, QStringLiteral("VEN"), QString(), false, testa.get(),
                                                      righe.get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                                      nullptr));
        // a statement of the save sees every row booked
        EXPECT_DOUBLE_EQ(Esistenza("A1"), -7);
        EXPECT_DOUBLE_EQ(Esistenza("A1", 1, "ValoreSca"), 70);
        EXPECT_DOUBLE_EQ(Esistenza("B1"), -1);
        // booked again after that statement: added to what it wrote
        righe->First();
        ASSERT_TRUE(mag->GeneraMovimentoMagazzino(3, 0, QStringLiteral("VEN"), QString(), false, testa.get(),
                                                  righe.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
        EXPECT_DOUBLE_EQ(Esistenza("A1"), -2);
    } // rolled back
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM EsistenzeMagazzino")), 0);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 0);

    // nothing of the rolled-back save is booked by the next one
    ASSERT_TRUE(GeneraTutte(2)) << ui->LastText().toStdString();
    EXPECT_DOUBLE_EQ(Esistenza("A1"), -7);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1, "QuantitaSca"), 7);
    EXPECT_DOUBLE_EQ(Esistenza("B1"), -1);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 3);
}

// The stored movements are read at the first one looked for: after new rows of the same save
// were booked, and with the stock of an article no row names any more.
TEST_F(Magazzino, NewRowBookedBeforeTheStoredRowsChangedInTheSameSave)
{
    Esegui("INSERT INTO EsistenzeMagazzino (Esercizio, IdMagazzino, IdProdotto, QuantitaCar, QuantitaSca, Esistenza, "
           "ValoreCar, ValoreSca) VALUES (2026, 1, 'A1', 20, 0, 20, 200, 0), (2026, 2, 'B1', 9, 0, 9, 90, 0)");
    Bolla();
    Rigo(1, QStringLiteral("A1"), 5, 10.0);
    Rigo(2, QStringLiteral("B1"), 2, 4.0);
    ASSERT_TRUE(GeneraTutte(2)) << ui->LastText().toStdString();
    const int chiave = Conta(QStringLiteral("SELECT KMovMag FROM MovMagazzino WHERE KRigoDoc = 1"));
    EXPECT_DOUBLE_EQ(Esistenza("A1"), 15);
    EXPECT_DOUBLE_EQ(Esistenza("B1"), -2);

    // a new row first, then row 1 changed to another article, row 2 deleted
    Rigo(3, QStringLiteral("A1"), 1, 10.0, 0, 2);
    righe->Edit();
    righe->FieldByName(QStringLiteral("NumOrdine"))->SetAsInteger(0);
    righe->Post();
    ASSERT_TRUE(righe->Locate(QStringLiteral("KBolleCliR"), 1));
    righe->Edit();
    righe->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(QStringLiteral("B1"));
    righe->Post();
    TDMIBMag *mag = TDMIBMag::Crea();
    {
        TXTransaction transazione(*db);
        QList<int> ordine;
        for (righe->First(); !righe->Eof(); righe->Next()) {
            const int rigo = righe->FieldByName(QStringLiteral("KBolleCliR"))->AsInteger();
            ordine << rigo;
            ASSERT_TRUE(mag->GeneraMovimentoMagazzino(rigo == 3 ? 2 : (rigo == 1 ? 1 : 3), 0, QStringLiteral("VEN"),
                                                      QString(), false, testa.get(), righe.get(), nullptr, nullptr,
                                                      nullptr, nullptr, nullptr, nullptr))
                << ui->LastText().toStdString();
        }
        EXPECT_EQ(ordine, (QList<int>{3, 1, 2}));
        transazione.Commit();
    }
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 2);
    EXPECT_EQ(Conta(QStringLiteral("SELECT KMovMag FROM MovMagazzino WHERE KRigoDoc = 1")), chiave)
        << "rewritten in place";
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino WHERE KRigoDoc = 2")), 0);
    EXPECT_DOUBLE_EQ(Esistenza("A1"), 20);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1, "QuantitaSca"), 0);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1, "ValoreSca"), 0);
    EXPECT_DOUBLE_EQ(Esistenza("B1"), -5);
    EXPECT_DOUBLE_EQ(Esistenza("B1", 1, "ValoreSca"), 50);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 2), -1);
    EXPECT_DOUBLE_EQ(Esistenza("B1", 2), 9);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM EsistenzeMagazzino")), 4);
    EXPECT_TRUE(ui->Messages().isEmpty());
}

// The stock a save's rows book, read before them by warehouse and article lists: the stored
// rows of the other pairs come along and stay as they are.
TEST_F(Magazzino, StockReadBeforeTheRowsLeavesTheOtherPairsAsStored)
{
    Esegui("INSERT INTO EsistenzeMagazzino (Esercizio, IdMagazzino, IdProdotto, QuantitaCar, QuantitaSca, Esistenza, "
           "ValoreCar, ValoreSca) VALUES (2026, 1, 'A1', 20, 0, 20, 200, 0), (2026, 1, 'B1', 9, 0, 9, 90, 0), "
           "(2026, 2, 'A1', 4, 0, 4, 40, 0)");
    Bolla(QStringLiteral("DDT"), 2);
    Rigo(1, QStringLiteral("A1"), 5, 10.0);
    Rigo(2, QStringLiteral("B1"), 2, 4.0, 0, 2);
    Rigo(3, QStringLiteral("A1"), 1, 10.0);
    TDMIBMag *mag = TDMIBMag::Crea();
    {
        TXTransaction transazione(*db);
        mag->LeggiSaldiRighe(testa.get(), righe.get(), nullptr);
        // stored meanwhile by another statement of the save: read again, not taken as read
        Esegui("UPDATE EsistenzeMagazzino SET Esistenza = 21, QuantitaCar = 21 WHERE IdMagazzino = 1 AND IdProdotto = "
               "'A1'");
        for (righe->First(); !righe->Eof(); righe->Next())
            ASSERT_TRUE(mag->GeneraMovimentoMagazzino(2, 0, QStringLiteral("VEN"), QString(), false, testa.get(),
                                                      righe.get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                                      nullptr))
                << ui->LastText().toStdString();
        transazione.Commit();
    }
    EXPECT_DOUBLE_EQ(Esistenza("A1"), 15);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1, "QuantitaCar"), 21);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1, "QuantitaSca"), 6);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1, "ValoreSca"), 60);
    EXPECT_DOUBLE_EQ(Esistenza("B1", 2), -2);
    EXPECT_DOUBLE_EQ(Esistenza("B1"), 9);
    EXPECT_DOUBLE_EQ(Esistenza("B1", 1, "QuantitaSca"), 0);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 2), 4);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM EsistenzeMagazzino")), 4);
}

TEST_F(Magazzino, TransferBooksACounterMovementOnTheArrivalWarehouse)
{
    Bolla(QStringLiteral("DTR"), 2);
    Rigo(1, QStringLiteral("A1"), 4, 10.0);
    righe->First();
    ASSERT_TRUE(Genera(2, QStringLiteral("TRS"))) << ui->LastText().toStdString();
    QSqlQuery m = db->OpenQuery(QStringLiteral("SELECT SubNumOrdine, IdCausale, IdMagazzino1, IdMagazzino2, Quantita "
                                               "FROM MovMagazzino ORDER BY SubNumOrdine"));
    ASSERT_TRUE(m.next());
    EXPECT_EQ(m.value(1).toString(), QStringLiteral("TRS"));
    EXPECT_EQ(m.value(2).toInt(), 1);
    EXPECT_EQ(m.value(3).toInt(), 2);
    ASSERT_TRUE(m.next());
    EXPECT_EQ(m.value(0).toInt(), 1);
    EXPECT_EQ(m.value(1).toString(), QStringLiteral("TRC"));
    EXPECT_EQ(m.value(2).toInt(), 2);
    EXPECT_EQ(m.value(3).toInt(), 1);
    EXPECT_DOUBLE_EQ(m.value(4).toDouble(), 4);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1), -4);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 2), 4);

    // modified: both movements rewritten; deleted: both gone, both warehouses back to nothing
    righe->Edit();
    righe->FieldByName(QStringLiteral("Quantita"))->SetAsFloat(1.5);
    righe->Post();
    ASSERT_TRUE(Genera(1, QStringLiteral("TRS"))) << ui->LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 2);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1), -1.5);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 2), 1.5);
    ASSERT_TRUE(Genera(3, QStringLiteral("TRS"))) << ui->LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 0);
    EXPECT_EQ(Esistenza("A1", 1), 0.0);
    EXPECT_EQ(Esistenza("A1", 2), 0.0);
}

// Rows of one save alternating between two causals (a transfer with its counter causal, and the
// sale a row type links to): each row books with its own, new, changed and deleted.
TEST_F(Magazzino, RowsOfOneSaveAlternatingCausalsBookEachWithItsOwn)
{
    Esegui("INSERT INTO CausaliDocMagaz (FlTipoDoc, IdCausale, TipoRigo, IdCausaleMaga) VALUES (0, 'DTR', 10, 'VEN')");
    Bolla(QStringLiteral("DTR"), 2);
    Rigo(1, QStringLiteral("A1"), 4, 10.0);
    Rigo(2, QStringLiteral("A1"), 1, 10.0, 10);
    Rigo(3, QStringLiteral("B1"), 2, 4.0);
    Rigo(4, QStringLiteral("B1"), 3, 4.0, 10);
    const auto causali = [this] {
        QStringList c;
        QSqlQuery q = db->OpenQuery(QStringLiteral(
            "SELECT KRigoDoc, SubNumOrdine, IdCausale, Quantita FROM MovMagazzino ORDER BY KRigoDoc, SubNumOrdine"));
        while (q.next())
            c << QStringLiteral("%1.%2 %3 %4")
                     .arg(q.value(0).toInt())
                     .arg(q.value(1).toInt())
                     .arg(q.value(2).toString())
                     .arg(q.value(3).toDouble());
        return c.join(QStringLiteral(", "));
    };
    // A1 and B1 in warehouses 1 and 2
    const auto esistenze = [this] {
        return QStringList{QString::number(Esistenza("A1", 1)), QString::number(Esistenza("A1", 2)),
                           QString::number(Esistenza("B1", 1)), QString::number(Esistenza("B1", 2))};
    };
    ASSERT_TRUE(GeneraTutte(2, QStringLiteral("TRS"))) << ui->LastText().toStdString();
    EXPECT_EQ(causali(), QStringLiteral("1.0 TRS 4, 1.1 TRC 4, 2.0 VEN 1, 3.0 TRS 2, 3.1 TRC 2, 4.0 VEN 3"));
    EXPECT_EQ(esistenze(), (QStringList{"-5", "4", "-5", "2"}));

    for (righe->First(); !righe->Eof(); righe->Next()) {
        righe->Edit();
        TField *quantita = righe->FieldByName(QStringLiteral("Quantita"));
        quantita->SetAsFloat(quantita->AsFloat() + 1);
        righe->Post();
    }
    ASSERT_TRUE(GeneraTutte(1, QStringLiteral("TRS"))) << ui->LastText().toStdString();
    EXPECT_EQ(causali(), QStringLiteral("1.0 TRS 5, 1.1 TRC 5, 2.0 VEN 2, 3.0 TRS 3, 3.1 TRC 3, 4.0 VEN 4"));
    EXPECT_EQ(esistenze(), (QStringList{"-7", "5", "-7", "3"}));

    ASSERT_TRUE(GeneraTutte(3, QStringLiteral("TRS"))) << ui->LastText().toStdString();
    EXPECT_EQ(causali(), QString());
    EXPECT_EQ(esistenze(), (QStringList{"0", "0", "0", "0"}));
}

TEST_F(Magazzino, RowsThatBookNoStock)
{
    Bolla();
    Rigo(1, QStringLiteral("CAS"), 2, 5.0);
    Rigo(2, QString(), 0, 0, 2);
    ASSERT_TRUE(GeneraTutte(2));
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 0);

    // a row booked before whose article stops booking stock loses its movement
    Rigo(3, QStringLiteral("A1"), 2, 5.0);
    righe->Last();
    ASSERT_TRUE(Genera(2));
    db->ExecSQL(QStringLiteral("UPDATE Articoli SET FlTipoCarico = 20 WHERE IdProdotto = 'A1'"));
    TDMIBase::Crea()->Rileggi(QStringLiteral("Articoli"));
    ASSERT_TRUE(Genera(1));
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 0);
    EXPECT_EQ(Esistenza("A1"), 0.0);

    // the company books no movements at all
    db->ExecSQL(QStringLiteral("UPDATE Articoli SET FlTipoCarico = 0 WHERE IdProdotto = 'A1'"));
    TDMIBase::Crea()->Rileggi(QStringLiteral("Articoli"));
    CFG.FlMovMagazzino = 2;
    ASSERT_TRUE(Genera(2));
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 0);
    EXPECT_TRUE(ui->Messages().isEmpty());
}

TEST_F(Magazzino, RefusalsAreShownAndWriteNothing)
{
    Bolla();
    Rigo(1, QStringLiteral("A1"), 2, 5.0);
    righe->First();
    EXPECT_FALSE(Genera(2, QString()));
    EXPECT_EQ(ui->LastText(), QStringLiteral("Causale di magazzino vuota"));
    EXPECT_FALSE(Genera(2, QStringLiteral("XXX")));
    EXPECT_EQ(ui->LastText(), QStringLiteral("Causale di magazzino <XXX> non valida"));

    db->ExecSQL(QStringLiteral("UPDATE BolleCliTeste SET DataDocumento = ?"), {Giorno(2027, 1, 5)});
    testa->Refresh();
    EXPECT_FALSE(Genera(2));
    EXPECT_EQ(ui->LastText(),
              QStringLiteral("Esercizio di magazzino non trovato o non valido con la data del documento <05/01/2027>"));

    db->ExecSQL(QStringLiteral("UPDATE BolleCliTeste SET DataDocumento = ?, ProtMagazzino = 0"), {Giorno(2026, 3, 10)});
    testa->Refresh();
    EXPECT_FALSE(Genera(2));
    EXPECT_EQ(ui->LastText(), QStringLiteral("Protocollo di magazzino non specificato sulla testa del documento"));

    db->ExecSQL(QStringLiteral("UPDATE BolleCliTeste SET ProtMagazzino = 7"));
    testa->Refresh();
    righe->Edit();
    righe->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(QStringLiteral("ZZ"));
    righe->Post();
    EXPECT_FALSE(Genera(2));
    EXPECT_EQ(ui->LastText(), QStringLiteral("Prodotto ZZ non esistente "));
    for (const kv8test::ShownMessage &m : ui->Messages())
        EXPECT_EQ(m.Type, mtWarning);

    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 0);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM EsistenzeMagazzino")), 0);
}

TEST_F(Magazzino, LeavesTheCallersTransactionToTheCaller)
{
    Bolla();
    Rigo(1, QStringLiteral("A1"), 2, 5.0);
    righe->First();
    {
        TXTransaction transazione(*db);
        ASSERT_TRUE(transazione.Started());
        ASSERT_TRUE(TDMIBMag::Crea()->GeneraMovimentoMagazzino(2, 0, QStringLiteral("VEN"), QString(), false,
                                                               testa.get(), righe.get(), nullptr, nullptr, nullptr,
                                                               nullptr, nullptr, nullptr));
        EXPECT_TRUE(db->InTransaction());
        // left without commit: rolled back
    }
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 0);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM EsistenzeMagazzino")), 0);
    // the module's tables hold nothing that was never stored: the row books again from nothing
    ASSERT_TRUE(Genera(2));
    EXPECT_DOUBLE_EQ(Esistenza("A1"), -2);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 1);
}

// Articles and causals are read once per transaction: a causal changed between two rows of one
// save, and an article changed between two saves, book as they stand when the row is booked.
TEST_F(Magazzino, LookupsChangedMeanwhileBookAsTheyStand)
{
    Bolla();
    Rigo(1, QStringLiteral("A1"), 2, 5.0);
    Rigo(2, QStringLiteral("A1"), 3, 5.0);
    Rigo(3, QStringLiteral("B1"), 4, 5.0);
    TDMIBMag *mag = TDMIBMag::Crea();
    const auto genera = [&] {
        return mag->GeneraMovimentoMagazzino(2, 0, QStringLiteral("VEN"), QString(), false, testa.get(), righe.get(),
                                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    };
    {
        TXTransaction transazione(*db);
        righe->First();
        ASSERT_TRUE(genera()) << ui->LastText().toStdString();
        Esegui("UPDATE CausaliMagaz SET FlEsistenza = 1 WHERE IdCausale = 'VEN'");
        TDMIBase::Crea()->Rileggi(QStringLiteral("CausaliMagaz"));
        for (righe->Next(); !righe->Eof(); righe->Next())
            ASSERT_TRUE(genera()) << ui->LastText().toStdString();
        transazione.Commit();
    }
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1, "QuantitaSca"), 2);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1, "QuantitaCar"), 3);
    EXPECT_DOUBLE_EQ(Esistenza("A1"), 1);
    EXPECT_DOUBLE_EQ(Esistenza("B1"), 4);

    // B1 becomes an article that books no stock: its row saved again takes its movement back
    Esegui("UPDATE Articoli SET FlTipoCarico = 20 WHERE IdProdotto = 'B1'");
    TDMIBase::Crea()->Rileggi(QStringLiteral("Articoli"));
    righe->Last();
    ASSERT_TRUE(Genera(1)) << ui->LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino WHERE IdProdotto = 'B1'")), 0);
    EXPECT_EQ(Esistenza("B1"), 0.0);
    EXPECT_EQ(Esistenza("B1", 1, "QuantitaCar"), 0.0);
}

TEST_F(Magazzino, RowTypeLinkedToAnotherCausal)
{
    Bolla();
    Rigo(1, QStringLiteral("A1"), 2, 0, 10);
    righe->First();
    ASSERT_TRUE(Genera(2));
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT IdCausale FROM MovMagazzino")).toString(), QStringLiteral("OMA"));
}

TEST_F(Magazzino, QuantitiesConvertedToTheArticlesUnit)
{
    TDMIBMag *mag = TDMIBMag::Crea();
    double q = 0;
    EXPECT_TRUE(mag->ConvQuantitaProdotto(QStringLiteral("A1"), QStringLiteral("bt"), 0, 2.5, q));
    EXPECT_DOUBLE_EQ(q, 2.5);
    EXPECT_TRUE(mag->ConvQuantitaProdotto(QStringLiteral("A1"), QStringLiteral("CF"), 6, 1.0 / 3.0, q));
    EXPECT_DOUBLE_EQ(q, 2.0);
    EXPECT_FALSE(mag->ConvQuantitaProdotto(QStringLiteral("A1"), QStringLiteral("CF"), 0, 1, q));
    EXPECT_FALSE(mag->ConvQuantitaProdotto(QStringLiteral("ZZ"), QString(), 0, 1, q));

    // a row in boxes of six books bottles; one whose unit has no factor is refused
    Bolla();
    Rigo(1, QStringLiteral("A1"), 2, 60.0);
    righe->First();
    righe->Edit();
    righe->FieldByName(QStringLiteral("IdUM"))->SetAsString(QStringLiteral("CF"));
    righe->FieldByName(QStringLiteral("FattConvProd"))->SetAsFloat(6);
    righe->Post();
    ASSERT_TRUE(Genera(2));
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Quantita FROM MovMagazzino")), 12);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT QuantitaDoc FROM MovMagazzino")), 2);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT PrezzoMov FROM MovMagazzino")), 10);
    EXPECT_DOUBLE_EQ(Esistenza("A1"), -12);

    righe->Edit();
    righe->FieldByName(QStringLiteral("FattConvProd"))->SetAsFloat(0);
    righe->Post();
    EXPECT_FALSE(Genera(1));
    EXPECT_EQ(ui->LastText(), QStringLiteral("Impossibile convertire quantità.\nCodice articolo: A1\n"
                                             "Documento: 2026-DDT-12 del 10/03/2026"));
    EXPECT_DOUBLE_EQ(Esistenza("A1"), -12) << "the failed call's transaction rolled back";
    EXPECT_EQ(mag->tMovMagazzino->State(), dsBrowse) << "no movement left in edit";
}

TEST_F(Magazzino, PricesIncludingVatAreBookedWithoutIt)
{
    Bolla();
    db->ExecSQL(QStringLiteral("UPDATE BolleCliTeste SET FlScorporo = 1"));
    testa->Refresh();
    Rigo(1, QStringLiteral("A1"), 3, 12.2);
    righe->First();
    ASSERT_TRUE(Genera(2)) << ui->LastText().toStdString();
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Valore FROM MovMagazzino")), 30);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT PrezzoMov FROM MovMagazzino")), 10);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Prezzo FROM MovMagazzino")), 10);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1, "ValoreSca"), 30);
}

TEST_F(Magazzino, ReturnRowsFollowTheSignOfTheCausal)
{
    KV8Config::Set(QStringLiteral("FSVEN01"), QStringLiteral("TipoRigoReso1"), 5);
    Bolla();
    Rigo(1, QStringLiteral("A1"), -3, -10.0, 5);
    righe->First();
    ASSERT_TRUE(Genera(2));
    // the unloading causal keeps the quantity negative: the goods come back
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Quantita FROM MovMagazzino")), -3);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Prezzo FROM MovMagazzino")), 10);
    EXPECT_DOUBLE_EQ(Esistenza("A1"), 3);

    // at a positive price the value comes back with the goods: the unload counters go down by
    // both, and deleting the row puts them back at 0
    Rigo(2, QStringLiteral("B1"), -2, 10.0, 5);
    ASSERT_TRUE(righe->Locate(QStringLiteral("KBolleCliR"), 2));
    ASSERT_TRUE(Genera(2)) << ui->LastText().toStdString();
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Valore FROM MovMagazzino WHERE KRigoDoc = 2")), -20);
    EXPECT_DOUBLE_EQ(Esistenza("B1", 1, "QuantitaSca"), -2);
    EXPECT_DOUBLE_EQ(Esistenza("B1", 1, "ValoreSca"), -20);
    EXPECT_DOUBLE_EQ(Esistenza("B1", 1, "ValoreCar"), 0);
    EXPECT_DOUBLE_EQ(Esistenza("B1"), 2);
    ASSERT_TRUE(Genera(3)) << ui->LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino WHERE KRigoDoc = 2")), 0);
    for (const char *contatore : {"QuantitaSca", "ValoreSca", "Esistenza"})
        EXPECT_DOUBLE_EQ(Esistenza("B1", 1, contatore), 0) << contatore;
}

TEST_F(Magazzino, RetailSaleWithoutStockBookingLeavesTheStockAlone)
{
    Esegui("INSERT INTO VenditaDettTeste (KVenditaDettT, IdCausale, Anno, Numero, DataDocumento, ProtMagazzino, "
           "FlAggSaldi) "
           "VALUES (1, 'SCO', 2026, 3, ?, 9, 0)",
           {Giorno(2026, 4, 1)});
    Esegui("INSERT INTO VenditaDettRighe (KVenditaDettR, KVenditaDettT, NumOrdine, IdProdotto, IdMagazzino, Quantita, "
           "ControvaloreNN) VALUES (5, 1, 1, 'A1', 1, 2, 20)");
    auto t = Tabella(QStringLiteral("VenditaDettTeste"), QStringLiteral("KVenditaDettT = 1"));
    auto r = Tabella(QStringLiteral("VenditaDettRighe"), QStringLiteral("KVenditaDettT = 1"));
    TDMIBMag *mag = TDMIBMag::Crea();
    for (int stato : {2, 3}) {
        TXTransaction transazione(*db);
        ASSERT_TRUE(mag->GeneraMovimentoMagazzino(stato, 6, QStringLiteral("VEN"), QString(), false, t.get(), r.get(),
                                                  nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))
            << ui->LastText().toStdString();
        transazione.Commit();
        EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino WHERE KRigoDoc = 5 AND FlTipoDocum = 6")),
                  stato == 2 ? 1 : 0);
        EXPECT_EQ(Esistenza("A1"), 0.0) << "state " << stato;
    }
}

TEST_F(Magazzino, CostDetailsOfTheMovement)
{
    Bolla();
    Rigo(1, QStringLiteral("A1"), 4, 10.0);
    Esegui(
        "INSERT INTO DettCostiDoc (KDettCosti, FlTipoDocumento, KRigoDoc, IdCosto, IdConto, Importo, Quantita) VALUES "
        "(1, 0, 1, 'TRA', '60100001', 5.5, 4), (2, 0, 1, 'ASS', '60100002', 2, 4), (3, 0, 2, 'TRA', '60100001', 99, "
        "1)");
    righe->First();
    ASSERT_TRUE(Genera(2, QStringLiteral("VEN"), true, QStringLiteral("MER"))) << ui->LastText().toStdString();
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Valore FROM MovMagazzino")), 47.5);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT PrezzoMov FROM MovMagazzino")), 11.875);
    QSqlQuery d = db->OpenQuery(QStringLiteral("SELECT IdCosto, Importo FROM MovMagazzinoD ORDER BY IdCosto"));
    QStringList righeCosti;
    while (d.next())
        righeCosti << d.value(0).toString() + QLatin1Char('=') + QString::number(d.value(1).toDouble());
    EXPECT_EQ(righeCosti, (QStringList{QStringLiteral("ASS=2"), QStringLiteral("MER=40"), QStringLiteral("TRA=5.5")}));

    // rewritten: the old details go, the new ones come
    ASSERT_TRUE(Genera(1, QStringLiteral("VEN"), true, QStringLiteral("MER")));
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzinoD")), 3);
    ASSERT_TRUE(Genera(3, QStringLiteral("VEN"), true, QStringLiteral("MER")));
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzinoD")), 0);
}

TEST_F(Magazzino, LotsBookedWithTheMovementAndTakenBack)
{
    KV8Config::Set(QStringLiteral("FSBAS01"), QStringLiteral("FlDettaglioQta"), 1);
    Esegui("INSERT INTO SaldiLotti (IdProdotto, IdMagazzino, IdVariante, Gruppo, IdLotto, IdDimensione, QuantitaCar, "
           "QuantitaSca, Giacenza) VALUES ('A1', 1, '', '', 'L1', '', 10.3, 0.1, 10.2)");
    Bolla();
    Rigo(1, QStringLiteral("A1"), 4.2, 10.0);
    Esegui("INSERT INTO DettQtaDoc (KDettQta, FlTipoDocumento, KTestaDoc, KRigoDoc, IdLotto, Quantita) VALUES "
           "(1, 0, 1, 1, 'L1', 0.7), (2, 0, 1, 1, 'L2', 3.5)");
    righe->First();
    ASSERT_TRUE(Genera(2)) << ui->LastText().toStdString();
    const int movimento = Conta(QStringLiteral("SELECT KMovMag FROM MovMagazzino"));
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM DettQtaDoc WHERE FlTipoDocumento = 99 AND KTestaDoc = 0 AND "
                                   "KRigoDoc = ?"),
                    {movimento}),
              2);
    const QString giacenza = QStringLiteral("SELECT Giacenza FROM SaldiLotti WHERE IdProdotto = 'A1' AND IdLotto = ?");
    EXPECT_DOUBLE_EQ(Valore(giacenza, {QStringLiteral("L1")}), 9.5);
    EXPECT_DOUBLE_EQ(Valore(giacenza, {QStringLiteral("L2")}), -3.5);

    TDMIBMag *mag = TDMIBMag::Crea();
    TDatiLotti lotto;
    mag->InitDatiLotto(lotto, QStringLiteral("A1"), 1, Giorno(2026, 3, 10), QString(), QString(), QStringLiteral("L1"),
                       QString(), 9.5, QStringLiteral("VEN"));
    EXPECT_TRUE(mag->ControlloGiacenzaLotto(lotto));
    lotto.IdUM = QStringLiteral("CF");
    lotto.FattConv = 6;
    lotto.Quantita = 2;
    EXPECT_FALSE(mag->ControlloGiacenzaLotto(lotto));
    EXPECT_EQ(ui->LastText(),
              QStringLiteral("Il lotto L1 dell'articolo A1 ha nel magazzino 1 una giacenza di 9,500, minore "
                             "della quantità richiesta 12,000: ridurre la quantità o scegliere un altro lotto."));

    ASSERT_TRUE(Genera(3)) << ui->LastText().toStdString();
    EXPECT_EQ(Valore(giacenza, {QStringLiteral("L1")}), 10.2) << "exactly as before";
    EXPECT_EQ(Valore(giacenza, {QStringLiteral("L2")}), 0.0);
    EXPECT_EQ(Valore(QStringLiteral("SELECT QuantitaSca FROM SaldiLotti WHERE IdLotto = 'L1'")), 0.1);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM DettQtaDoc WHERE FlTipoDocumento = 99")), 0);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM DettQtaDoc WHERE FlTipoDocumento = 0")), 2);
}

// A movement of A1 in 2026 by the loading causal, appended and left in insert.
void NuovoMovimento(TXClientTable &movimento)
{
    movimento.SetTableName(QStringLiteral("MovMagazzino"));
    movimento.SetXWhereVuoto(QStringLiteral("KMovMag = -1"));
    movimento.Open();
    movimento.Append();
    movimento.FieldByName(QStringLiteral("Esercizio"))->SetAsInteger(2026);
    movimento.FieldByName(QStringLiteral("IdProdotto"))->SetAsString(QStringLiteral("A1"));
    movimento.FieldByName(QStringLiteral("IdCausale"))->SetAsString(QStringLiteral("ACQ"));
}

TEST_F(Magazzino, BatchStockForwardAndBack)
{
    TDMIBMag *mag = TDMIBMag::Crea();
    TXClientTable movimento;
    NuovoMovimento(movimento);
    movimento.FieldByName(QStringLiteral("IdMagazzino1"))->SetAsInteger(1);
    movimento.FieldByName(QStringLiteral("Partita"))->SetAsString(QStringLiteral("P24"));
    movimento.FieldByName(QStringLiteral("Quantita"))->SetAsFloat(0.3);
    movimento.Post();
    TXTransaction transazione(*db);
    const QString esistenza = QStringLiteral("SELECT Esistenza FROM EsistenzePartite WHERE Partita = 'P24'");
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(mag->AggiornaPartiteMagazzino(&movimento, nullptr, false));
    EXPECT_DOUBLE_EQ(Valore(esistenza), 0.9);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(mag->AggiornaPartiteMagazzino(&movimento, nullptr, true));
    EXPECT_EQ(Valore(esistenza), 0.0);
    // a movement without batch books none
    movimento.Edit();
    movimento.FieldByName(QStringLiteral("Partita"))->SetAsString(QString());
    movimento.Post();
    ASSERT_TRUE(mag->AggiornaPartiteMagazzino(&movimento, nullptr, false));
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM EsistenzePartite")), 1);
    transazione.Commit();
}

TEST_F(Magazzino, BatchesAndWarehousesOfOneArticleBookTheirOwnStockRows)
{
    TDMIBMag *mag = TDMIBMag::Crea();
    TXClientTable movimento;
    NuovoMovimento(movimento);
    movimento.Post();
    const auto prenota = [&](int magazzino, const char *partita, double quantita, bool storno) {
        movimento.Edit();
        movimento.FieldByName(QStringLiteral("IdMagazzino1"))->SetAsInteger(magazzino);
        movimento.FieldByName(QStringLiteral("Partita"))->SetAsString(QLatin1String(partita));
        movimento.FieldByName(QStringLiteral("Quantita"))->SetAsFloat(quantita);
        movimento.Post();
        return mag->AggiornaPartiteMagazzino(&movimento, nullptr, storno)
               && mag->AggiornaEsistenzeMagazzino(&movimento, nullptr, storno);
    };
    const auto partita = [&](int magazzino, const char *codice) {
        return Valore(QStringLiteral("SELECT Esistenza FROM EsistenzePartite WHERE IdMagazzino = ? AND Partita = ?"),
                      {magazzino, QString::fromLatin1(codice)});
    };
    {
        // one transaction: the postings added up by stock row before they are written
        TXTransaction transazione(*db);
        ASSERT_TRUE(prenota(1, "P1", 1, false));
        ASSERT_TRUE(prenota(1, "P2", 2, false));
        ASSERT_TRUE(prenota(2, "P1", 4, false));
        ASSERT_TRUE(prenota(1, "P1", 8, false));
        ASSERT_TRUE(prenota(1, "P2", 2, true));
        transazione.Commit();
    }
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM EsistenzePartite")), 3);
    EXPECT_DOUBLE_EQ(partita(1, "P1"), 9);
    EXPECT_EQ(partita(1, "P2"), 0.0);
    EXPECT_DOUBLE_EQ(partita(2, "P1"), 4);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM EsistenzeMagazzino")), 2);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1), 9);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 2), 4);
}

TEST_F(Magazzino, SettingsChangedBetweenSavesAreFollowed)
{
    Bolla();
    Rigo(1, QStringLiteral("A1"), -3, -10.0, 5);
    righe->First();
    const QString prezzo = QStringLiteral("SELECT Prezzo FROM MovMagazzino");
    // not a return row type: the price as the row has it
    ASSERT_TRUE(Genera(2));
    EXPECT_DOUBLE_EQ(Valore(prezzo), -10);
    KV8Config::Set(QStringLiteral("FSVEN01"), QStringLiteral("TipoRigoReso1"), 5);
    ASSERT_TRUE(Genera(1));
    EXPECT_DOUBLE_EQ(Valore(prezzo), 10);
    KV8Config::Set(QStringLiteral("fsven01"), QStringLiteral("TIPORIGORESO1"), 7);
    ASSERT_TRUE(Genera(1));
    EXPECT_DOUBLE_EQ(Valore(prezzo), -10);
    KV8Config::Set(QStringLiteral("FSVEN01"), QStringLiteral("TipoRigoReso2"), 5);
    ASSERT_TRUE(Genera(1));
    EXPECT_DOUBLE_EQ(Valore(prezzo), 10);
    KV8Config::Clear();
    ASSERT_TRUE(Genera(1));
    EXPECT_DOUBLE_EQ(Valore(prezzo), -10);
    // a setting that is not a number reads its default
    KV8Config::Set(QStringLiteral("FSVEN01"), QStringLiteral("TipoRigoReso1"), QStringLiteral(" 5 "));
    EXPECT_EQ(KV8Config::GetFSVEN01().TipoRigoReso1, 5);
    KV8Config::Set(QStringLiteral("FSVEN01"), QStringLiteral("TipoRigoReso1"), QStringLiteral("x"));
    EXPECT_EQ(KV8Config::GetFSVEN01().TipoRigoReso1, -1);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 1);
}

TEST_F(Magazzino, FieldsOfManyDatasetsFoundByNameAgain)
{
    // more datasets and names than ever meet on one place of the lookup kept
    std::vector<std::unique_ptr<TXClientTable>> tabelle;
    for (int i = 0; i < 40; ++i) {
        tabelle.push_back(std::make_unique<TXClientTable>());
        tabelle.back()->SetTableName(i % 2 ? QStringLiteral("MovMagazzino") : QStringLiteral("EsistenzeMagazzino"));
        tabelle.back()->SetXWhereVuoto(i % 2 ? QStringLiteral("KMovMag = -1") : QStringLiteral("Esercizio = -1"));
        tabelle.back()->Open();
    }
    static const char *const nomi[] = {"Esercizio", "IdProdotto", "Quantita", "IdMagazzino1", "Partita", "Nessuno"};
    for (int giro = 0; giro < 3; ++giro)
        for (std::size_t i = 0; i < tabelle.size(); ++i)
            for (const char *nome : nomi) {
                TField *f = TDMIBMag::CampoDataset(tabelle[i].get(), nome);
                EXPECT_EQ(f, tabelle[i]->FindField(QLatin1String(nome))) << i << ' ' << nome;
            }
    // a dataset opened again on other columns is looked up again
    tabelle[0]->Close();
    tabelle[0]->SetTableName(QStringLiteral("MovMagazzino"));
    tabelle[0]->SetXWhereVuoto(QStringLiteral("KMovMag = -1"));
    tabelle[0]->Open();
    ASSERT_NE(TDMIBMag::CampoDataset(tabelle[0].get(), "IdMagazzino1"), nullptr);
    EXPECT_EQ(TDMIBMag::CampoDataset(tabelle[0].get(), "Esercizio"),
              tabelle[0]->FindField(QStringLiteral("Esercizio")));
}

TEST_F(Magazzino, RowsCheckedBeforeTheSave)
{
    Bolla();
    Rigo(1, QStringLiteral("A1"), 1, 1);
    Rigo(2, QStringLiteral("CAS"), 1, 1, 0, 9); // packaging books no stock: its warehouse does not matter
    TDMIBMag *mag = TDMIBMag::Crea();
    EXPECT_TRUE(mag->ControllaRigheMagazzino(0, testa.get(), righe.get()));
    EXPECT_TRUE(ui->Messages().isEmpty());
    Rigo(3, QStringLiteral("B1"), 1, 1, 0, 9);
    EXPECT_FALSE(mag->ControllaRigheMagazzino(0, testa.get(), righe.get()));
    EXPECT_EQ(ui->LastText(),
              QStringLiteral("Il rigo 3 ha il magazzino 9, che non esiste: indicare un magazzino valido."));
}

// A replacement as the module writes one: the whole routine made of the host's steps in the
// host's order, with a step of its own on every movement record it fills.
class ProvaMagazzino : public TDMIBMag {
    Q_OBJECT
public:
    using TDMIBMag::TDMIBMag;
    bool GeneraMovimentoMagazzino(int statoRigo, int codTipoDoc, const QString &idCausale, const QString &idCosto,
                                  bool costiAttivi, TDataSet *testa, TDataSet *rigo, TDataSet *movimenti,
                                  TDataSet *esistenze, TDataSet *partite, TDataSet *movimentiD, TXQuery *query,
                                  TDataSet *dettaglioQta) override
    {
        TContestoMovimento c;
        c.StatoRigo = statoRigo;
        c.CodTipoDoc = codTipoDoc;
        c.IdCausale = idCausale;
        c.IdCosto = idCosto;
        c.CostiAttivi = costiAttivi;
        c.Testa = testa;
        c.Rigo = rigo;
        c.Movimenti = movimenti ? movimenti : tMovMagazzino;
        c.Esistenze = esistenze;
        c.Partite = partite;
        c.MovimentiD = movimentiD ? movimentiD : tMovMagazzinoD;
        c.Query = query ? query : qLavoro;
        c.RecordMatricole = dettaglioQta;
        if (!LeggiDatiMovimento(c))
            return true;
        c.Movimenti->Open();
        if (c.StatoRigo == 3) {
            c.MovimentoTrovato = TrovaMovimento(c, 0);
            if (c.MovimentoTrovato)
                StornaMovimento(c);
            EliminaMovimenti(c);
            return true;
        }
        ApriMovimento(c, 0, false);
        SettaCampiMovimento(c, 0);
        PassoProprio(c);
        RegistraMovimento(c, 0);
        if (c.Causale.ConContromovimento()) {
            ApriMovimento(c, 1, false);
            SettaCampiMovimento(c, 1);
            SettaCampiContromovimento(c);
            PassoProprio(c);
            RegistraMovimento(c, 1);
        }
        return true;
    }
    void PassoProprio(TContestoMovimento &c)
    {
        c.Movimenti->FieldByName(QStringLiteral("RifFornitore"))
            ->SetAsString(QStringLiteral("conf. %1").arg(c.Rigo->FieldByName(QStringLiteral("Lunghezza"))->AsFloat()));
    }
};

TEST_F(Magazzino, AReplacementBuiltOfTheHostStepsIsTheModuleCreated)
{
    Xforms::XRegisterDMClass(QStringLiteral("TDMIBMag"), ClassRef::Of<ProvaMagazzino>());
    TDMIBMag *mag = TDMIBMag::Crea();
    Xforms::Registry().Unregister(QStringLiteral("TDMIBMag"));
    ASSERT_NE(qobject_cast<ProvaMagazzino *>(mag), nullptr);
    EXPECT_EQ(DMIBMag.data(), mag);
    Bolla(QStringLiteral("DTR"), 2);
    Rigo(1, QStringLiteral("A1"), 12, 1);
    righe->First();
    righe->Edit();
    righe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(2);
    righe->Post();
    ASSERT_TRUE(Genera(2, QStringLiteral("TRS"))) << ui->LastText().toStdString();
    QSqlQuery m = db->OpenQuery(
        QStringLiteral("SELECT SubNumOrdine, IdCausale, RifFornitore FROM MovMagazzino ORDER BY SubNumOrdine"));
    QStringList movimenti;
    while (m.next())
        movimenti << m.value(1).toString() + QLatin1Char(' ') + m.value(2).toString();
    EXPECT_EQ(movimenti, (QStringList{QStringLiteral("TRS conf. 2"), QStringLiteral("TRC conf. 2")}));
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1), -12);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 2), 12);
    ASSERT_TRUE(Genera(3, QStringLiteral("TRS")));
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 0);
    EXPECT_EQ(Esistenza("A1", 2), 0.0);
}

} // namespace

#include "test_Magazzino.moc"

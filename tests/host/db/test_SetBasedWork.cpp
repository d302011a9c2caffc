// Set-based rebuilding of work tables on both engines: INSERT … SELECT, UPDATE … FROM in the
// module's dialect, running totals by window functions, and rows copied in bulk between the
// company database and a local work database.
#include "host/db/SetBasedWork.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"
#include "tests/support/TestDb.h"

#include <QMap>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

class SetBasedWork : public ::testing::Test {
protected:
    void SetUp() override
    {
        KV8_REQUIRE_DB(tdb);
        db = tdb.Connect();
        const QString date = db->IsPostgres() ? "TIMESTAMP" : "DATETIME";
        db->ExecSQL("CREATE TABLE TW_Mov (KMov INTEGER NOT NULL PRIMARY KEY, IdConto VARCHAR(8) NOT NULL DEFAULT '', "
                    "DataMov "
                    + date + ", Qta FLOAT NOT NULL DEFAULT 0)");
        db->ExecSQL("CREATE TABLE TW_Saldi (IdConto VARCHAR(8) NOT NULL PRIMARY KEY, Qta FLOAT NOT NULL DEFAULT 0, "
                    "Movimenti INTEGER NOT NULL DEFAULT 0)");
        // hand-made movements: two on the same day for C1, none for C3
        const QVariantList rows{1, "C1", QDateTime(QDate(2024, 1, 5), QTime(0, 0)), 10.0,
                                2, "C2", QDateTime(QDate(2024, 1, 6), QTime(0, 0)), 4.0,
                                3, "C1", QDateTime(QDate(2024, 1, 5), QTime(0, 0)), -3.5,
                                4, "C1", QDateTime(QDate(2024, 2, 1), QTime(0, 0)), 1.25,
                                5, "C2", QDateTime(QDate(2024, 3, 1), QTime(0, 0)), 6.0};
        db->ExecSQL("INSERT INTO TW_Mov (KMov, IdConto, DataMov, Qta) VALUES (?, ?, ?, ?), (?, ?, ?, ?), "
                    "(?, ?, ?, ?), (?, ?, ?, ?), (?, ?, ?, ?)",
                    rows);
        db->ExecSQL("INSERT INTO TW_Saldi (IdConto, Qta) VALUES ('C1', 100), ('C2', 0), ('C3', 7)");
    }

    double Saldo(const QString &conto)
    {
        return db->ScalarValue("SELECT Qta FROM TW_Saldi WHERE IdConto = ?", {conto}).toDouble();
    }

    TestDb tdb;
    std::unique_ptr<TXDatabase> db;
};

TEST_F(SetBasedWork, InsertSelectAndUpdateFromRebuildTotals)
{
    db->ExecSQL("CREATE TABLE TW_Tot (IdConto VARCHAR(8) NOT NULL PRIMARY KEY, Qta FLOAT NOT NULL DEFAULT 0, "
                "Movimenti INTEGER NOT NULL DEFAULT 0)");
    EXPECT_EQ(db->ExecSQL("INSERT INTO TW_Tot (IdConto, Qta, Movimenti) SELECT IdConto, SUM(Qta), COUNT(*) "
                          "FROM TW_Mov WHERE DataMov <= ? GROUP BY IdConto",
                          {QDateTime(QDate(2024, 1, 31), QTime(23, 59))}),
              2);
    EXPECT_DOUBLE_EQ(db->ScalarValue("SELECT Qta FROM TW_Tot WHERE IdConto = 'C1'").toDouble(), 6.5);

    TXTransaction t(*db);
    ASSERT_TRUE(t.Started());
    EXPECT_EQ(db->ExecSQL("UPDATE S SET S.Qta = S.Qta + T.Qta, S.Movimenti = T.N FROM TW_Saldi S INNER JOIN "
                          "(SELECT IdConto, SUM(Qta) AS Qta, COUNT(*) AS N FROM TW_Mov GROUP BY IdConto) T "
                          "ON T.IdConto = S.IdConto"),
              2);
    t.Commit();
    EXPECT_DOUBLE_EQ(Saldo("C1"), 107.75);
    EXPECT_DOUBLE_EQ(Saldo("C2"), 10.0);
    EXPECT_DOUBLE_EQ(Saldo("C3"), 7.0); // no movements: untouched
    EXPECT_EQ(db->ScalarValue("SELECT Movimenti FROM TW_Saldi WHERE IdConto = 'C1'").toInt(), 3);
}

TEST_F(SetBasedWork, WindowFunctionsGiveProgressivesRowByRow)
{
    QSqlQuery q = db->OpenQuery(
        "SELECT KMov, SUM(Qta) OVER (PARTITION BY IdConto ORDER BY DataMov, KMov ROWS UNBOUNDED PRECEDING) AS Prog, "
        "ROW_NUMBER() OVER (PARTITION BY IdConto ORDER BY DataMov, KMov) AS Nr FROM TW_Mov ORDER BY IdConto, Nr");
    QList<int> keys, numbers;
    QList<double> progressives;
    while (q.next()) {
        keys << q.value(0).toInt();
        progressives << q.value(1).toDouble();
        numbers << q.value(2).toInt();
    }
    // the two movements of the same day add up one after the other, in key order
    EXPECT_EQ(keys, (QList<int>{1, 3, 4, 2, 5}));
    EXPECT_EQ(progressives, (QList<double>{10.0, 6.5, 7.75, 4.0, 10.0}));
    EXPECT_EQ(numbers, (QList<int>{1, 2, 3, 1, 2}));
}

TEST_F(SetBasedWork, RowsCopiedBetweenCompanyAndLocalDatabase)
{
    QTemporaryDir dir;
    TXDatabase local(QStringLiteral("LocalDatabase"), QStringLiteral("sqlite:") + dir.filePath("local.db"));
    local.ExecSQL("CREATE TABLE TW_t_Prog (KMov INTEGER NOT NULL PRIMARY KEY, Conto VARCHAR(8) NOT NULL DEFAULT '', "
                  "Prog FLOAT NOT NULL DEFAULT 0, DataMov DATETIME)");
    const QString progressives =
        "SELECT KMov, IdConto, SUM(Qta) OVER (PARTITION BY IdConto ORDER BY DataMov, KMov ROWS UNBOUNDED PRECEDING), "
        "DataMov FROM TW_Mov WHERE KMov >= ?";
    EXPECT_EQ(kv8db::CopiaRighe(*db, progressives, {2}, local, "TW_t_Prog", {"KMov", "Conto", "Prog", "DataMov"}), 4);
    EXPECT_DOUBLE_EQ(local.ScalarValue("SELECT Prog FROM TW_t_Prog WHERE KMov = 4").toDouble(), -2.25);
    EXPECT_EQ(local
                  .ScalarValue("SELECT COUNT(*) FROM TW_t_Prog WHERE DataMov = ?",
                               {QDateTime(QDate(2024, 3, 1), QTime(0, 0))})
                  .toInt(),
              1);

    // a column count that does not match is refused, nothing written
    EXPECT_THROW(kv8db::CopiaRighe(*db, "SELECT KMov, IdConto FROM TW_Mov", {}, local, "TW_t_Prog", {"KMov"}),
                 EDatabaseError);
    // a taken key fails the whole copy, all or nothing
    EXPECT_THROW(kv8db::CopiaRighe(*db, "SELECT KMov + 10, IdConto FROM TW_Mov UNION ALL SELECT 4, 'X'", {}, local,
                                   "TW_t_Prog", {"KMov", "Conto"}),
                 EKeyViolation);
    EXPECT_EQ(local.ScalarValue("SELECT COUNT(*) FROM TW_t_Prog").toInt(), 4);

    // back to the company database, inside its transaction, more rows than one INSERT takes
    local.ExecSQL("INSERT INTO TW_t_Prog (KMov, Conto, Prog) "
                  "WITH RECURSIVE n(k) AS (SELECT 100 UNION ALL SELECT k + 1 FROM n WHERE k < 1299) "
                  "SELECT k, 'C9', k FROM n");
    {
        TXTransaction t(*db);
        ASSERT_TRUE(t.Started());
        EXPECT_EQ(kv8db::CopiaRighe(local, "SELECT KMov, Conto, Prog FROM TW_t_Prog WHERE Conto = 'C9'", {}, *db,
                                    "TW_Mov", {"KMov", "IdConto", "Qta"}),
                  1200);
        EXPECT_EQ(db->ScalarValue("SELECT COUNT(*) FROM TW_Mov").toInt(), 1205);
    } // not committed: the copy goes with the transaction
    EXPECT_EQ(db->ScalarValue("SELECT COUNT(*) FROM TW_Mov").toInt(), 5);
}

TEST_F(SetBasedWork, WrittenRowsStoredAsExecSqlStoresThem)
{
    const QString date = db->IsPostgres() ? "TIMESTAMP" : "DATETIME";
    db->ExecSQL("CREATE TABLE TW_Tipi (K INTEGER NOT NULL PRIMARY KEY, S VARCHAR(10), N FLOAT, D " + date
                + ", I INTEGER)");
    const QDateTime giorno(QDate(2024, 1, 5), QTime(10, 30, 15));
    const QStringList colonne{"K", "S", "N", "D", "I"};
    // each row through the writer (keys 1-5) and through ExecSQL (keys 101-105)
    const QList<QVariantList> valori{{"", 2.5, giorno, true},
                                     {QString(), QVariant(), QVariant(), QVariant()},
                                     {QStringLiteral("àè"), 0.001, QDate(2024, 2, 1), qint64(7)},
                                     {"xy", 1, QDateTime(), 0}, // an invalid date is stored empty
                                     {"z", 3.25, giorno, 2}};
    {
        TXTransaction t(*db);
        ASSERT_TRUE(t.Started());
        kv8db::ScritturaRighe scrittura(*db, "TW_Tipi", colonne);
        for (qsizetype i = 0; i < valori.size(); ++i) {
            scrittura.Aggiungi(QVariantList{i + 1} + valori[i]);
            db->ExecSQL("INSERT INTO TW_Tipi (K, S, N, D, I) VALUES (?, ?, ?, ?, ?)",
                        QVariantList{i + 101} + valori[i]);
        }
        scrittura.Chiudi();
        EXPECT_EQ(scrittura.Righe(), 5);
        EXPECT_TRUE(db->TransactionWrote("TW_Tipi"));
        t.Commit();
    }
    const auto righe = [](TXDatabase &d, const QString &tabella, const QString &dove) {
        QStringList out;
        for (QSqlQuery q = d.OpenQuery("SELECT K, COALESCE(S, 'null'), COALESCE(N, -1), D, COALESCE(I, -1) FROM "
                                       + tabella + " WHERE " + dove + " ORDER BY K");
             q.next();)
            out << QStringList{QString::number(q.value(0).toInt() % 100), q.value(1).toString(), q.value(2).toString(),
                               q.value(3).toString().left(19).replace(u'T', u' '), q.value(4).toString()}
                       .join(u'|');
        return out;
    };
    EXPECT_EQ(righe(*db, "TW_Tipi", "K < 100"), righe(*db, "TW_Tipi", "K > 100"));
    EXPECT_EQ(db->ScalarValue("SELECT COUNT(*) FROM TW_Tipi WHERE D = ? AND N = 2.5 AND I = 1", {giorno}).toInt(), 2);
    EXPECT_EQ(db->ScalarValue("SELECT COUNT(*) FROM TW_Tipi WHERE D = ? AND N = 3.25", {giorno}).toInt(), 2)
        << "a date past the first row compares as one written by ExecSQL";
    EXPECT_EQ(db->ScalarValue("SELECT S FROM TW_Tipi WHERE K = 3").toString(), QStringLiteral("àè"));
    EXPECT_EQ(
        db->ScalarValue("SELECT COUNT(*) FROM TW_Tipi WHERE K = 3 AND D = ? AND I = 7 AND N < 0.0011 AND N > 0.0009",
                        {QDateTime(QDate(2024, 2, 1), QTime(0, 0))})
            .toInt(),
        1);
    EXPECT_EQ(db->ScalarValue("SELECT COUNT(*) FROM TW_Tipi WHERE K = 4 AND D IS NULL").toInt(), 1);

    // copied to a local database: every row, every value as it stands
    QTemporaryDir dir;
    TXDatabase local(QStringLiteral("LocalDatabase"), QStringLiteral("sqlite:") + dir.filePath("local.db"));
    local.ExecSQL(
        "CREATE TABLE TW_Copia (K INTEGER NOT NULL PRIMARY KEY, S VARCHAR(10), N FLOAT, D DATETIME, I INTEGER)");
    EXPECT_EQ(kv8db::CopiaRighe(*db, "SELECT K, S, N, D, I FROM TW_Tipi ORDER BY K", {}, local, "TW_Copia"), 10);
    EXPECT_EQ(righe(local, "TW_Copia", "K > 0"), righe(*db, "TW_Tipi", "K > 0"));

    // a taken key past the first row fails the writing; the transaction takes the rows back
    {
        TXTransaction t(*db);
        ASSERT_TRUE(t.Started());
        EXPECT_THROW(
            {
                kv8db::ScritturaRighe scrittura(*db, "TW_Tipi", colonne);
                for (int k = 10; k < 20; ++k)
                    scrittura.Aggiungi(QVariantList{k, "n", k, giorno, k});
                scrittura.Aggiungi(QVariantList{3, "doppio", 0, giorno, 0});
                scrittura.Chiudi();
            },
            EKeyViolation);
    }
    EXPECT_EQ(db->ScalarValue("SELECT COUNT(*) FROM TW_Tipi").toInt(), 10);
}

TEST_F(SetBasedWork, NumberedCopyFollowsTheOrderOfTheReading)
{
    QTemporaryDir dir;
    TXDatabase local(QStringLiteral("LocalDatabase"), QStringLiteral("sqlite:") + dir.filePath("local.db"));
    local.ExecSQL("CREATE TABLE TW_t_Righe (KMov INTEGER NOT NULL DEFAULT 0, Conto VARCHAR(8) NOT NULL DEFAULT '', "
                  "NumeroRiga INTEGER NOT NULL DEFAULT 0)");
    // latest first: an order no index gives, so the reading sorts before numbering
    const QString ordered = "SELECT KMov, IdConto FROM TW_Mov WHERE KMov <> ? ORDER BY DataMov DESC, KMov";
    const QMap<int, int> expected{{5, 41}, {4, 42}, {1, 43}, {3, 44}};
    const auto numbers = [&] {
        QMap<int, int> out;
        QSqlQuery q = local.OpenQuery("SELECT KMov, NumeroRiga FROM TW_t_Righe");
        while (q.next())
            out.insert(q.value(0).toInt(), q.value(1).toInt());
        return out;
    };
    const auto copy = [&] {
        local.ExecSQL("DELETE FROM TW_t_Righe");
        return kv8db::CopiaRighe(*db, ordered, {2}, local, "TW_t_Righe", {"KMov", "Conto"},
                                 kv8db::NumeroRiga{"NumeroRiga", 40});
    };

    const QString planning = db->IsPostgres() ? db->ScalarValue("SHOW cursor_tuple_fraction").toString() : QString();
    EXPECT_EQ(copy(), 4);
    EXPECT_EQ(numbers(), expected);
    if (db->IsPostgres()) {
        EXPECT_EQ(db->ScalarValue("SHOW cursor_tuple_fraction").toString(), planning) << "the session's planning kept";
    }
    {
        // the company database in a transaction: its own rows are read, numbered alike
        TXTransaction t(*db);
        ASSERT_TRUE(t.Started());
        db->ExecSQL("UPDATE TW_Mov SET DataMov = ? WHERE KMov = 1", {QDateTime(QDate(2024, 4, 1), QTime(0, 0))});
        EXPECT_EQ(copy(), 4);
        EXPECT_EQ(numbers(), (QMap<int, int>{{1, 41}, {5, 42}, {4, 43}, {3, 44}}));
    }
    // an order the key gives (the rows come sorted) and a bracketed order inside the reading's columns
    local.ExecSQL("DELETE FROM TW_t_Righe");
    EXPECT_EQ(kv8db::CopiaRighe(*db,
                                "SELECT KMov, (SELECT MAX(IdConto) FROM TW_Mov X WHERE X.KMov = M.KMov ORDER BY 1) "
                                "FROM TW_Mov M WHERE KMov <> ? ORDER BY KMov DESC",
                                {2}, local, "TW_t_Righe", {"KMov", "Conto"}, kv8db::NumeroRiga{"NumeroRiga", 40}),
              4);
    EXPECT_EQ(numbers(), (QMap<int, int>{{5, 41}, {4, 42}, {3, 43}, {1, 44}}));
    // a local table named as the company's: the reading still reads the company's rows
    local.ExecSQL("CREATE TABLE TW_Mov (KMov INTEGER NOT NULL DEFAULT 0, IdConto VARCHAR(8) NOT NULL DEFAULT '', "
                  "DataMov DATETIME)");
    EXPECT_EQ(copy(), 4);
    EXPECT_EQ(numbers(), expected);
}

TEST_F(SetBasedWork, NumberedCopyOnOneDatabaseFollowsTheOrderOfTheReading)
{
    db->ExecSQL("CREATE TABLE TW_t_Righe (KMov INTEGER NOT NULL DEFAULT 0, Conto VARCHAR(8) NOT NULL DEFAULT '', "
                "NumeroRiga INTEGER NOT NULL DEFAULT 0)");
    const auto numbers = [&] {
        QMap<int, int> out;
        QSqlQuery q = db->OpenQuery("SELECT KMov, NumeroRiga FROM TW_t_Righe");
        while (q.next())
            out.insert(q.value(0).toInt(), q.value(1).toInt());
        return out;
    };
    const auto copy = [&](const QString &select, const QVariantList &params) {
        db->ExecSQL("DELETE FROM TW_t_Righe");
        return kv8db::CopiaRighe(*db, select, params, *db, "TW_t_Righe", {"KMov", "Conto"},
                                 kv8db::NumeroRiga{"NumeroRiga", 40});
    };
    // latest first, with an ORDER BY and a FROM inside brackets and quotes before the reading's own
    EXPECT_EQ(copy("SELECT M.KMov, (SELECT MAX(IdConto) FROM TW_Mov X WHERE X.KMov = M.KMov ORDER BY 1) "
                   "FROM TW_Mov M WHERE M.KMov <> ? AND M.IdConto <> ') FROM ORDER BY' ORDER BY M.DataMov DESC, M.KMov",
                   {2}),
              4);
    EXPECT_EQ(numbers(), (QMap<int, int>{{5, 41}, {4, 42}, {1, 43}, {3, 44}}));
    EXPECT_EQ(db->ScalarValue("SELECT Conto FROM TW_t_Righe WHERE KMov = 4").toString(), QStringLiteral("C1"));

    // a reading the numbering cannot join (DISTINCT) is numbered as it is read
    EXPECT_EQ(copy("SELECT DISTINCT KMov, IdConto FROM TW_Mov WHERE KMov > ? ORDER BY KMov DESC", {3}), 2);
    EXPECT_EQ(numbers(), (QMap<int, int>{{5, 41}, {4, 42}}));

    // in the caller's transaction: written there, gone with its rollback
    {
        TXTransaction t(*db);
        ASSERT_TRUE(t.Started());
        EXPECT_EQ(copy("SELECT KMov, IdConto FROM TW_Mov ORDER BY KMov", {}), 5);
    }
    EXPECT_EQ(numbers(), (QMap<int, int>{{5, 41}, {4, 42}})) << "rolled back whole";

    EXPECT_THROW(kv8db::CopiaRighe(*db, "SELECT KMov, IdConto FROM TW_Mov ORDER BY KMov", {}, *db, "TW_t_Righe",
                                   {"KMov"}, kv8db::NumeroRiga{"NumeroRiga", 0}),
                 EDatabaseError);
    EXPECT_EQ(numbers(), (QMap<int, int>{{5, 41}, {4, 42}})) << "a wrong count of columns writes nothing";
}

// A copy a stretch at a time (the local file attached, one database, and the company database in
// a transaction, whose rows are streamed): numbered on across the stretches, told after each, all
// or nothing.
TEST_F(SetBasedWork, CopyInStretchesNumbersOnAndIsAllOrNothing)
{
    QTemporaryDir dir;
    TXDatabase local(QStringLiteral("LocalDatabase"), QStringLiteral("sqlite:") + dir.filePath("local.db"));
    // rows stored in the order written (INT: on SQLite a key apart from the row's own number)
    const QString tabella = "CREATE TABLE TW_t_Tratti (KMov INT NOT NULL PRIMARY KEY, Conto VARCHAR(8) NOT NULL "
                            "DEFAULT '', Terzo FLOAT, Uno FLOAT, NumeroRiga INTEGER NOT NULL DEFAULT 0)";
    local.ExecSQL(tabella);
    const QString lettura =
        "SELECT KMov, IdConto FROM TW_Mov WHERE DataMov >= ? AND DataMov <= ? ORDER BY DataMov, KMov";
    const auto mese = [](int m) {
        return QVariantList{QDateTime(QDate(2024, m, 1), QTime(0, 0)),
                            QDateTime(QDate(2024, m, 1).addMonths(1).addDays(-1), QTime(23, 59, 59))};
    };
    const auto prova = [&](TXDatabase &to) {
        const auto righe = [&] {
            QStringList out;
            for (QSqlQuery q = to.OpenQuery("SELECT KMov, NumeroRiga FROM TW_t_Tratti ORDER BY NumeroRiga"); q.next();)
                out << q.value(0).toString() + "/" + q.value(1).toString();
            return out;
        };
        QList<QPair<qsizetype, qint64>> fatti;
        EXPECT_EQ(kv8db::CopiaRigheATratti(*db, lettura, {mese(1), mese(2), mese(3)}, to, "TW_t_Tratti",
                                           {"KMov", "Conto"}, kv8db::NumeroRiga{"NumeroRiga", 40},
                                           [&](qsizetype tratto, qint64 scritte) {
                                               fatti.append({tratto, scritte});
                                           }),
                  5);
        EXPECT_EQ(righe(), (QStringList{"1/41", "3/42", "2/43", "4/44", "5/45"}));
        EXPECT_EQ(fatti, (QList<QPair<qsizetype, qint64>>{{0, 3}, {1, 4}, {2, 5}}));

        // the second stretch takes keys the first wrote: nothing of either stays
        to.ExecSQL("DELETE FROM TW_t_Tratti");
        EXPECT_THROW(kv8db::CopiaRigheATratti(*db, lettura, {mese(1), mese(1)}, to, "TW_t_Tratti", {"KMov", "Conto"},
                                              kv8db::NumeroRiga{"NumeroRiga", 0}, {}),
                     EKeyViolation);
        EXPECT_TRUE(righe().isEmpty()) << "all or nothing";

        // columns added up over the rows written (in the reading's order, by an index or sorted),
        // as SUM adds up the stored rows; the rows already there left out
        to.ExecSQL("INSERT INTO TW_t_Tratti (KMov, Conto, Terzo, Uno, NumeroRiga) VALUES (99, 'C9', 1000, 1, 7)");
        for (const QString ordine : {"DataMov, KMov", "KMov"}) {
            SCOPED_TRACE(ordine.toStdString());
            to.ExecSQL("DELETE FROM TW_t_Tratti WHERE NumeroRiga > 40");
            kv8db::TotaliRighe totali{{"Uno", "Terzo"}, {}};
            EXPECT_EQ(kv8db::CopiaRigheATratti(
                          *db,
                          "SELECT KMov, IdConto, COALESCE(Qta, 0) / 3.0, (CASE WHEN IdConto IN ('C1', ',') THEN 1 "
                          "ELSE 0 END) AS Uno FROM TW_Mov WHERE DataMov >= ? AND DataMov <= ? ORDER BY "
                              + ordine,
                          {mese(1), mese(2), mese(3)}, to, "TW_t_Tratti", {"KMov", "Conto", "Terzo", "Uno"},
                          kv8db::NumeroRiga{"NumeroRiga", 40}, {}, &totali),
                      5);
            QSqlQuery q = to.OpenQuery("SELECT SUM(Uno), SUM(Terzo) FROM TW_t_Tratti WHERE NumeroRiga > 40");
            ASSERT_TRUE(q.next());
            const QList<double> scritte{q.value(0).toDouble(), q.value(1).toDouble()};
            EXPECT_EQ(totali.somme, scritte);
            EXPECT_EQ(scritte[0], 3);
            EXPECT_NEAR(scritte[1], 17.75 / 3, 1e-12);
        }
        to.ExecSQL("DELETE FROM TW_t_Tratti");
    };
    {
        SCOPED_TRACE("the local file attached");
        prova(local);
    }
    {
        SCOPED_TRACE("on one database");
        db->ExecSQL(tabella); // made here: a company table of the local one's name keeps the local file unattached
        prova(*db);
    }
    {
        SCOPED_TRACE("the company database in a transaction, its rows streamed");
        TXTransaction t(*db);
        ASSERT_TRUE(t.Started());
        prova(local);
    }
}

// A temporary work table emptied for the copy (on PostgreSQL its key is built after the fill)
// keeps its primary key: taken keys are refused after the copy, and a copy whose rows break the
// key fails as a key violation and leaves the table as it was.
TEST_F(SetBasedWork, NumberedCopyIntoTemporaryTableKeepsItsKey)
{
    db->ExecSQL("CREATE TEMPORARY TABLE TW_t_Chiave (Contatore INTEGER NOT NULL, Conto VARCHAR(8) NOT NULL DEFAULT '', "
                "NumeroRiga INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (Contatore))");
    const auto righe = [&] {
        QStringList out;
        for (QSqlQuery q = db->OpenQuery("SELECT Contatore, Conto, NumeroRiga FROM TW_t_Chiave ORDER BY NumeroRiga");
             q.next();)
            out << QStringLiteral("%1 %2 %3").arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString());
        return out;
    };
    EXPECT_EQ(kv8db::CopiaRighe(*db, "SELECT KMov, IdConto FROM TW_Mov WHERE KMov <> ? ORDER BY DataMov, KMov", {2},
                                *db, "TW_t_Chiave", {"Contatore", "Conto"}, kv8db::NumeroRiga{"NumeroRiga", 10}),
              4);
    const QStringList copiate{"1 C1 11", "3 C1 12", "4 C1 13", "5 C2 14"};
    EXPECT_EQ(righe(), copiate);
    EXPECT_THROW(db->ExecSQL("INSERT INTO TW_t_Chiave (Contatore, Conto) VALUES (3, 'C9')"), EKeyViolation);
    EXPECT_EQ(righe(), copiate) << "the key holds after the copy";

    db->ExecSQL("DELETE FROM TW_t_Chiave");
    EXPECT_THROW(kv8db::CopiaRighe(*db, "SELECT 7, IdConto FROM TW_Mov ORDER BY KMov", {}, *db, "TW_t_Chiave",
                                   {"Contatore", "Conto"}, kv8db::NumeroRiga{"NumeroRiga", 0}),
                 EKeyViolation);
    EXPECT_TRUE(righe().isEmpty()) << "nothing written";
    db->ExecSQL("INSERT INTO TW_t_Chiave (Contatore, Conto) VALUES (7, 'C1')");
    EXPECT_THROW(db->ExecSQL("INSERT INTO TW_t_Chiave (Contatore, Conto) VALUES (7, 'C2')"), EKeyViolation);
    EXPECT_EQ(righe(), QStringList{"7 C1 0"}) << "the key is back after the failed copy";
}

} // namespace

namespace {

// Every value of a local table as stored: its storage class and its literal, row by row.
QStringList Memorizzati(TXDatabase &local, const QString &tabella, const QStringList &colonne)
{
    QStringList scelte;
    for (const QString &c : colonne)
        scelte << QStringLiteral("typeof(%1) || ':' || quote(%1)").arg(c);
    QStringList out;
    for (QSqlQuery q = local.OpenQuery("SELECT " + scelte.join(" || '|' || ") + " FROM " + tabella + " ORDER BY K");
         q.next();)
        out << q.value(0).toString();
    return out;
}

TEST_F(SetBasedWork, CopiedValuesStoredAsTheDriverGivesThem)
{
    const bool pg = db->IsPostgres();
    db->ExecSQL(QStringLiteral("CREATE TABLE TW_Valori (K INTEGER NOT NULL PRIMARY KEY, T VARCHAR(10), C CHAR(3), "
                               "X %1, P SMALLINT, G BIGINT, F REAL, N FLOAT, M NUMERIC(12, 3), B %2, D DATE, O %3)")
                    .arg(pg ? "TEXT" : "VARCHAR(20)", pg ? "BOOLEAN" : "SMALLINT", pg ? "TIMESTAMP" : "DATETIME"));
    const QVariantList righe{1,
                             "primo",
                             "ab",
                             "à'è",
                             1,
                             qint64(1) << 40,
                             1.5,
                             0.1,
                             12.345,
                             1,
                             QDate(2024, 2, 29),
                             QDateTime(QDate(2024, 1, 5), QTime(10, 30, 15, 700)),
                             2,
                             "",
                             "",
                             "",
                             -32768,
                             -1,
                             3.25,
                             -1e-7,
                             -0.5,
                             0,
                             QDate(1999, 12, 31),
                             QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59)),
                             3,
                             QVariant(),
                             QVariant(),
                             QVariant(),
                             QVariant(),
                             QVariant(),
                             QVariant(),
                             QVariant(),
                             QVariant(),
                             QVariant(),
                             QVariant(),
                             QVariant(),
                             4,
                             "ultimo",
                             "xyz",
                             "riga\nnuova",
                             7,
                             9007199254740993LL,
                             2,
                             123456789.125,
                             0,
                             1,
                             QDate(2000, 1, 1),
                             QDateTime(QDate(2024, 3, 31), QTime(2, 30, 0))};
    QStringList segni;
    for (int i = 0; i < 4; ++i)
        segni << "(?, ?, ?, ?, ?, ?, ?, ?, ?, ? <> 0, ?, ?)";
    db->ExecSQL("INSERT INTO TW_Valori (K, T, C, X, P, G, F, N, M, B, D, O) VALUES " + segni.join(", "), righe);

    QTemporaryDir dir;
    TXDatabase local(QStringLiteral("LocalDatabase"), QStringLiteral("sqlite:") + dir.filePath("local.db"));
    const QStringList colonne{"K", "T", "C", "X", "P", "G", "F", "N", "M", "B", "D", "O"};
    const QString tabella = "(K INTEGER NOT NULL PRIMARY KEY, T VARCHAR(10), C VARCHAR(3), X TEXT, P INTEGER, "
                            "G INTEGER, F FLOAT, N FLOAT, M FLOAT, B INTEGER, D DATETIME, O DATETIME)";
    local.ExecSQL("CREATE TABLE TW_Atteso " + tabella);
    local.ExecSQL("CREATE TABLE TW_Copia " + tabella);
    // the rows as the driver gives them, written one value at a time
    {
        TXTransaction t(local);
        ASSERT_TRUE(t.Started());
        kv8db::ScritturaRighe scrittura(local, "TW_Atteso", colonne);
        for (QSqlQuery q = db->OpenQuery("SELECT " + colonne.join(", ") + " FROM TW_Valori ORDER BY K"); q.next();)
            scrittura.Aggiungi(q);
        scrittura.Chiudi();
        t.Commit();
    }
    EXPECT_EQ(
        kv8db::CopiaRighe(*db, "SELECT " + colonne.join(", ") + " FROM TW_Valori ORDER BY K", {}, local, "TW_Copia"),
        4);
    const QStringList atteso = Memorizzati(local, "TW_Atteso", colonne);
    ASSERT_EQ(atteso.size(), 4);
    EXPECT_EQ(Memorizzati(local, "TW_Copia", colonne), atteso);
    EXPECT_TRUE(atteso[0].contains("text:'2024-01-05 10:30:15'")) << qPrintable(atteso[0]);
}

} // namespace

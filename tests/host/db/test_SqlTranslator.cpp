#include "host/db/SqlTranslator.h"
#include "host/db/TXDatabase.h"
#include "tests/host/db/DbLogCapture.h"
#include "tests/support/TestDb.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>

#include <tuple>

namespace {

QString Pg(const QString &sql)
{
    return SqlTranslator::Translate(sql, DbEngine::PostgreSQL);
}

QString Lite(const QString &sql)
{
    return SqlTranslator::Translate(sql, DbEngine::SQLite);
}

void ExpectBoth(const QString &sql, const QString &expected)
{
    EXPECT_EQ(Pg(sql), expected) << "PostgreSQL, from: " << sql.toStdString();
    EXPECT_EQ(Lite(sql), expected) << "SQLite, from: " << sql.toStdString();
}

// The three statements the schema patch sends for one column, built as it builds them.
QStringList PatchStatements(const QString &table, const QString &column, const QString &type,
                            const QString &defaultValue, bool quoted)
{
    const QString crlf = QStringLiteral("\r\n");
    const QString value = quoted ? u'\'' + defaultValue + u'\'' : defaultValue;
    return {
        QStringLiteral("ALTER TABLE [dbo].[%1] ADD").arg(table) + crlf
            + QStringLiteral("[%1] %2 NULL ").arg(column, type) + crlf,
        QStringLiteral("ALTER TABLE [dbo].[%1] WITH NOCHECK ADD").arg(table) + crlf
            + QStringLiteral("CONSTRAINT  [DF_%1_%2] DEFAULT (%3) FOR [%2]").arg(table, column, value) + crlf,
        QStringLiteral("UPDATE [dbo].[%1] SET %2 = ").arg(table, column)
            + (quoted ? XWideQuotedStr(defaultValue) : defaultValue) + crlf,
    };
}

} // namespace

TEST(SqlTranslator, LeavesPortableSqlAndLiteralsAlone)
{
    const QString portable = QStringLiteral("SELECT a, b AS \"x y\", COALESCE(c, 0) FROM t\r\n WHERE c = ? AND d = "
                                            "'it''s [dbo].[x] TOP 5 ISNULL( N''q'' ?' "
                                            "-- [comment] TOP 3\n AND e::text <> :name ORDER BY a LIMIT 3");
    ExpectBoth(portable, portable);
    ExpectBoth(QStringLiteral("INSERT INTO t (a, b) VALUES (1, 'x'); DELETE FROM u WHERE id IS NULL;"),
               QStringLiteral("INSERT INTO t (a, b) VALUES (1, 'x'); DELETE FROM u WHERE id IS NULL;"));
}

TEST(SqlTranslator, NamesLiteralsAndFunctions)
{
    ExpectBoth(QStringLiteral("SELECT [IdProdotto], [dbo].[Articoli].[Descr] FROM [dbo].[Articoli] a, dbo.Righe"),
               QStringLiteral("SELECT IdProdotto, Articoli.Descr FROM Articoli a, Righe"));
    ExpectBoth(QStringLiteral("SELECT * FROM t WHERE c = N'O''Brien' OR c = n'x'"),
               QStringLiteral("SELECT * FROM t WHERE c = 'O''Brien' OR c = 'x'"));
    ExpectBoth(QStringLiteral("SELECT ISNULL(a, 0), IsNull (b,'') FROM t WHERE c IS NULL"),
               QStringLiteral("SELECT COALESCE(a, 0), COALESCE (b,'') FROM t WHERE c IS NULL"));
    EXPECT_EQ(Pg(QStringLiteral("SELECT cast(Qta as Float) / 3, CAST(x AS [float]) FROM t")),
              QStringLiteral("SELECT CAST(Qta AS DOUBLE PRECISION) / 3, CAST(x AS DOUBLE PRECISION) FROM t"));
    EXPECT_EQ(Lite(QStringLiteral("SELECT cast(Qta as Float) / 3 FROM t")),
              QStringLiteral("SELECT CAST(Qta AS REAL) / 3 FROM t"));
    // the AS of the cast, not one inside its expression
    EXPECT_EQ(Pg(QStringLiteral("SELECT CAST((SELECT MAX(q) AS m FROM u) AS float) FROM t")),
              QStringLiteral("SELECT CAST((SELECT MAX(q) AS m FROM u) AS DOUBLE PRECISION) FROM t"));
    EXPECT_EQ(Pg(QStringLiteral("SELECT GETDATE()")), QStringLiteral("SELECT CURRENT_TIMESTAMP"));
    EXPECT_EQ(Lite(QStringLiteral("SELECT GETDATE ( )")), QStringLiteral("SELECT datetime('now', 'localtime')"));
}

TEST(SqlTranslator, TopBecomesLimit)
{
    ExpectBoth(QStringLiteral("SELECT TOP 5 a FROM t ORDER BY a"),
               QStringLiteral("SELECT a FROM t ORDER BY a LIMIT 5"));
    ExpectBoth(QStringLiteral("select distinct top 1 a from t"), QStringLiteral("select distinct a from t LIMIT 1"));
    ExpectBoth(QStringLiteral("SELECT TOP (10) a FROM t -- last\r\n"),
               QStringLiteral("SELECT a FROM t LIMIT (10) -- last\r\n"));
    ExpectBoth(QStringLiteral("SELECT a FROM t WHERE b = (SELECT TOP 1 b FROM u ORDER BY c DESC) AND d IN (1, 2)"),
               QStringLiteral("SELECT a FROM t WHERE b = (SELECT b FROM u ORDER BY c DESC LIMIT 1) AND d IN (1, 2)"));
    ExpectBoth(QStringLiteral("SELECT TOP 2 a FROM t; SELECT TOP 3 b FROM u"),
               QStringLiteral("SELECT a FROM t LIMIT 2; SELECT b FROM u LIMIT 3"));
}

TEST(SqlTranslator, SchemaPatchDdl)
{
    const QStringList small = PatchStatements(QStringLiteral("CausaliMagaz"), QStringLiteral("UT_LMQ_FlGesSian"),
                                              QStringLiteral("[smallint]"), QStringLiteral("0"), false);
    ExpectBoth(small[0], QStringLiteral("ALTER TABLE CausaliMagaz ADD COLUMN UT_LMQ_FlGesSian SMALLINT NULL"));
    EXPECT_EQ(Pg(small[1]), QStringLiteral("ALTER TABLE CausaliMagaz ALTER COLUMN UT_LMQ_FlGesSian SET DEFAULT 0"));
    // SQLite: the column just added is added again with its default, its values kept
    EXPECT_EQ(Lite(small[1]),
              QStringLiteral("ALTER TABLE CausaliMagaz RENAME COLUMN UT_LMQ_FlGesSian TO kv8_prev_UT_LMQ_FlGesSian; "
                             "ALTER TABLE CausaliMagaz ADD COLUMN UT_LMQ_FlGesSian SMALLINT NULL DEFAULT 0; "
                             "UPDATE CausaliMagaz SET UT_LMQ_FlGesSian = kv8_prev_UT_LMQ_FlGesSian; "
                             "ALTER TABLE CausaliMagaz DROP COLUMN kv8_prev_UT_LMQ_FlGesSian"));
    ExpectBoth(small[2], QStringLiteral("UPDATE CausaliMagaz SET UT_LMQ_FlGesSian = 0\r\n"));

    const QStringList text = PatchStatements(QStringLiteral("Articoli"), QStringLiteral("UT_LMQ_IdTipologiaOmaggi"),
                                             QStringLiteral("[NVarchar](3)"), QString(), true);
    ExpectBoth(text[0], QStringLiteral("ALTER TABLE Articoli ADD COLUMN UT_LMQ_IdTipologiaOmaggi VARCHAR(3) NULL"));
    EXPECT_EQ(Pg(text[1]), QStringLiteral("ALTER TABLE Articoli ALTER COLUMN UT_LMQ_IdTipologiaOmaggi SET DEFAULT ''"));
    EXPECT_TRUE(Lite(text[1]).contains(
        QStringLiteral("ADD COLUMN UT_LMQ_IdTipologiaOmaggi VARCHAR(3) NULL DEFAULT ''; UPDATE Articoli SET")));

    // SQLite cannot give a default to a column it did not see added, nor one that is not a plain value
    const auto refusedOnSqlite = [](const QString &sql) {
        try {
            Lite(sql);
        } catch (const EDatabaseError &e) {
            EXPECT_TRUE(e.Message.contains(QStringLiteral("SQL: ") + sql.trimmed())) << e.what();
            return true;
        }
        return false;
    };
    EXPECT_TRUE(refusedOnSqlite(QStringLiteral("ALTER TABLE [dbo].[Articoli] WITH NOCHECK ADD\r\n"
                                               "CONSTRAINT  [DF_Articoli_Mai] DEFAULT (0) FOR [MaiAggiunta]\r\n")));
    EXPECT_EQ(Pg(QStringLiteral("ALTER TABLE Articoli ADD CONSTRAINT DF_Mai DEFAULT (0) FOR MaiAggiunta")),
              QStringLiteral("ALTER TABLE Articoli ALTER COLUMN MaiAggiunta SET DEFAULT 0"));
    Lite(QStringLiteral("ALTER TABLE [dbo].[Articoli] ADD [Quando] [int] NULL"));
    EXPECT_TRUE(
        refusedOnSqlite(QStringLiteral("ALTER TABLE Articoli ADD CONSTRAINT DF_Quando DEFAULT (1 + 1) FOR Quando")));
    EXPECT_FALSE(
        refusedOnSqlite(QStringLiteral("ALTER TABLE Articoli ADD CONSTRAINT DF_Quando DEFAULT (-1) FOR Quando")));

    const struct {
        const char *type;
        const char *pg;
        const char *lite;
    } types[] = {{"[int]", "INTEGER", "INTEGER"},
                 {"[float]", "DOUBLE PRECISION", "REAL"},
                 {"[datetime]", "TIMESTAMP", "DATETIME"},
                 {"[NVarchar](MAX)", "TEXT", "TEXT"}};
    for (const auto &t : types) {
        const QString sql = QStringLiteral("ALTER TABLE [dbo].[T] ADD\r\n[C] %1 NULL \r\n").arg(QLatin1String(t.type));
        EXPECT_EQ(Pg(sql), QStringLiteral("ALTER TABLE T ADD COLUMN C %1 NULL").arg(QLatin1String(t.pg)));
        EXPECT_EQ(Lite(sql), QStringLiteral("ALTER TABLE T ADD COLUMN C %1 NULL").arg(QLatin1String(t.lite)));
    }
    // table constraints are not columns
    ExpectBoth(QStringLiteral("ALTER TABLE [T] ADD PRIMARY KEY ([A])"),
               QStringLiteral("ALTER TABLE T ADD PRIMARY KEY (A)"));
    ExpectBoth(QStringLiteral("ALTER TABLE T ADD CONSTRAINT PK_T PRIMARY KEY (A)"),
               QStringLiteral("ALTER TABLE T ADD CONSTRAINT PK_T PRIMARY KEY (A)"));
}

TEST(SqlTranslator, UpdateWithJoins)
{
    // target by table name
    ExpectBoth(QStringLiteral("UPDATE Righe SET Prezzo = a.Prezzo FROM Righe INNER JOIN Articoli a ON "
                              "Righe.IdProdotto = a.IdProdotto WHERE Righe.Qta > 0 OR Righe.Qta < -5"),
               QStringLiteral("UPDATE Righe SET Prezzo = a.Prezzo FROM Articoli a WHERE "
                              "(Righe.IdProdotto = a.IdProdotto) AND (Righe.Qta > 0 OR Righe.Qta < -5)"));
    // target by alias, qualified SET columns, a second join and no WHERE
    ExpectBoth(
        QStringLiteral("UPDATE r SET r.Prezzo = a.Prezzo, r.Descr = c.Descr FROM [dbo].[Righe] r JOIN Articoli a "
                       "ON r.IdProdotto = a.IdProdotto INNER JOIN Cat c ON c.Id = a.IdCat"),
        QStringLiteral("UPDATE Righe AS r SET Prezzo = a.Prezzo, Descr = c.Descr FROM Articoli a "
                       "INNER JOIN Cat c ON c.Id = a.IdCat WHERE r.IdProdotto = a.IdProdotto"));
    // comma join
    ExpectBoth(QStringLiteral("UPDATE t SET a = x.b FROM t, x WHERE t.id = x.id"),
               QStringLiteral("UPDATE t SET a = x.b FROM x WHERE t.id = x.id"));
    // already portable: the target is not in FROM
    ExpectBoth(QStringLiteral("UPDATE t SET a = x.b FROM x WHERE t.id = x.id"),
               QStringLiteral("UPDATE t SET a = x.b FROM x WHERE t.id = x.id"));
    // the target by its table under an alias, left joins the WHERE makes inner
    ExpectBoth(QStringLiteral("UPDATE FattureCliTot set Codice = C.UT_LMQ_ContoCau \r\nFROM FattureCliTot F\r\n"
                              "LEFT JOIN FattureCliTeste T ON T.KFattCliT = F.KFattCliT\r\n"
                              "LEFT JOIN Clienti C ON C.IdConto = T.IdCliente\r\n"
                              "WHERE T.IdClienteTp = 'CL' AND F.Codice <> '' AND C.UT_LMQ_ContoCau <> '' "
                              "AND F.TipoRecord = 'SPI'\r\n"),
               QStringLiteral("UPDATE FattureCliTot AS F set Codice = C.UT_LMQ_ContoCau FROM FattureCliTeste T "
                              "LEFT JOIN Clienti C ON C.IdConto = T.IdCliente WHERE (T.KFattCliT = F.KFattCliT) AND "
                              "(T.IdClienteTp = 'CL' AND F.Codice <> '' AND C.UT_LMQ_ContoCau <> '' "
                              "AND F.TipoRecord = 'SPI')"));
    // a later join whose condition names the target: its condition moves into WHERE; a left
    // join made inner by an inner join's condition; LEFT( as a function is no join
    ExpectBoth(QStringLiteral("UPDATE r SET Descr = LEFT(a.Descr, 3) FROM Righe r INNER JOIN Teste t ON t.K = r.K "
                              "LEFT OUTER JOIN Articoli a ON a.Id = r.IdProdotto AND LEFT(a.Descr, 1) = 'V' "
                              "INNER JOIN Cat c ON c.Id = a.IdCat WHERE t.Anno = 2024"),
               QStringLiteral("UPDATE Righe AS r SET Descr = LEFT(a.Descr, 3) FROM Teste t CROSS JOIN Articoli a "
                              "INNER JOIN Cat c ON c.Id = a.IdCat WHERE (t.K = r.K) AND "
                              "(a.Id = r.IdProdotto AND LEFT(a.Descr, 1) = 'V') AND (t.Anno = 2024)"));
    // the target joined last, and IS NOT NULL making a left join inner
    ExpectBoth(QStringLiteral("UPDATE r SET Qta = 0 FROM Teste t LEFT JOIN Righe r ON r.K = t.K "
                              "LEFT JOIN Note n ON n.K = r.K WHERE n.K IS NOT NULL"),
               QStringLiteral("UPDATE Righe AS r SET Qta = 0 FROM Teste t CROSS JOIN Note n "
                              "WHERE (r.K = t.K) AND (n.K = r.K) AND (n.K IS NOT NULL)"));
}

TEST(SqlTranslator, UpdateNamingItsTargetAgainIsRefusedWhenUntranslatable)
{
    const auto refused = [](const char *sql, const char *why) {
        for (DbEngine engine : {DbEngine::PostgreSQL, DbEngine::SQLite}) {
            try {
                SqlTranslator::Translate(QString::fromUtf8(sql), engine);
                ADD_FAILURE() << "translated: " << sql;
            } catch (const EDatabaseError &e) {
                EXPECT_TRUE(e.Message.contains(QString::fromUtf8(why))) << e.what();
                EXPECT_TRUE(e.Message.contains(QStringLiteral("SQL: ") + QString::fromUtf8(sql))) << e.what();
            }
            const CompiledSql c =
                SqlTranslator::Compile(QStringLiteral("DELETE FROM Log; ") + QString::fromUtf8(sql), engine);
            EXPECT_FALSE(c.error.isEmpty()) << sql;
            EXPECT_TRUE(c.statements.isEmpty()) << "nothing of the text is run";
        }
    };
    // a left join nothing makes inner: its unmatched rows would be updated too
    refused("UPDATE Tot SET Codice = '' FROM Tot F LEFT JOIN Teste T ON T.K = F.K WHERE F.Tipo = 'SPI'",
            "T is left joined to it");
    refused("UPDATE Tot SET Codice = '' FROM Tot F LEFT JOIN Teste T ON T.K = F.K WHERE T.Tp = 'CL' OR F.Tipo = 'X'",
            "T is left joined to it");
    refused("UPDATE Tot SET Codice = '' FROM Tot F LEFT JOIN Teste T ON T.K = F.K WHERE ISNULL(T.Tp, '') = ''",
            "T is left joined to it");
    refused("UPDATE F SET Codice = '' FROM Tot F INNER JOIN Teste T ON T.K = 1 LEFT JOIN Cli C ON C.Id = F.IdCli",
            "C is left joined to it");
    refused("UPDATE Tot SET Codice = '' FROM Tot F RIGHT JOIN Teste T ON T.K = F.K", "RIGHT JOIN");
    refused("UPDATE Tot SET Codice = '' FROM Tot A INNER JOIN Tot B ON B.K = A.K", "named more than once");
    refused("UPDATE Tot SET Codice = '' FROM (Tot F INNER JOIN Teste T ON T.K = F.K) INNER JOIN Cli C ON C.Id = T.Cli",
            "parenthesised join");
    refused("UPDATE Tot SET Codice = '' FROM Tot F CROSS APPLY Righe(F.K) R", "not a plain list");

    // a subquery naming the table is not the target named again
    ExpectBoth(QStringLiteral("UPDATE Tot SET Codice = s.C FROM (SELECT K, MAX(Codice) AS C FROM Tot GROUP BY K) s "
                              "WHERE Tot.K = s.K"),
               QStringLiteral("UPDATE Tot SET Codice = s.C FROM (SELECT K, MAX(Codice) AS C FROM Tot GROUP BY K) s "
                              "WHERE Tot.K = s.K"));
}

TEST(SqlTranslator, CompileCutsStatementsAndPlaceholders)
{
    const CompiledSql c = SqlTranslator::Compile(
        QStringLiteral("SELECT * FROM t WHERE d >= :DaData AND d < :A_Data AND e = :dadata AND f = '?:x' "
                       "AND g = '2024-01-01'::timestamp; DELETE FROM u WHERE d = :a_data"),
        DbEngine::PostgreSQL);
    EXPECT_TRUE(c.error.isEmpty());
    ASSERT_EQ(c.statements.size(), 2);
    EXPECT_EQ(c.valueCount, 2);
    EXPECT_EQ(c.statements[0].valueAt, (QList<int>{0, 1, 0}));
    EXPECT_EQ(c.statements[1].valueAt, (QList<int>{1}));
    EXPECT_TRUE(c.statements[0].readOnly);
    EXPECT_FALSE(c.statements[1].readOnly);
    EXPECT_TRUE(c.statements[1].preparable);
    EXPECT_EQ(c.statements[0].Join([](int i) { return QStringLiteral("$%1").arg(i + 1); }),
              QStringLiteral("SELECT * FROM t WHERE d >= $1 AND d < $2 AND e = $1 AND f = '?:x' "
                             "AND g = '2024-01-01'::timestamp"));

    EXPECT_FALSE(SqlTranslator::Compile(QStringLiteral("SELECT ? , :a"), DbEngine::SQLite).error.isEmpty());
    const CompiledSql ddl =
        SqlTranslator::Compile(QStringLiteral("CREATE TABLE x (a INT); -- done\n"), DbEngine::SQLite);
    ASSERT_EQ(ddl.statements.size(), 1);
    EXPECT_FALSE(ddl.statements[0].preparable);
    EXPECT_FALSE(
        SqlTranslator::Compile(QStringLiteral("SELECT a INTO y FROM x"), DbEngine::SQLite).statements[0].readOnly);
}

TEST(SqlTranslator, CompileNamesTheTableAPlainWriteChanges)
{
    const auto written = [](const char *sql) {
        return SqlTranslator::Compile(QString::fromUtf8(sql), DbEngine::PostgreSQL).statements.value(0).writtenTable;
    };
    EXPECT_EQ(written("INSERT INTO Prot (Id) VALUES (?)"), QStringLiteral("Prot"));
    EXPECT_EQ(written("insert into s.\"Prot\" select * from x"), QStringLiteral("Prot"));
    EXPECT_EQ(written("UPDATE [Prot] SET a = 1"), QStringLiteral("Prot"));
    EXPECT_EQ(written("UPDATE Prot AS p SET a = 1 FROM x WHERE p.id = x.id"), QStringLiteral("Prot"));
    EXPECT_EQ(written("DELETE FROM Prot WHERE Id = ?"), QStringLiteral("Prot"));
    EXPECT_EQ(written("DELETE FROM Prot"), QStringLiteral("Prot"));
    EXPECT_EQ(written("DELETE Prot WHERE Id = 1"), QStringLiteral("Prot"));
    // reads, and writes whose table is not plain to see, name none
    for (const char *sql :
         {"SELECT * FROM Prot", "INSERT OR IGNORE INTO Prot (Id) VALUES (1)", "UPDATE ONLY Prot SET a = 1",
          "WITH x AS (SELECT 1) DELETE FROM Prot", "DROP TABLE Prot", "SELECT a INTO Prot FROM x", "UPDATE Prot"})
        EXPECT_TRUE(written(sql).isEmpty()) << sql;
}

// ---- the translated texts run on the engine of this run ----

class TranslatedSql : public ::testing::Test {
protected:
    void SetUp() override
    {
        KV8_REQUIRE_DB(testDb);
        db = testDb.Connect();
        db->ExecSQL(QStringLiteral("CREATE TABLE Articoli (IdProdotto VARCHAR(20) NOT NULL PRIMARY KEY, "
                                   "Descr VARCHAR(40) NOT NULL DEFAULT '', Prezzo DOUBLE PRECISION NULL, "
                                   "Qta INTEGER NOT NULL DEFAULT 0)"));
        db->ExecSQL(QStringLiteral("CREATE TABLE Righe (IdRiga INTEGER NOT NULL PRIMARY KEY, "
                                   "IdProdotto VARCHAR(20) NOT NULL DEFAULT '', Prezzo DOUBLE PRECISION NULL, "
                                   "Qta INTEGER NOT NULL DEFAULT 0)"));
        const QString art = QStringLiteral("INSERT INTO Articoli (IdProdotto, Descr, Prezzo, Qta) VALUES (?, ?, ?, ?)");
        db->ExecSQL(art, {QStringLiteral("A1"), QStringLiteral("Uno"), 1.5, 7});
        db->ExecSQL(art, {QStringLiteral("A2"), QStringLiteral("Due"), QVariant(), 2});
        db->ExecSQL(art, {QStringLiteral("A3"), QStringLiteral("Tre"), 3.0, 2});
        const QString row = QStringLiteral("INSERT INTO Righe (IdRiga, IdProdotto, Prezzo, Qta) VALUES (?, ?, 0, ?)");
        db->ExecSQL(row, {1, QStringLiteral("A1"), 1});
        db->ExecSQL(row, {2, QStringLiteral("A3"), 0});
        db->ExecSQL(row, {3, QStringLiteral("A3"), 4});
        db->ExecSQL(row, {4, QStringLiteral("ZZ"), 5});
    }

    QList<QVariantList> Rows(const QString &sql)
    {
        QSqlQuery q = db->OpenQuery(sql);
        QList<QVariantList> rows;
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < q.record().count(); ++i)
                row.append(q.value(i));
            rows.append(row);
        }
        return rows;
    }

    TestDb testDb;
    std::unique_ptr<TXDatabase> db;
};

TEST_F(TranslatedSql, SelectsWithTopIsNullCastAndBrackets)
{
    const auto rows = Rows(QStringLiteral("SELECT TOP 2 [IdProdotto], ISNULL([Prezzo], -1) FROM [dbo].[Articoli] "
                                          "WHERE [Descr] <> N'' ORDER BY [IdProdotto] DESC"));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0][0].toString(), QStringLiteral("A3"));
    EXPECT_EQ(rows[1][0].toString(), QStringLiteral("A2"));
    EXPECT_DOUBLE_EQ(rows[1][1].toDouble(), -1.0);

    EXPECT_EQ(Rows(QStringLiteral("SELECT DISTINCT TOP 5 Qta FROM Articoli ORDER BY Qta")).size(), 2);
    EXPECT_DOUBLE_EQ(
        db->ScalarValue(QStringLiteral("SELECT cast(Qta as Float) / 4 FROM Articoli WHERE IdProdotto = 'A1'"))
            .toDouble(),
        1.75);
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT IdProdotto FROM Articoli WHERE Prezzo = "
                                             "(SELECT TOP 1 Prezzo FROM Articoli ORDER BY ISNULL(Prezzo, 0) DESC)"))
                  .toString(),
              QStringLiteral("A3"));
}

TEST_F(TranslatedSql, GetDateIsLocalNow)
{
    db->ExecSQL(QStringLiteral("CREATE TABLE Stamp (Id INTEGER NOT NULL PRIMARY KEY, Quando %1 NULL)")
                    .arg(db->IsPostgres() ? QStringLiteral("TIMESTAMP") : QStringLiteral("DATETIME")));
    db->ExecSQL(QStringLiteral("INSERT INTO Stamp (Id, Quando) VALUES (1, GETDATE())"));
    const QDateTime now = QDateTime::currentDateTime();
    const QString between = QStringLiteral("SELECT COUNT(*) FROM Stamp WHERE Quando >= %1 AND Quando <= %2")
                                .arg(db->FormatDataSQL(now.addSecs(-120)), db->FormatDataSQL(now.addSecs(120)));
    EXPECT_EQ(db->ScalarValue(between).toInt(), 1);
}

TEST_F(TranslatedSql, UpdateFromJoinUpdatesTheMatchedRowsOnly)
{
    EXPECT_EQ(db->ExecSQL(QStringLiteral("UPDATE Righe SET Prezzo = a.Prezzo FROM Righe INNER JOIN Articoli a "
                                         "ON Righe.IdProdotto = a.IdProdotto WHERE Righe.Qta > 0")),
              2);
    const auto rows = Rows(QStringLiteral("SELECT IdRiga, COALESCE(Prezzo, -1) FROM Righe ORDER BY IdRiga"));
    ASSERT_EQ(rows.size(), 4);
    EXPECT_DOUBLE_EQ(rows[0][1].toDouble(), 1.5); // A1, Qta 1
    EXPECT_DOUBLE_EQ(rows[1][1].toDouble(), 0.0); // Qta 0: filtered out
    EXPECT_DOUBLE_EQ(rows[2][1].toDouble(), 3.0);
    EXPECT_DOUBLE_EQ(rows[3][1].toDouble(), 0.0); // no article

    // by alias, with the qualifier in SET
    EXPECT_EQ(db->ExecSQL(QStringLiteral("UPDATE r SET r.Qta = r.Qta + a.Qta FROM [dbo].[Righe] r "
                                         "INNER JOIN [dbo].[Articoli] a ON r.IdProdotto = a.IdProdotto")),
              3);
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT SUM(Qta) FROM Righe")).toInt(), (1 + 7) + (0 + 2) + (4 + 2) + 5);
}

TEST_F(TranslatedSql, SchemaPatchAddsColumnDefaultAndValue)
{
    for (const auto &[column, type, value, quoted] :
         {std::tuple{QStringLiteral("UT_LMQ_FlGesSian"), QStringLiteral("[smallint]"), QStringLiteral("0"), false},
          std::tuple{QStringLiteral("UT_LMQ_IdTipologiaOmaggi"), QStringLiteral("[NVarchar](3)"), QString(), true}}) {
        SCOPED_TRACE(column.toStdString());
        for (const QString &sql : PatchStatements(QStringLiteral("Articoli"), column, type, value, quoted))
            db->ExecSQL(sql);
        EXPECT_TRUE(db->ColumnNames(QStringLiteral("Articoli")).contains(column, Qt::CaseInsensitive));
        // the update set every row
        EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Articoli WHERE %1 = %2")
                                      .arg(column, quoted ? XWideQuotedStr(value) : value))
                      .toInt(),
                  3);
    }
    db->ExecSQL(QStringLiteral("INSERT INTO Articoli (IdProdotto) VALUES ('NEW')"));
    const QVariant flag =
        db->ScalarValue(QStringLiteral("SELECT UT_LMQ_FlGesSian FROM Articoli WHERE IdProdotto = 'NEW'"));
    const QVariant code =
        db->ScalarValue(QStringLiteral("SELECT UT_LMQ_IdTipologiaOmaggi FROM Articoli WHERE IdProdotto = 'NEW'"));
    // the default holds for a row written without the columns, on both engines
    EXPECT_EQ(flag.toInt(), 0);
    EXPECT_FALSE(flag.isNull());
    EXPECT_EQ(code.toString(), QString());
    EXPECT_FALSE(code.isNull());
    // and the columns stay nullable, as the patch declares them
    db->ExecSQL(QStringLiteral("UPDATE Articoli SET UT_LMQ_FlGesSian = NULL WHERE IdProdotto = 'NEW'"));
    EXPECT_TRUE(
        db->ScalarValue(QStringLiteral("SELECT UT_LMQ_FlGesSian FROM Articoli WHERE IdProdotto = 'NEW'")).isNull());

    // the other column types of the patch are accepted too
    for (const char *type : {"[int]", "[float]", "[datetime]", "[NVarchar](MAX)"}) {
        const QString column =
            QStringLiteral("X_%1").arg(QString::fromLatin1(type).remove(QRegularExpression(QStringLiteral("\\W"))));
        db->ExecSQL(
            QStringLiteral("ALTER TABLE [dbo].[Righe] ADD\r\n[%1] %2 NULL \r\n").arg(column, QLatin1String(type)));
        EXPECT_TRUE(db->ColumnNames(QStringLiteral("righe")).contains(column, Qt::CaseInsensitive)) << type;
    }
}

TEST_F(TranslatedSql, UpdateFromWithTheTargetUnderAnAliasAndLeftJoinsChangesOnlyItsRows)
{
    db->ExecSQL(QStringLiteral("CREATE TABLE FattureCliTot (KFattCliT INTEGER NOT NULL, Riga INTEGER NOT NULL, "
                               "TipoRecord VARCHAR(3) NOT NULL DEFAULT '', Codice VARCHAR(10) NOT NULL DEFAULT '', "
                               "PRIMARY KEY (KFattCliT, Riga))"));
    db->ExecSQL(
        QStringLiteral("CREATE TABLE FattureCliTeste (KFattCliT INTEGER NOT NULL PRIMARY KEY, "
                       "IdClienteTp VARCHAR(2) NOT NULL DEFAULT '', IdCliente VARCHAR(10) NOT NULL DEFAULT '')"));
    db->ExecSQL(QStringLiteral("CREATE TABLE Clienti (IdConto VARCHAR(10) NOT NULL PRIMARY KEY, "
                               "UT_LMQ_ContoCau VARCHAR(10) NOT NULL DEFAULT '')"));
    db->ExecSQL(QStringLiteral("INSERT INTO FattureCliTeste VALUES (1, 'CL', 'C1'), (3, 'FO', 'C1'), (6, 'CL', 'C2'), "
                               "(8, 'CL', 'C9')"));
    db->ExecSQL(QStringLiteral("INSERT INTO Clienti VALUES ('C1', 'CAU1'), ('C2', '')"));
    db->ExecSQL(QStringLiteral("INSERT INTO FattureCliTot VALUES (1, 1, 'SPI', 'X'), (1, 2, 'SPI', 'Y'), "
                               "(1, 3, 'ALT', 'X'), (1, 4, 'SPI', ''), (2, 1, 'SPI', 'X'), (3, 1, 'SPI', 'X'), "
                               "(6, 1, 'SPI', 'X'), (8, 1, 'SPI', 'X')"));

    EXPECT_EQ(db->ExecSQL(QStringLiteral("UPDATE FattureCliTot set Codice = C.UT_LMQ_ContoCau \r\n"
                                         "FROM FattureCliTot F\r\n"
                                         "LEFT JOIN FattureCliTeste T ON T.KFattCliT = F.KFattCliT\r\n"
                                         "LEFT JOIN Clienti C ON C.IdConto = T.IdCliente\r\n"
                                         "WHERE T.IdClienteTp = 'CL' AND F.Codice <> '' AND C.UT_LMQ_ContoCau <> '' "
                                         "AND F.TipoRecord = 'SPI'\r\n")),
              2);
    QStringList codes;
    for (const QVariantList &row : Rows(QStringLiteral("SELECT KFattCliT, Riga, Codice FROM FattureCliTot "
                                                       "ORDER BY KFattCliT, Riga")))
        codes << QStringLiteral("%1.%2=%3").arg(row[0].toInt()).arg(row[1].toInt()).arg(row[2].toString());
    // only the totals of customer heads whose customer has an account, not of the other kinds,
    // of heads without a customer account or without a head
    EXPECT_EQ(codes, (QStringList{"1.1=CAU1", "1.2=CAU1", "1.3=X", "1.4=", "2.1=X", "3.1=X", "6.1=X", "8.1=X"}));
}

TEST_F(TranslatedSql, UntranslatableUpdateIsRefusedBeforeAnythingIsWritten)
{
    for (const bool inTransaction : {false, true}) {
        SCOPED_TRACE(inTransaction);
        if (inTransaction)
            db->StartTransaction();
        LogCapture log;
        try {
            db->ExecSQL(QStringLiteral("INSERT INTO Articoli (IdProdotto) VALUES ('A9');\r\n"
                                       "UPDATE Righe SET Prezzo = 9 FROM Righe R LEFT JOIN Articoli A "
                                       "ON A.IdProdotto = R.IdProdotto WHERE R.Qta > 0"));
            ADD_FAILURE() << "the statement was run";
        } catch (const EDatabaseError &e) {
            // the user reads what to do; the reason, naming the table, is in the log
            EXPECT_TRUE(e.Message.contains(QStringLiteral("segnalarlo all'assistenza"))) << e.what();
            EXPECT_TRUE(log.Text().contains(QStringLiteral("Righe"))) << log.Text().toStdString();
        }
        if (inTransaction)
            db->Commit();
        EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Articoli")).toInt(), 3);
        EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Righe WHERE Prezzo = 9")).toInt(), 0);
    }
}

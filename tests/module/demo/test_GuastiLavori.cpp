// Jobs of the demo company when the database fails under them: a company file that cannot grow
// (SQLite ends the whole transaction on a full disk) and the connection lost in the middle of a
// job (PostgreSQL). Nothing of the job is stored, its message is an error saying why (so an
// unattended run ends with status 4), and no second failure follows the first.
#include "tests/module/demo/AziendaDemo.h"

#include "host/data/Concurrency.h"
#include "host/db/DatabaseErrors.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <memory>

using namespace kv8test;

namespace {

const QString Connessione = QStringLiteral("La connessione al database %1 si è interrotta");

class GuastiLavori : public AziendaDemo {
protected:
    void TearDown() override
    {
        kv8data::SetCheckPointHandler(nullptr);
        AziendaDemo::TearDown();
    }

    // Every stored row of every table, read on a connection of its own.
    QStringList Archivio() const
    {
        const std::unique_ptr<TXDatabase> db = company.Db().Connect(QStringLiteral("archivio"));
        QStringList tabelle;
        if (db->IsPostgres()) {
            QSqlQuery q =
                db->OpenQuery(QStringLiteral("SELECT table_name FROM information_schema.tables WHERE "
                                             "table_schema = current_schema() AND table_type = 'BASE TABLE'"));
            while (q.next())
                tabelle << q.value(0).toString();
        } else {
            tabelle = db->Connection().tables(QSql::Tables);
        }
        tabelle.sort(Qt::CaseInsensitive);
        QStringList righe;
        for (const QString &t : std::as_const(tabelle)) {
            QSqlQuery q = db->OpenQuery(QStringLiteral("SELECT * FROM ") + t);
            QStringList diTabella;
            while (q.next()) {
                QStringList r;
                for (int i = 0; i < q.record().count(); ++i)
                    r << q.value(i).toString();
                diTabella << t + u':' + r.join(u'/');
            }
            diTabella.sort();
            righe << diTabella;
        }
        return righe;
    }

    // The errors shown: one, the last message but the job's closing one, saying what it says.
    void UnErrore(const QString &testo, const QString &chiusura = QString())
    {
        QStringList errori;
        for (const ShownMessage &m : script.Messages())
            if (m.Type == mtError)
                errori << m.Text;
        ASSERT_EQ(errori.size(), 1) << script.Texts().join(u'|').toStdString();
        EXPECT_TRUE(errori.first().contains(testo)) << errori.first().toStdString();
        if (!chiusura.isEmpty()) {
            EXPECT_TRUE(script.LastText().startsWith(chiusura)) << script.LastText().toStdString();
        }
    }

    // The company connection ended by the server when the job passes its check point for the
    // volta-th time, as when the server stops: a second connection terminates it.
    void ConnessionePersaA(const QString &punto, int volta = 1)
    {
        const qint64 pid = company.Database().ScalarValue(QStringLiteral("SELECT pg_backend_pid()")).toLongLong();
        ASSERT_GT(pid, 0);
        kv8data::SetCheckPointHandler([this, punto, pid, volta, passaggi = 0](const QString &nome) mutable {
            if (nome != punto || ++passaggi != volta)
                return;
            const std::unique_ptr<TXDatabase> altro = company.Db().Connect(QStringLiteral("amministratore"));
            EXPECT_TRUE(altro->ScalarValue(QStringLiteral("SELECT pg_terminate_backend(?)"), {pid}).toBool());
        });
    }
    // The company database as messages name it.
    QString Database() const { return kv8db::ShownDatabase(company.Db().Url()); }
};

} // namespace

TEST_F(GuastiLavori, AFullDiskStopsTheDepositBillingWritingNothing)
{
    if (company.Db().IsPostgres())
        GTEST_SKIP() << "a file that cannot grow is SQLite's";
    const QStringList prima = Archivio();
    DiscoPieno(4);
    FatturazioneGiacenze();
    ASSERT_FALSE(HasFatalFailure());
    UnErrore(QStringLiteral("Il disco del database %1 è pieno").arg(Database()),
             QStringLiteral("Elaborazione Terminata : Generate NC da <0> a <0>"));
    EXPECT_EQ(Archivio(), prima);
}

TEST_F(GuastiLavori, AFullDiskStopsTheInvoiceGenerationWritingNothing)
{
    if (company.Db().IsPostgres())
        GTEST_SKIP() << "a file that cannot grow is SQLite's";
    const QStringList prima = Archivio();
    DiscoPieno(4);
    auto *g = Lavoro(QStringLiteral("SVEN0007D"));
    ASSERT_NE(g, nullptr);
    Data(g, "edDataFattura", 2026, 3, 31);
    Campo(g, "edIdCausale", QStringLiteral("FTD"));
    Data(g, "edDataDa", 2026, 3, 1);
    Data(g, "edDataA", 2026, 3, 31);
    Campo(g, "edIdCausaleBolla", QStringLiteral("DDT"));
    Scelta(g, "cbFlProvvisoria", 0);
    Esegui(g);
    UnErrore(QStringLiteral("Il disco del database %1 è pieno").arg(Database()));
    EXPECT_EQ(Archivio(), prima);
}

TEST_F(GuastiLavori, TheConnectionLostStopsTheDepositBillingWritingNothing)
{
    if (!company.Db().IsPostgres())
        GTEST_SKIP() << "a connection to lose is PostgreSQL's";
    const QStringList prima = Archivio();
    ConnessionePersaA(QStringLiteral("giacenze"), 2); // the first customer's invoice begun
    FatturazioneGiacenze();
    ASSERT_FALSE(HasFatalFailure());
    UnErrore(Connessione.arg(Database()), QStringLiteral("Elaborazione Terminata : Generate NC da <0> a <0>"));
    EXPECT_EQ(Archivio(), prima);
}

TEST_F(GuastiLavori, TheConnectionLostStopsTheCardRebuildWritingNothing)
{
    if (!company.Db().IsPostgres())
        GTEST_SKIP() << "a connection to lose is PostgreSQL's";
    const QStringList prima = Archivio();
    ConnessionePersaA(QStringLiteral("ricalcolo")); // the cards zeroed, none counted yet
    auto *f = Lavoro(QStringLiteral("QARN0156D"));
    ASSERT_NE(f, nullptr);
    Scelta(f, "cbFlTipoRicalcolo", 0);
    script.Yes(QStringLiteral("Confermi elaborazione"));
    Esegui(f);
    UnErrore(Connessione.arg(Database()), QStringLiteral("Elaborazione Terminata"));
    EXPECT_EQ(Archivio(), prima);
}

// The module's warehouse-movement generator, created through the registry as the host does
// (TDMIBMag::Crea): documents saved, changed and deleted with movements, counter-movements,
// cost details and stock following the live rows, and the module's columns on every movement.
#include "engine/Dmi_bmag_p.h"
#include "host/data/TXQuery.h"
#include "host/ui/ModuleAbi.h"
#include "tests/host/business/MagazzinoFixture.h"

#include <QMap>
#include <QSqlQuery>

namespace {

// A document kind with its head and row tables.
struct TipoDoc {
    int Codice;
    const char *Testa;
    const char *ChiaveT;
    const char *Righe;
    const char *ChiaveR;
};
const TipoDoc BollaCli{0, "BolleCliTeste", "KBolleCliT", "BolleCliRighe", "KBolleCliR"};
const TipoDoc FatturaCli{1, "FattureCliTeste", "KFattCliT", "FattureCliRighe", "KFattCliR"};
const TipoDoc BollaFor{10, "BolleForTeste", "KBolleForT", "BolleForRighe", "KBolleForR"};

// The stock sign of the fixture's causals, and their counter causal.
int Segno(const QString &causale)
{
    return causale == QLatin1String("ACQ") || causale == QLatin1String("TRC") ? 1 : -1;
}

class MovimentiModulo : public Magazzino {
protected:
    void SetUp() override
    {
        Magazzino::SetUp();
        if (!db)
            return;
        Initialize();
        Esegui("INSERT INTO EsistenzeMagazzino (Esercizio, IdMagazzino, IdProdotto, QuantitaCar, Esistenza, ValoreCar) "
               "VALUES (2026, 1, 'A1', 100, 100, 500), (2026, 2, 'B1', 40, 40, 200)");
    }

    void TearDown() override
    {
        doc.reset();
        rows.reset();
        Magazzino::TearDown();
    }

    // Document 1 of the kind, arrival warehouse 2, with its rows table opened on it.
    void Documento(const TipoDoc &tipo)
    {
        t = tipo;
        db->ExecSQL(
            QStringLiteral("INSERT INTO %1 (%2, IdCausale, Anno, Serie, Numero, DataDocumento, IdDivisa, Cambio, "
                           "ProtMagazzino, IdMagArrivo) VALUES (1, 'DOC', 2026, 1, 12, ?, 'EUR', 1, 7, 2)")
                .arg(QLatin1String(t.Testa), QLatin1String(t.ChiaveT)),
            {Giorno(2026, 3, 10)});
        if (t.Codice == 10)
            db->ExecSQL(QStringLiteral("UPDATE BolleForTeste SET IdFornitoreTp = 'FO', IdFornitore = 'F1', "
                                       "NumDocEsterno = 'E77', DataDocEsterno = ?"),
                        {Giorno(2026, 3, 8)});
        else
            db->ExecSQL(
                QStringLiteral("UPDATE %1 SET IdClienteTp = 'CL', IdCliente = 'C1'").arg(QLatin1String(t.Testa)));
        const QString selezione = QLatin1String(t.ChiaveT) + QStringLiteral(" = 1");
        doc = Tabella(QLatin1String(t.Testa), selezione);
        rows = Tabella(QLatin1String(t.Righe), selezione);
        rows->SetIndexFieldNames(QStringLiteral("NumOrdine"));
    }

    // A new row (state 2) of the document.
    void NuovaRiga(int k, const QString &articolo, int magazzino, double quantita, const QString &causale,
                   double confezioni = 0, double perConfezione = 0)
    {
        rows->Append();
        Imposta("%R", k);
        Imposta(t.ChiaveT, 1);
        Imposta("NumOrdine", k);
        Imposta("TipoRigo", 0);
        Imposta("IdUM", QStringLiteral("BT"));
        Imposta("IdIva", QStringLiteral("22"));
        Imposta("Prezzo", 5.0);
        Imposta("IdProdotto", articolo);
        Imposta("IdMagazzino", magazzino);
        Imposta("Quantita", quantita);
        Imposta("ControvaloreNN", quantita * 5.0);
        Imposta("Lunghezza", confezioni);
        Imposta("Quantita2", perConfezione);
        rows->Post();
        stati[k] = 2;
        causali[k] = causale;
    }

    // Changes a column of row k; the row becomes modified.
    void Cambia(int k, const char *campo, const QVariant &valore)
    {
        ASSERT_TRUE(rows->Locate(QLatin1String(t.ChiaveR), k));
        rows->Edit();
        Imposta(campo, valore);
        if (QLatin1String(campo) == QLatin1String("Quantita"))
            Imposta("ControvaloreNN", valore.toDouble() * 5.0);
        rows->Post();
        if (stati[k] == 0)
            stati[k] = 1;
    }
    void Causale(int k, const QString &causale)
    {
        causali[k] = causale;
        if (stati[k] == 0)
            stati[k] = 1;
    }
    void Elimina(int k) { stati[k] = 3; }

    // The save: every row through the generator in one transaction, deleted rows first;
    // committed when each one succeeded.
    bool Salva(bool costi = true)
    {
        TDMIBMag *mag = TDMIBMag::Crea();
        TXTransaction transazione(*db);
        const auto genera = [&](int k) {
            return rows->Locate(QLatin1String(t.ChiaveR), k)
                   && mag->GeneraMovimentoMagazzino(stati[k], t.Codice, causali[k], QStringLiteral("MERCE"), costi,
                                                    doc.get(), rows.get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                                    nullptr);
        };
        for (int k : stati.keys())
            if (stati[k] == 3) {
                if (!genera(k))
                    return false;
                rows->Delete();
            }
        for (int k : stati.keys())
            if (stati[k] != 3 && !genera(k))
                return false;
        transazione.Commit();
        for (auto it = stati.begin(); it != stati.end();)
            if (it.value() == 3) {
                causali.remove(it.key());
                it = stati.erase(it);
            } else {
                *it++ = 0;
            }
        return true;
    }

    // Every stock row: key -> quantities and values.
    QMap<QString, QString> Esistenze()
    {
        QMap<QString, QString> e;
        QSqlQuery q =
            db->OpenQuery(QStringLiteral("SELECT IdMagazzino, IdProdotto, QuantitaCar, QuantitaSca, Esistenza, "
                                         "ValoreCar, ValoreSca FROM EsistenzeMagazzino"));
        while (q.next())
            e.insert(QStringLiteral("%1 %2").arg(q.value(0).toInt()).arg(q.value(1).toString().trimmed()),
                     QStringLiteral("%1 %2 %3 %4 %5")
                         .arg(q.value(2).toDouble())
                         .arg(q.value(3).toDouble())
                         .arg(q.value(4).toDouble())
                         .arg(q.value(5).toDouble())
                         .arg(q.value(6).toDouble()));
        return e;
    }

    // Movements, counter-movements, cost details and stock as the live rows make them.
    void Verifica(const QMap<QString, QString> &prima)
    {
        QStringList attesi;
        QMap<QString, double> movimentato;
        for (rows->First(); !rows->Eof(); rows->Next()) {
            const int k = DiRiga("%R").toInt();
            const QString articolo = DiRiga("IdProdotto").toString();
            const int magazzino = DiRiga("IdMagazzino").toInt();
            const double quantita = DiRiga("Quantita").toDouble();
            const double confezioni = DiRiga("Lunghezza").toDouble() != 0 ? DiRiga("Lunghezza").toDouble() : quantita;
            const double perConfezione = DiRiga("Quantita2").toDouble() != 0 ? DiRiga("Quantita2").toDouble() : 1;
            const auto movimento = [&](int sub, const QString &causale, int mag) {
                attesi << QStringLiteral("%1/%2 %3 %4 %5 %6 conf %7 x %8")
                              .arg(k)
                              .arg(sub)
                              .arg(causale, articolo)
                              .arg(mag)
                              .arg(quantita)
                              .arg(confezioni)
                              .arg(perConfezione);
                movimentato[QStringLiteral("%1 %2").arg(mag).arg(articolo)] += Segno(causale) * quantita;
            };
            movimento(0, causali[k], magazzino);
            if (causali[k] == QLatin1String("TRS"))
                movimento(1, QStringLiteral("TRC"), 2);
        }
        QStringList scritti;
        QSqlQuery m =
            db->OpenQuery(QStringLiteral("SELECT KRigoDoc, SubNumOrdine, IdCausale, IdProdotto, IdMagazzino1, "
                                         "Quantita, UT_LMQ_NumConf, UT_LMQ_QtaImballo FROM MovMagazzino "
                                         "WHERE FlTipoDocum = ? ORDER BY KRigoDoc, SubNumOrdine"),
                          {t.Codice});
        while (m.next())
            scritti << QStringLiteral("%1/%2 %3 %4 %5 %6 conf %7 x %8")
                           .arg(m.value(0).toInt())
                           .arg(m.value(1).toInt())
                           .arg(m.value(2).toString().trimmed(), m.value(3).toString().trimmed())
                           .arg(m.value(4).toInt())
                           .arg(m.value(5).toDouble())
                           .arg(m.value(6).toDouble())
                           .arg(m.value(7).toDouble());
        EXPECT_EQ(scritti, attesi);
        // one cost detail per movement, carrying its value
        EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzinoD")), attesi.size());
        EXPECT_EQ(
            Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzinoD D WHERE NOT EXISTS (SELECT 1 FROM MovMagazzino M "
                                 "WHERE M.KMovMag = D.KMovMag AND M.Valore = D.Importo)")),
            0);
        // each stock row is what it was plus what the live rows move
        const QMap<QString, QString> dopo = Esistenze();
        for (auto it = dopo.cbegin(); it != dopo.cend(); ++it) {
            const double base = prima.contains(it.key()) ? prima[it.key()].split(QLatin1Char(' ')).at(2).toDouble() : 0;
            EXPECT_DOUBLE_EQ(it.value().split(QLatin1Char(' ')).at(2).toDouble(), base + movimentato.value(it.key()))
                << it.key().toStdString();
        }
    }

    // Save, change, delete, each checked against the live rows.
    void Ciclo(const TipoDoc &tipo, const QString &vendita)
    {
        Documento(tipo);
        const QMap<QString, QString> prima = Esistenze();
        NuovaRiga(1, QStringLiteral("A1"), 1, 10, vendita, 2, 5);
        NuovaRiga(2, QStringLiteral("B1"), 1, 6, vendita);
        NuovaRiga(3, QStringLiteral("A1"), 2, 4, vendita, -1);
        ASSERT_TRUE(Salva()) << ui->LastText().toStdString();
        Verifica(prima);

        Cambia(1, "Quantita", 12);         // quantity changed
        Causale(1, QStringLiteral("OMA")); // and causal
        Elimina(2);                        // a row deleted
        Cambia(3, "IdProdotto", QStringLiteral("B1"));
        Cambia(3, "IdMagazzino", 1); // article and warehouse changed
        NuovaRiga(4, QStringLiteral("A1"), 1, 3, vendita);
        ASSERT_TRUE(Salva()) << ui->LastText().toStdString();
        Verifica(prima);

        Causale(4, QStringLiteral("TRS")); // a transfer: its counter-movement on warehouse 2
        ASSERT_TRUE(Salva()) << ui->LastText().toStdString();
        Verifica(prima);
        Causale(4, vendita); // and back: the counter-movement goes
        ASSERT_TRUE(Salva()) << ui->LastText().toStdString();
        Verifica(prima);

        for (int k : stati.keys())
            Elimina(k);
        ASSERT_TRUE(Salva()) << ui->LastText().toStdString();
        EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 0);
        EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzinoD")), 0);
        const QMap<QString, QString> dopo = Esistenze();
        for (auto it = dopo.cbegin(); it != dopo.cend(); ++it)
            EXPECT_EQ(it.value(), prima.value(it.key(), QStringLiteral("0 0 0 0 0"))) << it.key().toStdString();
        EXPECT_TRUE(ui->Messages().isEmpty()) << ui->LastText().toStdString();
    }

    void Imposta(const char *campo, const QVariant &valore) { rows->FieldByName(Nome(campo))->SetValue(valore); }
    QVariant DiRiga(const char *campo) { return rows->FieldByName(Nome(campo))->Value(); }
    QString Nome(const char *campo) const
    {
        return QLatin1String(campo) == QLatin1String("%R") ? QLatin1String(t.ChiaveR) : QLatin1String(campo);
    }

    // The module columns of a movement (row key, 0 own / 1 counter).
    QVariantList Colonne(int k, int sub = 0)
    {
        QSqlQuery m = db->OpenQuery(QStringLiteral("SELECT UT_LMQ_QtaImballo, UT_LMQ_NumConf, UT_LMQ_NumDoco, "
                                                   "UT_LMQ_DataDoco, UT_LMQ_FlTipoPrz, UT_LMQ_PrezzoTra, Quantita "
                                                   "FROM MovMagazzino WHERE KRigoDoc = ? AND SubNumOrdine = ?"),
                                    {k, sub});
        if (!m.next())
            return {};
        QVariantList v;
        for (int i = 0; i < 7; ++i)
            v << m.value(i);
        return v;
    }

    TipoDoc t = BollaCli;
    std::unique_ptr<TXTable> doc;
    std::unique_ptr<TXTable> rows;
    QMap<int, int> stati;
    QMap<int, QString> causali;
};

TEST_F(MovimentiModulo, TheRegistryCreatesTheModulesGenerator)
{
    EXPECT_NE(qobject_cast<TDMIBMag_p *>(TDMIBMag::Crea()), nullptr);
}

TEST_F(MovimentiModulo, ADeliveryNoteSavedChangedAndDeleted)
{
    Ciclo(BollaCli, QStringLiteral("VEN"));
}

TEST_F(MovimentiModulo, ASupplierDeliveryNoteSavedChangedAndDeleted)
{
    Ciclo(BollaFor, QStringLiteral("ACQ"));
}

TEST_F(MovimentiModulo, AnInvoiceSavedChangedAndDeleted)
{
    Ciclo(FatturaCli, QStringLiteral("VEN"));
}

TEST_F(MovimentiModulo, SalesRowsCarryTheirExternalDocumentAndPriceTypeOnBothMovements)
{
    Documento(BollaCli);
    NuovaRiga(1, QStringLiteral("A1"), 1, 6, QStringLiteral("VEN"));          // no packages, no units per package
    NuovaRiga(2, QStringLiteral("A1"), 1, -18, QStringLiteral("TRS"), -3, 6); // a transfer with negative packages
    Cambia(2, "UT_LMQ_NumDoco", QStringLiteral("X12"));
    Cambia(2, "UT_LMQ_DataDoco", Giorno(2026, 3, 1));
    Cambia(2, "UT_LMQ_FlTipoPrz", 1);
    Cambia(2, "UT_LMQ_PrezzoTra", 0.35);
    stati[2] = 2;
    ASSERT_TRUE(Salva()) << ui->LastText().toStdString();

    const QVariantList semplice = Colonne(1);
    ASSERT_EQ(semplice.size(), 7);
    EXPECT_DOUBLE_EQ(semplice[0].toDouble(), 1);
    EXPECT_DOUBLE_EQ(semplice[1].toDouble(), 6);
    EXPECT_EQ(semplice[2].toString(), QString());
    EXPECT_TRUE(semplice[3].isNull()) << "an empty date is stored as null";
    EXPECT_EQ(semplice[4].toInt(), 0);
    EXPECT_DOUBLE_EQ(semplice[5].toDouble(), 0);
    for (int sub : {0, 1}) {
        const QVariantList c = Colonne(2, sub);
        ASSERT_EQ(c.size(), 7) << sub;
        EXPECT_DOUBLE_EQ(c[0].toDouble(), 6);
        EXPECT_DOUBLE_EQ(c[1].toDouble(), -3) << "the packages keep their sign";
        EXPECT_EQ(c[2].toString().trimmed(), QStringLiteral("X12"));
        EXPECT_EQ(kv8data::CoerceLoaded(c[3], ftDateTime).toDateTime().date(), QDate(2026, 3, 1));
        EXPECT_EQ(c[4].toInt(), 1);
        EXPECT_DOUBLE_EQ(c[5].toDouble(), 0.35);
    }
}

TEST_F(MovimentiModulo, PurchaseRowsCarryOnlyTheirPackages)
{
    Documento(BollaFor);
    NuovaRiga(1, QStringLiteral("A1"), 1, 12, QStringLiteral("ACQ"), 2, 6);
    Cambia(1, "UT_LMQ_FlTipoPrz", 1);
    stati[1] = 2;
    ASSERT_TRUE(Salva()) << ui->LastText().toStdString();
    const QVariantList c = Colonne(1);
    ASSERT_EQ(c.size(), 7);
    EXPECT_DOUBLE_EQ(c[0].toDouble(), 6);
    EXPECT_DOUBLE_EQ(c[1].toDouble(), 2);
    EXPECT_EQ(c[2].toString(), QString());
    EXPECT_TRUE(c[3].isNull());
    EXPECT_EQ(c[4].toInt(), 0);
    EXPECT_DOUBLE_EQ(c[5].toDouble(), 0);
}

TEST_F(MovimentiModulo, ArticlesThatBookNoStockAndTheCompanySettingBookNothing)
{
    Documento(BollaCli);
    NuovaRiga(1, QStringLiteral("CAS"), 1, 2, QStringLiteral("VEN"));
    ASSERT_TRUE(Salva());
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 0);
    // a row booked before that turns to such an article loses its movement
    NuovaRiga(2, QStringLiteral("A1"), 1, 3, QStringLiteral("VEN"));
    ASSERT_TRUE(Salva());
    ASSERT_DOUBLE_EQ(Esistenza("A1"), 97);
    Cambia(2, "IdProdotto", QStringLiteral("CAS"));
    ASSERT_TRUE(Salva());
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 0);
    EXPECT_DOUBLE_EQ(Esistenza("A1"), 100);

    // the company books no movements: neither new ones nor removals
    Cambia(2, "IdProdotto", QStringLiteral("A1"));
    ASSERT_TRUE(Salva());
    CFG.FlMovMagazzino = 2;
    NuovaRiga(3, QStringLiteral("B1"), 1, 1, QStringLiteral("VEN"));
    Elimina(2);
    ASSERT_TRUE(Salva());
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), 1);
    EXPECT_DOUBLE_EQ(Esistenza("A1"), 97);
    EXPECT_TRUE(ui->Messages().isEmpty()) << ui->LastText().toStdString();
}

// Fails the stock update of article B1.
class MagazzinoGuasto : public TDMIBMag_p {
    Q_OBJECT
public:
    using TDMIBMag_p::TDMIBMag_p;
    bool AggiornaEsistenzeMagazzino(TDataSet *movimento, TDataSet *esistenze, bool storno) override
    {
        if (movimento->FieldByName(QStringLiteral("IdProdotto"))->AsString() == QLatin1String("B1"))
            return false;
        return TDMIBMag_p::AggiornaEsistenzeMagazzino(movimento, esistenze, storno);
    }
};

TEST_F(MovimentiModulo, AFailedStockUpdateIsShownAndTheSaveRollsBack)
{
    Documento(BollaCli);
    NuovaRiga(1, QStringLiteral("A1"), 1, 5, QStringLiteral("VEN"));
    ASSERT_TRUE(Salva());
    const QMap<QString, QString> prima = Esistenze();
    const int movimenti = Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino"));
    delete DMIBMag.data();
    Xforms::XRegisterDMClass(QStringLiteral("TDMIBMag"), ClassRef::Of<MagazzinoGuasto>());
    ASSERT_NE(qobject_cast<MagazzinoGuasto *>(TDMIBMag::Crea()), nullptr);
    Initialize(); // the module's class again for the next creation
    Cambia(1, "Quantita", 7);
    NuovaRiga(2, QStringLiteral("B1"), 1, 2, QStringLiteral("VEN"));
    EXPECT_FALSE(Salva());
    EXPECT_EQ(ui->LastText(), QStringLiteral("Errore in aggiornamento esistenze!"));
    EXPECT_EQ(ui->Messages().last().Type, mtWarning);
    EXPECT_EQ(Esistenze(), prima);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino")), movimenti);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Quantita FROM MovMagazzino")), 5);
}

TEST_F(MovimentiModulo, TwoUsersMovingOneArticleLoseNoUpdate)
{
    Documento(BollaCli);
    NuovaRiga(1, QStringLiteral("A1"), 1, 10, QStringLiteral("VEN"));
    NuovaRiga(2, QStringLiteral("A1"), 1, 5, QStringLiteral("VEN"));
    // the second user: its own connection and datasets, the stock read before the first saves
    TXDatabase &altro = DMIDataBases::Instance().Open(QStringLiteral("SecondoUtente"), tdb.Url());
    const auto tabella = [](const QString &nome, const QString &vuoto) {
        auto c = std::make_unique<TXClientTable>();
        c->SetDatabaseName(QStringLiteral("SecondoUtente"));
        c->SetTableName(nome);
        c->SetXWhereVuoto(vuoto);
        c->Open();
        return c;
    };
    auto movimenti = tabella(QStringLiteral("MovMagazzino"), QStringLiteral("KMovMag = 0"));
    auto esistenze = tabella(QStringLiteral("EsistenzeMagazzino"), QStringLiteral("Esercizio = 0"));
    auto dettagli = tabella(QStringLiteral("MovMagazzinoD"), QStringLiteral("KMovMagD = 0"));
    TXQuery lavoro;
    lavoro.SetDatabaseName(QStringLiteral("SecondoUtente"));
    ASSERT_TRUE(esistenze->Locate(QStringLiteral("Esercizio;IdMagazzino;IdProdotto"),
                                  QVariantList{2026, 1, QStringLiteral("A1")}));

    stati.remove(2); // the first user saves row 1 only
    ASSERT_TRUE(Salva(false));
    ASSERT_DOUBLE_EQ(Esistenza("A1"), 90);
    {
        TXTransaction transazione(altro);
        ASSERT_TRUE(rows->Locate(QStringLiteral("KBolleCliR"), 2));
        ASSERT_TRUE(TDMIBMag::Crea()->GeneraMovimentoMagazzino(2, 0, QStringLiteral("VEN"), QString(), false, doc.get(),
                                                               rows.get(), movimenti.get(), esistenze.get(), nullptr,
                                                               dettagli.get(), &lavoro, nullptr))
            << ui->LastText().toStdString();
        transazione.Commit();
    }
    EXPECT_DOUBLE_EQ(Esistenza("A1"), 85);
    EXPECT_DOUBLE_EQ(Esistenza("A1", 1, "QuantitaSca"), 15);
    movimenti.reset();
    esistenze.reset();
    dettagli.reset();
    lavoro.SetDatabaseName(QStringLiteral("GlobalDatabase"));
    DMIDataBases::Instance().Close(QStringLiteral("SecondoUtente"));
}

} // namespace

#include "test_MovimentiModulo.moc"

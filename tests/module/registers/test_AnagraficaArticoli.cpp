// The article master print opened from its menu code: the typed ranges (quoted into the
// selection), the four orders, the two markers and the secondary packaging's description.
#include "tests/module/masterdata/MasterDettaglioFixture.h"

#include "host/data/TXMemTable.h"
#include "host/report/ReportOutput.h"
#include "registers/Qarn0500d.h"

#include <QDir>
#include <QTemporaryDir>

using namespace kv8test;

namespace {

class AnagraficaArticoli : public MasterDettaglio {
protected:
    void SetUp() override
    {
        MasterDettaglio::SetUp();
        if (IsSkipped())
            return;
        Esegui(QStringLiteral(
            "INSERT INTO LUMO_Bottiglie (IdBottiglia, DsBottiglia, Capacita) VALUES ('B75', 'Bordolese', 0.75)"));
        Esegui(QStringLiteral("INSERT INTO LUMO_CatVin (IdCatVin, DsCatVin) VALUES ('ROS', 'Vino rosso')"));
        Esegui(QStringLiteral("INSERT INTO LUMO_CatVin (IdCatVin, DsCatVin) VALUES ('BIA', 'Vino bianco')"));
        Esegui(QStringLiteral("INSERT INTO LUMO_ConIva (IdConIva, DsConIva) VALUES ('A01', 'Contrassegno A')"));
        for (const auto &[codice, descrizione] : {std::pair{"CT6", "Cartone 6"}, std::pair{"CT1", "Cartone 12"},
                                                  std::pair{"BOT", "Bottiglia a rendere"}, std::pair{"CAS", "Cassa"}})
            Esegui(QStringLiteral("INSERT INTO Imballi (IdImballo, DsImballo) VALUES (?, ?)"),
                   {QString::fromLatin1(codice), QString::fromLatin1(descrizione)});
        //            code       category  stamp   bottle  base    secondary card  per litre
        Articolo(QStringLiteral("Z1"), QStringLiteral("BIA"), QStringLiteral("A01"), QStringLiteral("B75"),
                 QStringLiteral("CT6"), QStringLiteral("BOT"), 1, 0);
        Articolo(QStringLiteral("A2"), QStringLiteral("ROS"), QString(), QString(), QStringLiteral("CAS"),
                 QStringLiteral("CT6"), 0, 1);
        Articolo(QStringLiteral("M3"), QStringLiteral("ROS"), QStringLiteral("A01"), QStringLiteral("B75"),
                 QStringLiteral("CT1"), QString(), 0, 0);
        Articolo(QStringLiteral("O'4"), QStringLiteral("BIA"), QString(), QString(), QString(), QString(), 0, 0);
    }
    void Articolo(const QString &codice, const QString &categoria, const QString &contrassegno,
                  const QString &bottiglia, const QString &imballo, const QString &imballo2, int scheda,
                  int prezzoLitro)
    {
        Esegui(QStringLiteral(
                   "INSERT INTO Articoli (IdProdotto, DsProdotto, DsProdotto1, UT_LMQ_IdCatVin, UT_LMQ_IdConIva, "
                   "UT_LMQ_IdBottiglia, IdImballo, UT_LMQ_IdImballo2, UT_LMQ_FlAbilSchedaPro, UT_LMQ_FlPrzLit) "
                   "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
               {codice, QStringLiteral("Articolo ") + codice, QStringLiteral("Articolo ") + codice, categoria,
                contrassegno.isNull() ? QStringLiteral("") : contrassegno,
                bottiglia.isNull() ? QStringLiteral("") : bottiglia, imballo.isNull() ? QStringLiteral("") : imballo,
                imballo2.isNull() ? QStringLiteral("") : imballo2, scheda, prezzoLitro});
    }
    // A print with the bounds given (field, value) and the order.
    ReportCapture::Print Stampa(const QList<std::pair<QString, QString>> &limiti, int ordine)
    {
        auto *f = Apri<TFqarn0500d>(QStringLiteral("QARN0500D"));
        if (!f)
            return {};
        for (const char *campo : {"Da_IdProdotto", "A_IdProdotto", "Da_IdCatVin", "A_IdCatVin", "Da_IdConIva",
                                  "A_IdConIva", "Da_IdImballo", "A_IdImballo"})
            f->tPars->FieldByName(QString::fromLatin1(campo))->SetAsString(QString());
        for (const auto &[campo, valore] : limiti)
            f->tPars->FieldByName(campo)->SetAsString(valore);
        f->tPars->FieldByName(QStringLiteral("FlTipoOrdinamento"))->SetAsInteger(ordine);
        ReportCapture capture;
        f->btEsegui->click();
        ProcessEvents();
        return capture.Prints().isEmpty() ? ReportCapture::Print{} : capture.Last();
    }
    static QStringList Codici(const ReportCapture::Print &p)
    {
        QStringList out;
        for (const ReportPage &pagina : p.Document.Pages)
            out << pagina.TextsOf(QStringLiteral("fdIdProdotto"));
        return out;
    }
};

} // namespace

TEST_F(AnagraficaArticoli, TheFourOrdersAndNoBound)
{
    EXPECT_EQ(Codici(Stampa({}, 0)), (QStringList{"A2", "M3", "O'4", "Z1"}));
    EXPECT_EQ(Codici(Stampa({}, 1)), (QStringList{"O'4", "Z1", "A2", "M3"})) << "by category, then by code";
    EXPECT_EQ(Codici(Stampa({}, 2)), (QStringList{"A2", "O'4", "M3", "Z1"}));
    EXPECT_EQ(Codici(Stampa({}, 3)), (QStringList{"O'4", "A2", "M3", "Z1"}))
        << "by base packaging: none, CAS, CT1, CT6";
    EXPECT_EQ(Codici(Stampa({}, 7)).size(), 4) << "any other order: every article, in the database's order";
}

TEST_F(AnagraficaArticoli, RangesReachTheSelectionQuoted)
{
    EXPECT_EQ(Codici(Stampa({{QStringLiteral("Da_IdImballo"), QStringLiteral("CT1")},
                             {QStringLiteral("A_IdImballo"), QStringLiteral("CT9")}},
                            0)),
              (QStringList{"M3", "Z1"}))
        << "the article's own base packaging, whatever its secondary one";
    EXPECT_EQ(Codici(Stampa({{QStringLiteral("Da_IdCatVin"), QStringLiteral("ROS")},
                             {QStringLiteral("A_IdCatVin"), QStringLiteral("ROS")}},
                            0)),
              (QStringList{"A2", "M3"}));
    EXPECT_EQ(Codici(Stampa({{QStringLiteral("Da_IdConIva"), QStringLiteral("A01")}}, 0)), (QStringList{"M3", "Z1"}));
    EXPECT_EQ(Codici(Stampa({{QStringLiteral("Da_IdProdotto"), QStringLiteral("O'4")},
                             {QStringLiteral("A_IdProdotto"), QStringLiteral("O'4")}},
                            0)),
              QStringList{"O'4"})
        << "a quote in a typed code";
}

TEST_F(AnagraficaArticoli, FiveLinesWithMarkersAndTheSecondaryPackaging)
{
    const ReportCapture::Print p = Stampa({{QStringLiteral("Da_IdProdotto"), QStringLiteral("A2")},
                                           {QStringLiteral("A_IdProdotto"), QStringLiteral("Z1")}},
                                          0);
    ASSERT_EQ(p.Document.PageCount(), 1);
    const ReportPage &pagina = p.Document.Pages[0];
    EXPECT_TRUE(pagina.HasText(QStringLiteral("Anagrafica Articoli - Dati Dusaria")));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdIdProdotto")), (QStringList{"A2", "M3", "O'4", "Z1"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("ppScheda")).join(QString()), QStringLiteral("Scheda Prodotto"))
        << "Z1 only";
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("ppLabel9")).join(QString()), QStringLiteral("Prezzo a Litro"))
        << "A2 only";
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdDsImballo2")), (QStringList{"Cartone 6", "Bottiglia a rendere"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdDsBottiglia")), (QStringList{"Bordolese", "Bordolese"}))
        << "no bottle: empty container";
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdCapacita")), (QStringList{"0,750", "0,750"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdDsCatVin")),
              (QStringList{"Vino rosso", "Vino rosso", "Vino bianco", "Vino bianco"}));
}

TEST_F(AnagraficaArticoli, ThePrintMakesAPdf)
{
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    qputenv("KV8_PRINT_DIR", cartella.path().toLocal8Bit());
    auto *f = Apri<TFqarn0500d>(QStringLiteral("QARN0500D"));
    ASSERT_NE(f, nullptr);
    f->btEsegui->click();
    ProcessEvents();
    qunsetenv("KV8_PRINT_DIR");
    EXPECT_EQ(QDir(cartella.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files).size(), 1);
}

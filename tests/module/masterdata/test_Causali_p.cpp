// The module's causal windows from their menu codes: the "DuSa" page with its captions, the
// controls the parameter record switches off, what check boxes and drop-downs store, and the
// warehouse causals' list print by layout name.
#include "tests/module/masterdata/EstensioniFixture.h"

#include "host/report/ReportOutput.h"
#include "host/ui/Dlgrptparam.h"
#include "masterdata/Bbas0038f_p.h"
#include "masterdata/Bbas0039f_p.h"
#include "masterdata/Bbas0045f_p.h"
#include "masterdata/Bbas0047f_p.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace kv8test;

namespace {

// The deposit controls of the document causals.
const char *const Cauzioni[] = {"chUT_LMQ_FlCauzioni", "chUT_LMQ_FlAggCau", "chUT_LMQ_FlAggCauB", "chUT_LMQ_FlAggCauF",
                                "chUT_LMQ_FlAggMovC",  "cbUT_LMQ_FlStaCau", "cbUT_LMQ_FlTpStaCau"};

class Causali : public Estensioni {
protected:
    void SetUp() override
    {
        Estensioni::SetUp();
        if (IsSkipped())
            return;
        Esegui(QStringLiteral(
            "INSERT INTO CausaliMagaz (IdCausale, DsCausale, FlEsistenza) VALUES ('VEN', 'Vendita', -1)"));
        Esegui(QStringLiteral(
            "INSERT INTO CausaliMagaz (IdCausale, DsCausale, FlEsistenza) VALUES ('ACQ', 'Acquisto', 1)"));
        Esegui(
            QStringLiteral("INSERT INTO CausaliMagaz (IdCausale, DsCausale, FlEsistenza) VALUES ('R''E', 'Reso', 1)"));
        const QString documento =
            QStringLiteral("INSERT INTO %1 (IdCausale, DsCausale, UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau, "
                           "UT_LMQ_FlStaCau) VALUES ('D1', 'Documento', 1, 1, 3)");
        for (const char *t : {"CausaliBolleCli", "CausaliFattCli", "CausaliBolleFor"})
            Esegui(documento.arg(QLatin1String(t)));
    }

    bool Abilitato(TFDBTabChild *f, const char *nome) { return f->Control<QWidget>(QLatin1String(nome))->isEnabled(); }
    QString Testo(TFDBTabChild *f, const char *nome)
    {
        return f->Control<QAbstractButton>(QLatin1String(nome))->text();
    }
    QString Etichetta(TFDBTabChild *f, const char *nome) { return f->Control<QLabel>(QLatin1String(nome))->text(); }

    // Asks the list print from the window's toolbar; the dialog takes the range and layout.
    QStringList offerti;
    void Stampa(TFBBas0047f_p *f, const QString &da, const QString &a, int layout, bool annulla = false)
    {
        script.OnDialog(QStringLiteral("TfdlgRptParam"), [=, this](TForm &dialog) {
            auto *d = qobject_cast<TfdlgRptParam *>(&dialog);
            EXPECT_EQ(d->Params.Riferimento.data(), static_cast<QObject *>(f));
            EXPECT_EQ(d->Params.Titolo, f->Caption());
            offerti.clear();
            for (int i = 0; i < d->cbLayout->count(); ++i)
                offerti << d->cbLayout->itemText(i);
            d->edDaCodice->setText(da);
            d->edACodice->setText(a);
            d->cbLayout->setCurrentIndex(layout);
            if (annulla) {
                d->btAnnulla->click();
                return int(mrCancel);
            }
            d->btOk->click();
            return int(mrOk);
        });
        f->btStampa->click();
        ProcessEvents();
    }
    static QStringList Codici(const ReportDocument &doc)
    {
        QStringList out;
        for (const ReportPage &p : doc.Pages)
            out << p.TextsOf(QStringLiteral("fdIdCausale"));
        return out;
    }
};

} // namespace

TEST_F(Causali, EachWindowAddsItsPageAfterTheHost)
{
    Tutti(1);
    struct Caso {
        const char *codice;
        const char *titolo;
    };
    for (const Caso c :
         {Caso{"BBAS0047F", "Causali di Magazzino (Dusaria)"}, Caso{"BBAS0038F", "Causali Documenti DDT (Dusaria)"},
          Caso{"BBAS0039F", "Causali Documenti Fatture (Dusaria)"},
          Caso{"BBAS0045F", "Causali DDT Fornitori (Dusaria)"}}) {
        SCOPED_TRACE(c.codice);
        TFDBTabChild *f = Apri(QLatin1String(c.codice));
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->Caption(), QLatin1String(c.titolo));
        EXPECT_EQ(Pagine(f), (QStringList{"Elenco", "Dettaglio", "DuSa"}));
        EXPECT_TRUE(QByteArray(f->metaObject()->className()).endsWith("_p"));
        f->Close();
        ProcessEvents();
    }
    EXPECT_TRUE(FBBas0047f_p.isNull() && FBbas0038f_p.isNull() && FBBas0039f_p.isNull() && FBbas0045f_p.isNull());
}

TEST_F(Causali, WarehouseCausalRegistersFollowTheParameters)
{
    Parametri({{QStringLiteral("FlStaRegCs"), 1}});
    auto *f = Apri<TFBBas0047f_p>(QStringLiteral("BBAS0047F"));
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(Abilitato(f, "chUT_LMQ_FlRegCon"));
    EXPECT_TRUE(Abilitato(f, "chUT_LMQ_FlRegCs"));
    EXPECT_FALSE(Abilitato(f, "chUT_LMQ_FlRegImb"));
    EXPECT_FALSE(Abilitato(f, "chUT_LMQ_FlRegSpu"));
    EXPECT_TRUE(f->Control<QWidget>(QStringLiteral("chUT_LMQ_FlRegSpu"))->isHidden());
    // never switched: column, sign, bottled stamps, tank and SIAN
    for (const char *nome : {"cbUT_LMQ_FlCarSca", "cbUT_LMQ_FlSegno", "chUT_LMQ_FlConImb", "cbUT_LMQ_FlAggVasca",
                             "chUT_LMQ_FlGesSian", "edUT_LMQ_CodCausSian"})
        EXPECT_TRUE(Abilitato(f, nome)) << nome;
    EXPECT_EQ(Testo(f, "chUT_LMQ_FlConImb"), QStringLiteral("Agg.Colonna Esi.Contrassegni Imbottigliati"));
    EXPECT_EQ(Etichetta(f, "lbUT_LMQ_FlCarSca"), QStringLiteral("Flag colonna Car/Sca:"));
    EXPECT_EQ(Voci(f, QStringLiteral("cbUT_LMQ_FlSegno")), (QStringList{"Positivo", "Negativo"}));

    // check boxes store 1 and 0, drop-downs the item's value
    ASSERT_TRUE(f->TCausMagaz->Locate(QStringLiteral("IdCausale"), QStringLiteral("VEN")));
    Premi(f, nbEdit);
    f->Control<QAbstractButton>(QStringLiteral("chUT_LMQ_FlRegCs"))->click();
    f->Control<QAbstractButton>(QStringLiteral("chUT_LMQ_FlConImb"))->click();
    Scegli(f, QStringLiteral("cbUT_LMQ_FlCarSca"), 1);
    Scegli(f, QStringLiteral("cbUT_LMQ_FlSegno"), 1);
    Premi(f, nbPost);
    const auto valori = [this] {
        QSqlQuery q =
            company.Database().OpenQuery(QStringLiteral("SELECT UT_LMQ_FlRegCs, UT_LMQ_FlConImb, UT_LMQ_FlCarSca, "
                                                        "UT_LMQ_FlSegno FROM CausaliMagaz WHERE IdCausale = 'VEN'"));
        q.next();
        return QVariantList{q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt(), q.value(3).toInt()};
    };
    EXPECT_EQ(valori(), (QVariantList{1, 1, 1, 1}));
    Premi(f, nbEdit);
    f->Control<QAbstractButton>(QStringLiteral("chUT_LMQ_FlRegCs"))->click();
    Premi(f, nbPost);
    EXPECT_EQ(valori(), (QVariantList{0, 1, 1, 1}));
}

TEST_F(Causali, DepositsOffDisableTheDepositControlsAndKeepTheirValues)
{
    Parametri({{QStringLiteral("FlAbilCauz"), 0},
               {QStringLiteral("FlAbilTrasporto"), 1},
               {QStringLiteral("FlAbilPrenota"), 1}});
    struct Caso {
        const char *codice;
        const char *tabella;
        bool negativoSpento; // the negative-deposit drop-down follows deposits
    };
    for (const Caso c : {Caso{"BBAS0038F", "CausaliBolleCli", false}, Caso{"BBAS0039F", "CausaliFattCli", true},
                         Caso{"BBAS0045F", "CausaliBolleFor", false}}) {
        SCOPED_TRACE(c.codice);
        TFDBTabChild *f = Apri(QLatin1String(c.codice));
        ASSERT_NE(f, nullptr);
        for (const char *nome : Cauzioni)
            EXPECT_FALSE(Abilitato(f, nome)) << nome;
        if (QWidget *negativo = f->FindControl<QWidget>(QStringLiteral("cbUT_FlValCauNeg"))) {
            EXPECT_EQ(negativo->isEnabled(), !c.negativoSpento);
        }
        if (QWidget *trasporto = f->FindControl<QWidget>(QStringLiteral("cbUT_LMQ_FlTipoGest"))) {
            EXPECT_TRUE(trasporto->isEnabled());
        }
        // a store of the causal leaves the deposit columns as they were
        Premi(f, nbEdit);
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsCausale"), QStringLiteral("Documento modificato")));
        Premi(f, nbPost);
        QSqlQuery q = company.Database().OpenQuery(
            QStringLiteral("SELECT DsCausale, UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau, UT_LMQ_FlStaCau FROM %1")
                .arg(QLatin1String(c.tabella)));
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toString(), QStringLiteral("Documento modificato"));
        EXPECT_EQ((QVariantList{q.value(1).toInt(), q.value(2).toInt(), q.value(3).toInt()}), (QVariantList{1, 1, 3}));
        f->Close();
        ProcessEvents();
    }
}

TEST_F(Causali, TransportAndReservationsOffOnDeliveryNoteAndInvoiceCausals)
{
    Parametri({{QStringLiteral("FlAbilCauz"), 1}});
    for (const char *codice : {"BBAS0038F", "BBAS0039F"}) {
        SCOPED_TRACE(codice);
        TFDBTabChild *f = Apri(QLatin1String(codice));
        ASSERT_NE(f, nullptr);
        for (const char *nome : Cauzioni)
            EXPECT_TRUE(Abilitato(f, nome)) << nome;
        EXPECT_FALSE(Abilitato(f, "cbUT_LMQ_FlTipoGest"));
        EXPECT_FALSE(Abilitato(f, "cbUT_LMQ_FlAbilPrenota"));
        EXPECT_TRUE(f->Control<QWidget>(QStringLiteral("cbUT_LMQ_FlAbilPrenota"))->isHidden());
        EXPECT_TRUE(f->Control<QWidget>(QStringLiteral("lbUT_LMQ_FlAbilPrenota"))->isHidden());
        EXPECT_TRUE(Abilitato(f, "cbUT_LMQ_FlNumCol"));
        EXPECT_TRUE(Abilitato(f, "cbUT_FlValCauNeg"));
        EXPECT_EQ(Voci(f, QStringLiteral("cbUT_LMQ_FlTipoGest")),
                  (QStringList{"Nessuna", "Su totale documento", "Per riga"}));
        f->Close();
        ProcessEvents();
    }
}

TEST_F(Causali, InvoiceCausalsHaveTheirOwnCaptions)
{
    Tutti(1);
    auto *fattura = Apri<TFBBas0039f_p>(QStringLiteral("BBAS0039F"));
    ASSERT_NE(fattura, nullptr);
    EXPECT_EQ(Testo(fattura, "chUT_LMQ_FlCauzioni"), QStringLiteral("Gest.Castelletto Cauzioni"));
    EXPECT_EQ(Etichetta(fattura, "lbUT_LMQ_FlStaCau"), QStringLiteral("Tipo Stampa Castelletto:"));
    EXPECT_EQ(Testo(fattura, "chUT_LMQ_FlAggCauB"), QStringLiteral("Agg.Progr. Cauzioni Bolle"));
    EXPECT_EQ(Etichetta(fattura, "lbUT_LMQ_FlNumCol"), QStringLiteral("Flag Calcolo Numero Colli"));
    EXPECT_EQ(Testo(fattura, "chUT_LMQ_FlStaPar"), QStringLiteral("Stampa Partite Aperte"));
    EXPECT_EQ(fattura->FindControl<QWidget>(QStringLiteral("chUT_LMQ_FlReso")), nullptr);
    EXPECT_EQ(fattura->FindControl<QWidget>(QStringLiteral("chUT_LMQ_FlStampaMVV")), nullptr);

    auto *ddt = Apri<TFBbas0038f_p>(QStringLiteral("BBAS0038F"));
    ASSERT_NE(ddt, nullptr);
    EXPECT_EQ(Testo(ddt, "chUT_LMQ_FlCauzioni"), QStringLiteral("Gestione Cast. Cauzioni"));
    EXPECT_EQ(Testo(ddt, "chUT_LMQ_FlAggMovC"), QStringLiteral("Genera Movim. Cauzioni"));
    EXPECT_EQ(Testo(ddt, "chUT_LMQ_FlStampaMVV"), QStringLiteral("Stampa Documento MVV"));
    EXPECT_EQ(Testo(ddt, "chUT_LMQ_FlReso"), QStringLiteral("Documento di Reso"));
    EXPECT_EQ(ddt->FindControl<QWidget>(QStringLiteral("chUT_LMQ_FlStaPar")), nullptr) << "a column without control";

    auto *fornitori = Apri<TFBbas0045f_p>(QStringLiteral("BBAS0045F"));
    ASSERT_NE(fornitori, nullptr);
    EXPECT_EQ(fornitori->FindControl<QWidget>(QStringLiteral("cbUT_LMQ_FlTipoGest")), nullptr);
    EXPECT_EQ(Testo(fornitori, "chUT_LMQ_FlReso"), QStringLiteral("Documento di Reso"));
}

TEST_F(Causali, ListPrintByRangeAndLayout)
{
    auto *f = Apri<TFBBas0047f_p>(QStringLiteral("BBAS0047F"));
    ASSERT_NE(f, nullptr);
    ReportCapture capture;

    Stampa(f, QString(), QString(), 0);
    EXPECT_EQ(offerti, (QStringList{"Sintetica", "Analitica", "Dettagliata"})) << "no projects";
    ASSERT_EQ(capture.Prints().size(), 1);
    EXPECT_EQ(Codici(capture.Last().Document), (QStringList{"ACQ", "R'E", "VEN"}));

    Stampa(f, QString(), QStringLiteral("R'E"), 0);
    ASSERT_EQ(capture.Prints().size(), 2);
    EXPECT_EQ(Codici(capture.Last().Document), (QStringList{"ACQ", "R'E"})) << "the quote is part of the code";

    Stampa(f, QString(), QStringLiteral("ACQ' OR '1'='1"), 2);
    ASSERT_EQ(capture.Prints().size(), 3);
    EXPECT_TRUE(capture.Last().Document.Pages.first().HasText(QStringLiteral("Causali di magazzino - dettagliata")));
    EXPECT_EQ(Codici(capture.Last().Document), (QStringList{"ACQ"})) << "the code is compared, not run";
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastText().toStdString();

    // a cancelled dialog prints nothing
    Stampa(f, QString(), QString(), 1, true);
    EXPECT_EQ(capture.Prints().size(), 3);

    // with projects managed, the fourth layout
    f->GestioneProgetti = true;
    Stampa(f, QStringLiteral("VEN"), QStringLiteral("VEN"), 3);
    EXPECT_EQ(offerti.last(), QStringLiteral("Progetti"));
    ASSERT_EQ(capture.Prints().size(), 4);
    EXPECT_TRUE(capture.Last().Document.Pages.first().HasText(QStringLiteral("Causali di magazzino - progetti")));
}

TEST_F(Causali, ListPrintAsAPdf)
{
    auto *f = Apri<TFBBas0047f_p>(QStringLiteral("BBAS0047F"));
    ASSERT_NE(f, nullptr);
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    qputenv("KV8_PRINT_DIR", cartella.path().toLocal8Bit());
    Stampa(f, QStringLiteral("A"), QStringLiteral("VEN"), 1);
    qunsetenv("KV8_PRINT_DIR");
    const QStringList pdf = QDir(cartella.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    ASSERT_EQ(pdf.size(), 1) << script.LastText().toStdString();
    QFile file(QDir(cartella.path()).filePath(pdf.first()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5).startsWith("%PDF"));
}

// The host's multi-selection: the rows of its table under its fixed condition, the codes
// already chosen ticked, the new choice answered as a count and a text of quoted codes, and a
// cancel that changes nothing.
#include "host/ui/SelezioneMultipla.h"
#include "tests/support/ui/UiScript.h"
#include "tests/support/ui/WindowDriver.h"

#include <QHeaderView>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace kv8test;

namespace {

class SelezioneMultipla : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!company.Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
        const char *righe[][3] = {{"ROSSI", "Vini rossi", "0"},
                                  {"BIANCHI", "Vini bianchi", "0"},
                                  {"D'OC", "Vini d'oc", "0"},
                                  {"VECCHIA", "Fuori uso", "1"}};
        for (auto &r : righe)
            company.Database().ExecSQL(
                QStringLiteral("INSERT INTO CategorieMerc (IdCategoria, DsCategoria, FlUtilizzo) VALUES (?, ?, ?)"),
                {QString::fromLatin1(r[0]), QString::fromLatin1(r[1]), QString::fromLatin1(r[2]).toInt()});
        selezione.Tabella = QStringLiteral("CategorieMerc");
        selezione.CampoChiave = QStringLiteral("IdCategoria");
        selezione.Filtro = QStringLiteral("FlUtilizzo = 0");
        selezione.Titolo = QStringLiteral("Categorie Merceologiche");
        selezione.Colonne = {{QStringLiteral("IdCategoria"), QStringLiteral("Codice"), 50},
                             {QStringLiteral("DsCategoria"), QStringLiteral("Descrizione"), 300}};
    }

    UiCompany company;
    UiScript script;
    Dlgselmulti::TSelezioneMultipla selezione;
};

// The rows listed: "code/description/ticked".
QStringList Elenco(const TfdlgSelezioneMultipla &d)
{
    QStringList out;
    for (int i = 0; i < d.lvLista->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = d.lvLista->topLevelItem(i);
        out << item->text(0) + QLatin1Char('/') + item->text(1) + QLatin1Char('/')
                   + (item->checkState(0) == Qt::Checked ? QStringLiteral("x") : QString());
    }
    return out;
}

} // namespace

TEST_F(SelezioneMultipla, ListsTheRowsAndAnswersTheCodesQuoted)
{
    QStringList elencate;
    QString titolo;
    QStringList colonne;
    script.OnDialog(QStringLiteral("TfdlgSelezioneMultipla"), [&](TForm &f) {
        auto &d = static_cast<TfdlgSelezioneMultipla &>(f);
        elencate = Elenco(d);
        titolo = d.windowTitle();
        for (int i = 0; i < d.lvLista->columnCount(); ++i)
            colonne << d.lvLista->headerItem()->text(i) + QLatin1Char('/') + QString::number(d.lvLista->columnWidth(i));
        d.lvLista->topLevelItem(1)->setCheckState(0, Qt::Checked); // D'OC
        d.lvLista->topLevelItem(2)->setCheckState(0, Qt::Checked); // ROSSI
        d.btOk->click();
        return int(mrNone);
    });
    ASSERT_TRUE(Dlgselmulti::Seleziona(nullptr, selezione));
    EXPECT_EQ(titolo, QStringLiteral("Categorie Merceologiche"));
    EXPECT_EQ(colonne, (QStringList{"Codice/74", "Descrizione/300"})) << "the code beside its check box";
    EXPECT_EQ(elencate, (QStringList{"BIANCHI/Vini bianchi/", "D'OC/Vini d'oc/", "ROSSI/Vini rossi/"}))
        << "in code order, the unused row left out";
    EXPECT_EQ(selezione.Numero, 2);
    EXPECT_EQ(selezione.Codici, QStringLiteral("'D''OC','ROSSI'"));
    EXPECT_TRUE(selezione.Contiene(QStringLiteral("D'OC")));
    EXPECT_TRUE(selezione.Contiene(QStringLiteral("ROSSI")));
    EXPECT_FALSE(selezione.Contiene(QStringLiteral("OC")));
    EXPECT_FALSE(selezione.Contiene(QStringLiteral("BIANCHI")));
}

TEST_F(SelezioneMultipla, TheChoiceIsShownAgainAndACancelKeepsIt)
{
    selezione.Numero = 1;
    selezione.Codici = QStringLiteral("'ROSSI'");
    QStringList elencate;
    script.OnDialog(QStringLiteral("TfdlgSelezioneMultipla"), [&](TForm &f) {
        auto &d = static_cast<TfdlgSelezioneMultipla &>(f);
        elencate = Elenco(d);
        d.SelezionaTutti(true);
        return int(mrCancel);
    });
    EXPECT_FALSE(Dlgselmulti::Seleziona(nullptr, selezione));
    EXPECT_EQ(elencate, (QStringList{"BIANCHI/Vini bianchi/", "D'OC/Vini d'oc/", "ROSSI/Vini rossi/x"}));
    EXPECT_EQ(selezione.Numero, 1);
    EXPECT_EQ(selezione.Codici, QStringLiteral("'ROSSI'"));

    script.OnDialog(QStringLiteral("TfdlgSelezioneMultipla"), [](TForm &f) {
        auto &d = static_cast<TfdlgSelezioneMultipla &>(f);
        d.SelezionaTutti(false);
        d.btOk->click();
        return int(mrNone);
    });
    ASSERT_TRUE(Dlgselmulti::Seleziona(nullptr, selezione));
    EXPECT_EQ(selezione.Numero, 0);
    EXPECT_TRUE(selezione.Codici.isEmpty());
    selezione.Codici = QStringLiteral("'A'");
    selezione.Pulisci();
    EXPECT_FALSE(selezione.Contiene(QStringLiteral("A")));
}

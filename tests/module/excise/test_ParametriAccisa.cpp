// The excise parameters and the protocol counters windows opened from their menu codes: the
// single parameters row, the switch of the excise area, the counters kept by hand.
#include "tests/module/excise/AccisaFixture.h"

#include "host/ui/DBControls.h"
#include "registers/Qarn0400f.h"
#include "registers/Qarn0802f.h"

#include <QComboBox>

using namespace kv8test;

TEST_F(Accisa, TheParametersRowIsMadeAtTheFirstOpeningAndKeptSingle)
{
    auto *f = Apri<TFqarn0400f>(QStringLiteral("QARN0400F"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Parametri Accisa"));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdCodice, CodAccisa FROM LUMO_ParAcc")), QStringList{"1/"});
    Premi(f, nbEdit);
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edCodAccisa"), QStringLiteral("IT00ABC123")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edNoteChiusura1"), QStringLiteral("Vino DOC")));
    Premi(f, nbPost);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdCodice, CodAccisa, NoteChiusura1 FROM LUMO_ParAcc")),
              QStringList{"1/IT00ABC123/Vino DOC"});
    // a second row would take the same key: refused, the stored one stays
    Premi(f, nbInsert);
    Scrivi(f, QStringLiteral("edCodAccisa"), QStringLiteral("ALTRO"));
    Premi(f, nbPost);
    EXPECT_TRUE(script.Shown(QStringLiteral("I parametri accisa esistono già: modificare quelli presenti.")))
        << script.Texts().join('|').toStdString();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdCodice, CodAccisa FROM LUMO_ParAcc")), QStringList{"1/IT00ABC123"});
    f->tMain->Cancel();
    f->Close();
    ProcessEvents();
    // a second opening finds the row
    auto *g = Apri<TFqarn0400f>(QStringLiteral("QARN0400F"));
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->tMain->FieldByName(QStringLiteral("CodAccisa"))->AsString(), QStringLiteral("IT00ABC123"));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ParAcc")), 1);
}

TEST_F(Accisa, TheExciseWindowsFollowTheirSwitch)
{
    Parametri(0);
    for (const QString &codice : {QStringLiteral("QARN0400F"), QStringLiteral("QARN0401D"), QStringLiteral("QARN0402D"),
                                  QStringLiteral("QARN0403F"), QStringLiteral("QARN0404D")})
        EXPECT_EQ(main->MenuChoice(codice), nullptr) << codice.toStdString();
    EXPECT_NE(Apri<TFqarn0802f>(QStringLiteral("QARN0802F")), nullptr) << "the counters have no switch";
}

TEST_F(Accisa, TheCountersAreKeptByHand)
{
    Esegui(QStringLiteral("INSERT INTO LUMO_Protocolli (TipoDoc, Anno, Serie, Protocollo) VALUES (0, 2026, 2, 1250)"));
    Esegui(QStringLiteral("INSERT INTO LUMO_Protocolli (TipoDoc, Anno, Serie, Protocollo) VALUES (0, 2025, 1, 88)"));
    auto *f = Apri<TFqarn0802f>(QStringLiteral("QARN0802F"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Manutenzione Contatore Protocolli"));
    f->tMain->First();
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("Anno"))->AsInteger(), 2025) << "in kind, year, series order";
    auto *tipo = f->Control<QComboBox>(QStringLiteral("cbTipoDoc"));
    ASSERT_NE(tipo, nullptr);
    EXPECT_GE(tipo->findText(QStringLiteral("Documento accise (D.A.A.)")), 0);
    f->tMain->Last();
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("Protocollo"))->DisplayText(), QStringLiteral("1.250"));
    Premi(f, nbEdit);
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edProtocollo"), QStringLiteral("1300")));
    Premi(f, nbPost);
    EXPECT_EQ(Contatore(2026, 2), 1300);
    // the next document of that year and series follows the number set by hand
    Documento(1, 10, 2026, 2, 1, QStringLiteral("C1"));
    Riga(1, 101, 10, QStringLiteral("VINO"), 1, 1, 1, 0.75);
    Genera(1);
    EXPECT_EQ(Teste(), QStringList{"2026/2/1301/1/10/C1/0"});
}

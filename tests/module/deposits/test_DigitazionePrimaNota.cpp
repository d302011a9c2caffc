// Typing over a stored movement's row in the deposit journal, with the keys the user
// presses: the quantity typed replaces the stored one, in the row and on the cards.
#include "tests/module/deposits/DepositiFixture.h"

#include "deposits/Qarn0204f.h"
#include "host/business/Dmibbas.h"
#include "host/ui/DBControls.h"

#include <QTest>

using namespace kv8test;

TEST_F(Depositi, TypingOverAStoredRowsQuantityInTheJournalReplacesIt)
{
    Listino(QStringLiteral("L01"), QStringLiteral("EUR"), {{QStringLiteral("CAS"), 2.5}});
    auto *f = Apri<TFqarn0204f>(QStringLiteral("QARN0204F"));
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    f->tMain->FieldByName(QStringLiteral("DataReg"))->SetAsDateTime(QDateTime(QDate(2026, 3, 2), QTime(0, 0)));
    f->tMain->FieldByName(QStringLiteral("IdContoTp"))->SetAsString(QStringLiteral("CL"));
    f->tMain->FieldByName(QStringLiteral("IdConto"))->SetAsString(QStringLiteral("C001"));
    f->tMain->FieldByName(QStringLiteral("IdListino"))->SetAsString(QStringLiteral("L01"));
    f->TTDettaglio->Append();
    f->TTDettaglio->FieldByName(QStringLiteral("IdImballo"))->SetAsString(QStringLiteral("CAS"));
    f->TTDettaglio->FieldByName(QStringLiteral("QtaCar"))->SetAsFloat(24);
    f->TTDettaglio->Post();
    const int chiave = f->tMain->FieldByName(QStringLiteral("KContaT"))->AsInteger();
    script.Yes(Registrazione);
    Premi(f, nbPost);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    ASSERT_DOUBLE_EQ(
        Scheda(QStringLiteral("CL"), QStringLiteral("C001"), 0, 1, QStringLiteral("CAS"), QStringLiteral("ProgQtaCar")),
        24);

    // the stored movement found again and changed: its row's quantity entered with Tab
    TDMIBbas::Crea()->ApriTabella(f->tMain, QStringLiteral("KContaT <> -1"), QStringLiteral("DataReg DESC"));
    ASSERT_TRUE(f->tMain->Locate(QStringLiteral("KContaT"), chiave));
    Premi(f, nbEdit);
    ASSERT_EQ(f->tMain->State(), dsEdit);
    ASSERT_TRUE(f->TTDettaglio->Locate(QStringLiteral("IdImballo"), QStringLiteral("CAS")));
    auto *quantita = f->Control<TDBEdit>(QStringLiteral("edQtaCar"));
    Focus(f->Control<TDBEdit>(QStringLiteral("edIdImballo")));
    FocusNext(quantita);
    ASSERT_EQ(quantita->selectedText(), quantita->text());
    QTest::keyClicks(quantita, QStringLiteral("30"));
    FocusNext(f->Control<TDBEdit>(QStringLiteral("edQtaRes")));
    EXPECT_DOUBLE_EQ(f->TTDettaglio->FieldByName(QStringLiteral("QtaCar"))->AsFloat(), 30);
    script.Yes(Registrazione);
    Premi(f, nbPost);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauR"), QStringLiteral("KContaT = ?"), {chiave}), 1);
    EXPECT_DOUBLE_EQ(company.Database()
                         .ScalarValue(QStringLiteral("SELECT QtaCar FROM LUMO_MovCauR WHERE KContaT = ?"), {chiave})
                         .toDouble(),
                     30);
    EXPECT_DOUBLE_EQ(
        Scheda(QStringLiteral("CL"), QStringLiteral("C001"), 0, 1, QStringLiteral("CAS"), QStringLiteral("ProgQtaCar")),
        30);
}

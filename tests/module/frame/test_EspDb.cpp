// The bill-of-materials dialog: what it leaves in UT_LMQ_ParEspDB for each way it is closed.
#include "frame/Lumo_dlgEspDb.h"
#include "tests/support/ui/UiScript.h"

#include <QGroupBox>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// Creates the dialog as the expanding window does, shows it modally with the driver, frees it.
int Espandi(kv8test::UiScript &script, const std::function<int(Tflumo_dlgEspDb &)> &driver)
{
    script.OnDialog(QStringLiteral("Tflumo_dlgEspDb"), [&driver](TForm &form) {
        auto *d = qobject_cast<Tflumo_dlgEspDb *>(&form);
        return d ? driver(*d) : int(mrCancel);
    });
    std::unique_ptr<Tflumo_dlgEspDb> dlg(CreateObjectAs<Tflumo_dlgEspDb>(ClassRef::Of<Tflumo_dlgEspDb>(), nullptr));
    return dlg->ShowModal();
}

TEST(EspDb, OkWithoutChangesGivesTotalQuantity)
{
    kv8test::UiScript script;
    UT_LMQ_ParEspDB.FlTipoCalc = 2;
    const int risultato = Espandi(script, [](Tflumo_dlgEspDb &d) {
        EXPECT_EQ(d.Caption(), QStringLiteral("Richiesta dati per Distinta Base"));
        EXPECT_EQ(d.RadioGroup1->title(), QStringLiteral("Tipo Calcolo Quantità del P.F."));
        EXPECT_TRUE(d.rbBot->isChecked());
        EXPECT_EQ(d.rbCon->text(), QStringLiteral("Numero Confezioni"));
        EXPECT_EQ(d.rbImb->text(), QStringLiteral("Quantità Imballo"));
        EXPECT_FALSE(d.btAnnulla->isVisibleTo(&d)) << "the dialog offers no cancel";
        EXPECT_EQ(UT_LMQ_ParEspDB.FlTipoCalc, 0) << "reset when the dialog is created";
        d.btOk->click();
        return int(mrOk);
    });
    EXPECT_EQ(risultato, int(mrOk));
    EXPECT_EQ(UT_LMQ_ParEspDB.FlTipoCalc, 0);
}

TEST(EspDb, LastChoiceBeforeOkCounts)
{
    kv8test::UiScript script;
    Espandi(script, [](Tflumo_dlgEspDb &d) {
        d.rbCon->click();
        d.rbImb->click();
        d.btOk->click();
        return int(mrOk);
    });
    EXPECT_EQ(UT_LMQ_ParEspDB.FlTipoCalc, 2);
    Espandi(script, [](Tflumo_dlgEspDb &d) {
        d.rbCon->click();
        d.btOk->click();
        return int(mrOk);
    });
    EXPECT_EQ(UT_LMQ_ParEspDB.FlTipoCalc, 1);
}

TEST(EspDb, ClosingWithoutOkLeavesTotalQuantity)
{
    kv8test::UiScript script;
    UT_LMQ_ParEspDB.FlTipoCalc = 1;
    Espandi(script, [](Tflumo_dlgEspDb &d) {
        d.rbImb->click();
        d.Close(); // the close box
        return int(mrCancel);
    });
    EXPECT_EQ(UT_LMQ_ParEspDB.FlTipoCalc, 0);
    EXPECT_TRUE(script.Messages().isEmpty());
}

} // namespace

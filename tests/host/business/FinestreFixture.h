#pragma once
// Driving the host's master-data windows: a company database (empty, or the demo company),
// the host's menu choices installed, a main window, the message script, and the user's
// gestures on controls, navigator buttons and pages.
#include "host/business/SceltaBbas.h"
#include "host/db/ConfigStore.h"
#include "host/db/SchemaInstaller.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBNavigator.h"
#include "host/ui/Dbchild.h"
#include "host/ui/WindowFactory.h"
#include "tests/host/core/Printers.h"
#include "tests/support/ui/FinestreHost.h"

#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

class Finestre : public FinestreHost {
protected:
    void SetUp() override
    {
        FinestreHost::SetUp();
        if (IsSkipped())
            return;
        SceltaBbas::Registra();
        main = std::make_unique<kv8test::TestMainWindow>();
    }
    void CaricaDemo()
    {
        SchemaInstaller().LoadDemo(company.Database());
        ConfigStore::Load(company.Database());
    }

    // The window a menu code opens, of the class expected.
    template <class T = TFDBTabChild> T *Apri(const QString &code) { return FinestreHost::Apri<T>(code); }

    // Shows the page holding a control, as the user clicking its tab.
    static void MostraPaginaDi(TFDBTabChild *f, QWidget *controllo) { kv8test::ShowPageOf(f->PageControl, controllo); }

    // Replaces the text of an edit as the user does; false when the field refused it.
    static bool Scrivi(TFDBTabChild *f, const QString &controllo, const QString &testo)
    {
        auto *edit = f->Control<TDBEdit>(controllo);
        MostraPaginaDi(f, edit);
        return kv8test::ReplaceText(edit, testo);
    }

    static void Scegli(TFDBTabChild *f, const QString &controllo, const QVariant &valore)
    {
        auto *combo = f->Control<TDBComboBox>(controllo);
        MostraPaginaDi(f, combo);
        EXPECT_TRUE(combo->SelectValue(valore)) << controllo.toStdString();
    }

    static void Premi(TFDBChild *f, TNavigateBtn pulsante)
    {
        f->DBNavigator->Button(pulsante)->click();
        kv8test::ProcessEvents();
    }
};

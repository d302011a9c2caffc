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
#include "tests/support/ui/UiScript.h"
#include "tests/support/ui/WindowDriver.h"

#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

class Finestre : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!company.Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
        SceltaBbas::Registra();
        main = std::make_unique<kv8test::TestMainWindow>();
    }
    void TearDown() override
    {
        main.reset();
        HostMenu::Clear();
    }

    void CaricaDemo()
    {
        SchemaInstaller().LoadDemo(company.Database());
        ConfigStore::Load(company.Database());
    }

    // The window a menu code opens, of the class expected.
    template <class T = TFDBTabChild>
    T *Apri(const QString &code)
    {
        TForm *form = main->MenuChoice(code);
        T *typed = qobject_cast<T *>(form);
        EXPECT_NE(typed, nullptr) << code.toStdString() << " opened "
                                  << (form ? form->metaObject()->className() : "nothing");
        return typed;
    }

    // Shows the page holding a control, as the user clicking its tab.
    static void MostraPaginaDi(TFDBTabChild *f, QWidget *controllo)
    {
        for (QWidget *w = controllo; w; w = w->parentWidget())
            if (f->PageControl->indexOf(w) >= 0) {
                f->PageControl->setCurrentWidget(w);
                kv8test::ProcessEvents();
                return;
            }
    }

    // Replaces the text of an edit as the user does; false when the field refused it.
    static bool Scrivi(TFDBTabChild *f, const QString &controllo, const QString &testo)
    {
        auto *edit = f->Control<TDBEdit>(controllo);
        MostraPaginaDi(f, edit);
        kv8test::Focus(edit);
        edit->selectAll();
        if (testo.isEmpty())
            kv8test::PressKey(edit, Qt::Key_Delete);
        else
            kv8test::TypeText(edit, testo);
        return edit->Commit();
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

    QVariant Valore(const QString &sql, const QVariantList &valori = {})
    {
        return company.Database().ScalarValue(sql, valori);
    }
    int Conta(const QString &tabella, const QString &condizione = QStringLiteral("1 = 1"), const QVariantList &valori = {})
    {
        return Valore(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(tabella, condizione), valori).toInt();
    }

    kv8test::UiCompany company;
    kv8test::UiScript script;
    std::unique_ptr<kv8test::TestMainWindow> main;
};

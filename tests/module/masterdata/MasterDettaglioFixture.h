#pragma once
// Master/detail windows of the module opened as the running program opens them (the menu
// choice goes to EseguiScelta), with the message script, the user's gestures on navigators,
// edits and keys, and the rows of a buffer read with their states.
#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "host/data/TXTable.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBNavigator.h"
#include "host/ui/MDIForm.h"
#include "host/ui/ModuleAbi.h"
#include "host/ui/WindowFactory.h"
#include "masterdata/Lumo_MasterDettaglio.h"
#include "tests/host/core/Printers.h"
#include "tests/support/ui/UiScript.h"
#include "tests/support/ui/WindowDriver.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

class MasterDettaglio : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!company.Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
        Application->DestroyComponents(); // the module's data modules of an earlier test
        Initialize();                     // the module's classes in the host's place, as when the program loads it
        UT_LMQ_Parametri = {};
        main = std::make_unique<kv8test::TestMainWindow>([](const QString &code) {
            if (!EseguiScelta(Mdimainbase::MDIForm, reinterpret_cast<const char16_t *>(code.utf16())))
                HostMenu::Esegui(code);
        });
    }
    void TearDown() override
    {
        main.reset();
        UT_LMQ_Parametri = {};
    }

    template <class T> T *Apri(const QString &code) { return main->Open<T>(code); }

    // A head navigator button pressed by the user (its errors are shown, not thrown).
    static void Premi(TFDBChild *f, TNavigateBtn pulsante)
    {
        f->DBNavigator->Button(pulsante)->click();
        kv8test::ProcessEvents();
    }
    // A key pressed in the window, on the control given.
    static void Tasto(QWidget *controllo, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        kv8test::Focus(controllo);
        kv8test::PressKey(controllo, key, modifiers);
    }
    // Replaces the text of an edit as the user does; false when the field refused it.
    static bool Scrivi(TForm *f, const QString &controllo, const QString &testo)
    {
        return kv8test::ReplaceText(f->Control<TDBEdit>(controllo), testo);
    }

    // The buffer's rows, visible ones only unless tutte: "field/field/.../Stato" per row.
    static QStringList Righe(TLumoBufferRighe *b, const QString &campi, bool tutte = false)
    {
        TXTable *t = b->TTBuffer;
        const bool filtrato = t->Filtered();
        const TBookmark posto = t->GetBookmark();
        if (tutte && filtrato)
            t->SetFiltered(false);
        QStringList out;
        for (t->First(); !t->Eof(); t->Next()) {
            QStringList r;
            for (TField *f : t->GetFieldList(campi))
                r << f->AsString();
            r << QString::number(b->Stato());
            out << r.join(QLatin1Char('/'));
        }
        if (tutte && filtrato)
            t->SetFiltered(true);
        if (t->BookmarkValid(posto))
            t->GotoBookmark(posto);
        return out;
    }

    void Esegui(const QString &sql, const QVariantList &valori = {}) { company.Database().ExecSQL(sql, valori); }
    int Conta(const QString &tabella, const QString &condizione = QStringLiteral("1 = 1"),
              const QVariantList &valori = {})
    {
        return company.Database()
            .ScalarValue(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(tabella, condizione), valori)
            .toInt();
    }
    // The rows of a statement, columns joined by "/", in the statement's order.
    QStringList Elenco(const QString &sql, const QVariantList &valori = {})
    {
        QSqlQuery q = company.Database().OpenQuery(sql, valori);
        QStringList out;
        while (q.next()) {
            QStringList r;
            for (int i = 0; i < q.record().count(); ++i)
                r << q.value(i).toString();
            out << r.join(QLatin1Char('/'));
        }
        return out;
    }

    // The company's SQLite file can grow by a few pages more (libere), then the disk is full:
    // rewritten in small pages without free ones, so that the writes of a job need pages of
    // their own (the engine then ends the open transaction).
    void DiscoPieno(int libere = 0)
    {
        QSqlQuery q(company.Database().Connection());
        for (const char *istruzione : {"PRAGMA journal_mode=DELETE", "PRAGMA page_size=512", "VACUUM",
                                       "PRAGMA journal_mode=WAL", "PRAGMA page_count"}) {
            ASSERT_TRUE(q.exec(QLatin1String(istruzione))) << istruzione << ": " << q.lastError().text().toStdString();
            q.next();
        }
        const qint64 pagine = q.value(0).toLongLong() + libere;
        q.finish();
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pagine)) && q.next());
        ASSERT_EQ(q.value(0).toLongLong(), pagine);
    }
    // The last message shown is an error saying the disk is full.
    void DettoDiscoPieno() const
    {
        ASSERT_FALSE(script.Messages().isEmpty());
        const kv8test::ShownMessage &m = script.Messages().last();
        EXPECT_EQ(m.Type, mtError) << m.Text.toStdString();
        EXPECT_TRUE(m.Text.contains(
            QStringLiteral("Il disco del database %1 è pieno").arg(company.Database().Connection().databaseName())))
            << m.Text.toStdString();
    }

    kv8test::UiCompany company;
    kv8test::UiScript script;
    std::unique_ptr<kv8test::TestMainWindow> main;
};

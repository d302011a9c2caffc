#pragma once
// The module's code-table windows reached through EseguiScelta on a fresh company database:
// what each window is (code, caption, table, code and description columns, labels, print),
// and the user's gestures on their controls and navigator.
#include "frame/Dusaria.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/ui/DBControls.h"
#include "host/ui/Dbchild.h"
#include "host/ui/MDIForm.h"
#include "host/ui/ModuleAbi.h"
#include "tests/host/core/Printers.h"
#include "tests/support/ui/UiScript.h"
#include "tests/support/ui/WindowDriver.h"

#include <QApplication>
#include <QLabel>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

struct TCodici {
    const char *Codice;     // menu code
    const char *Classe;     // window class
    const char *Didascalia; // caption
    const char *Tabella;
    const char *Campo;       // code column
    const char *Descrizione; // description column
    const char *Etichetta;   // label of the code edit
    const char *Stampa;      // print class
    const char *Titolo;      // print title
    bool Intero;             // code edit with the integer format
    bool Ordinata;           // rows in code order
    bool Schede;             // list and detail pages
};

inline const TCodici Codici[] = {
    {"QARN0002F", "TFqarn0002f", "Anagrafica Bottiglie / Contenitori", "LUMO_Bottiglie", "IdBottiglia", "DsBottiglia",
     "Codice Bottiglia:", "Tfqarn0002s", "Anagrafica Bottiglie / Contenitori", true, true, true},
    {"QARN0003F", "TFqarn0003f", "Anagrafica Qualità Colori", "LUMO_Colori", "IdColore", "DsColore",
     "Codice Colore:", "Tfqarn0003s", "Colori", true, true, true},
    {"QARN0004F", "TFqarn0004f", "Anagrafica Vasche", "LUMO_Vasche", "IdVasca", "DsVasca",
     "Codice Vasca:", "Tfqarn0004s", "Anagrafica Vasche", true, true, false},
    {"QARN0005F", "TFqarn0005f", "Categorie Vinicole", "LUMO_CatVin", "IdCatVin", "DsCatVin",
     "Codice Categoria:", "Tfqarn0005s", "Categorie Vinicole", true, true, true},
    {"QARN0006F", "TFqarn0006f", "Natura Prodotti", "LUMO_Natura", "IdNatura", "DsNatura",
     "Codice Natura:", "Tfqarn0006s", "Natura Prodotti", true, true, true},
    {"QARN0007F", "TFqarn0007f", "Contrassegni Iva", "LUMO_ConIva", "IdConIva", "DsConIva",
     "Codice Contrassegno:", "Tfqarn0007s", "Contrassegni Iva", false, true, true},
    {"QARN0010F", "TFqarn0010f", "Specifica / Denominazione Prodotto", "LUMO_Specifica", "IdSpecifica", "DsSpecifica",
     "Codice Specifica:", "Tfqarn0010s", "Specifica / Denominazione Prodotti", true, true, true},
    {"QARN0011F", "TFqarn0011f", "Zona di Produzione", "LUMO_ZonaProd", "IdZonaProd", "DsZonaProd",
     "Codice Zona:", "Tfqarn0011s", "Zone di Produzione / Provenienza", true, false, true},
    {"QARN0012F", "TFqarn0012f", "Regioni di Produzione/Provenienza", "LUMO_Regioni", "IdRegione", "DsRegione",
     "Codice regione:", "Tfqarn0012s", "Regioni di Produzione / Provenienza", true, true, true},
    {"QARN0013F", "TFqarn0013f", "Tipologie del Vino", "LUMO_Tipologie", "IdTipologia", "DsTipologia",
     "Tipologia del vino:", "Tfqarn0013s", "Tipologie del Vino", true, true, true},
};

inline QString L(const char *text)
{
    return QString::fromUtf8(text);
}

class CodiciTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!company.Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
        Application->DestroyComponents();
        Initialize(); // as when the program loads the module
        main = std::make_unique<kv8test::TestMainWindow>();
    }
    void TearDown() override
    {
        main.reset();
        Application->DestroyComponents();
    }

    // The window a menu code opens (held in its global reference), of its class.
    TFDBChild *Apri(const QString &codice, const QString &classe)
    {
        EXPECT_TRUE(EseguiScelta(main->Window(), reinterpret_cast<const char16_t *>(codice.utf16())))
            << codice.toStdString() << ": " << script.LastText().toStdString();
        kv8test::ProcessEvents();
        return Finestra(classe);
    }
    TFDBChild *Apri(const TCodici &c) { return Apri(L(c.Codice), L(c.Classe)); }
    static TFDBChild *Finestra(const QString &classe)
    {
        const Dusaria::TClasseModulo *voce = Dusaria::ClasseModulo(classe);
        if (!voce || !voce->IsFinestra())
            return nullptr;
        return qobject_cast<TFDBChild *>(voce->Finestra());
    }
    static TXTable *Tabella(TFDBChild *f) { return qobject_cast<TXTable *>(f->MainDataSet()); }

    // Shows the page holding a control, as the user clicking its tab.
    static void MostraPaginaDi(TFDBChild *f, QWidget *controllo)
    {
        if (auto *schede = qobject_cast<TFDBTabChild *>(f))
            kv8test::ShowPageOf(schede->PageControl, controllo);
    }
    // Replaces the text of an edit as the user does; false when the field refused it.
    static bool Scrivi(TFDBChild *f, const QString &controllo, const QString &testo)
    {
        auto *edit = f->Control<TDBEdit>(controllo);
        MostraPaginaDi(f, edit);
        return kv8test::ReplaceText(edit, testo);
    }
    static void Spunta(TFDBChild *f, const QString &controllo, bool spuntato)
    {
        auto *check = f->Control<TDBCheckBox>(controllo);
        MostraPaginaDi(f, check);
        if (check->isChecked() != spuntato)
            check->click();
        kv8test::ProcessEvents();
    }
    static void Premi(TFDBChild *f, TNavigateBtn pulsante)
    {
        f->DBNavigator->Button(pulsante)->click();
        kv8test::ProcessEvents();
    }

    TXDatabase &Db() { return company.Database(); }
    QVariant Valore(const QString &sql, const QVariantList &valori = {}) { return Db().ScalarValue(sql, valori); }
    int Conta(const QString &tabella, const QString &condizione = QStringLiteral("1 = 1"),
              const QVariantList &valori = {})
    {
        return Valore(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(tabella, condizione), valori).toInt();
    }

    kv8test::UiCompany company;
    kv8test::UiScript script;
    std::unique_ptr<kv8test::TestMainWindow> main;
};

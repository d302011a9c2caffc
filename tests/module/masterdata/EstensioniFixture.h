#pragma once
// The module's extensions of the host's master-data windows, opened as the running program
// opens them: every menu choice goes to the module's EseguiScelta first and to the host's own
// menu only when the module leaves it. The parameter row is written before each choice.
#include "frame/Dmilumo.h"
#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "host/ui/MDIForm.h"
#include "tests/host/business/FinestreFixture.h"

#include <QVariantMap>

class Estensioni : public Finestre {
protected:
    void SetUp() override
    {
        Finestre::SetUp();
        if (IsSkipped())
            return;
        main.reset();
        Application->DestroyComponents(); // no shared data module yet
        UT_LMQ_Parametri = {};
        main = std::make_unique<kv8test::TestMainWindow>([](const QString &code) {
            if (!EseguiScelta(Mdimainbase::MDIForm, reinterpret_cast<const char16_t *>(code.utf16())))
                HostMenu::Esegui(code);
        });
    }
    void TearDown() override
    {
        Finestre::TearDown();
        UT_LMQ_Parametri = {};
    }

    // The parameter row "1" with these switches (every other column 0); read at the next
    // menu choice.
    void Parametri(const QVariantMap &valori)
    {
        TXDatabase &db = company.Database();
        db.ExecSQL(QStringLiteral("DELETE FROM LUMO_Parametri"));
        QStringList colonne{QStringLiteral("IdCodice")};
        QStringList segni{QStringLiteral("?")};
        QVariantList dati{QStringLiteral("1")};
        for (auto it = valori.begin(); it != valori.end(); ++it) {
            colonne << it.key();
            segni << QStringLiteral("?");
            dati << it.value();
        }
        db.ExecSQL(QStringLiteral("INSERT INTO LUMO_Parametri (%1) VALUES (%2)")
                       .arg(colonne.join(QLatin1String(", ")), segni.join(QLatin1String(", "))),
                   dati);
        if (DMILUMO)
            DMILUMO->lkLUMO_Parametri->Close();
    }
    // Every switch the windows read, on or off.
    void Tutti(int valore)
    {
        QVariantMap m;
        for (const char *c : {"FlAbilTrasporto", "FlAbilCauz", "FlAbilAccisa", "FlAbilSchedaPro", "FlStaRegCon",
                              "FlStaRegCs", "FlStaRegImb", "FlStaRegSpum", "FlAbilPrenota"})
            m.insert(QLatin1String(c), valore);
        Parametri(m);
    }

    void Esegui(const QString &sql, const QVariantList &valori = {}) { company.Database().ExecSQL(sql, valori); }

    // The captions of the window's visible pages, in order.
    static QStringList Pagine(TFDBTabChild *f)
    {
        QStringList out;
        for (int i = 0; i < f->PageControl->count(); ++i)
            if (f->PageControl->isTabVisible(i))
                out << f->PageControl->tabText(i);
        return out;
    }
    // The texts of a drop-down's items.
    static QStringList Voci(TFDBTabChild *f, const QString &nome)
    {
        auto *c = f->Control<QComboBox>(nome);
        QStringList out;
        for (int i = 0; i < c->count(); ++i)
            out << c->itemText(i);
        return out;
    }
    // Assigns a field in edit as a control would; the refusal's text, empty when accepted.
    static QString Assegna(TDataSet *d, const QString &campo, const QVariant &valore)
    {
        if (d->State() == dsBrowse)
            d->Edit();
        try {
            d->FieldByName(campo)->SetValue(valore);
        } catch (const Exception &e) {
            return e.Message;
        }
        return QString();
    }
};

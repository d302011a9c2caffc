#pragma once
// The module's demo company loaded for a test, its windows opened from the menu as the running
// program opens them, and the user's gestures on the job dialogs: fields typed, choices made,
// the job run and its prints collected, the messages shown checked.
#include "tests/module/masterdata/MasterDettaglioFixture.h"

#include "deposits/Lumo_fattcauz.h"
#include "host/core/Applvar.h"
#include "host/core/KV8Config.h"
#include "host/db/ConfigStore.h"
#include "host/db/SchemaInstaller.h"
#include "host/report/ReportOutput.h"
#include "host/ui/Dbchildpars.h"

#include <QDate>

class AziendaDemo : public MasterDettaglio {
protected:
    void SetUp() override
    {
        MasterDettaglio::SetUp();
        if (IsSkipped())
            return;
        SchemaInstaller().LoadDemo(company.Database());
        ConfigStore::Load(company.Database());
    }
    void TearDown() override
    {
        MasterDettaglio::TearDown();
        KV8Config::Clear();
        CFG = TCFG();
    }

    template <class T = TFDBChildPars> T *Lavoro(const QString &code) { return Apri<T>(code); }
    // An edit of the dialog typed over as the user does; the field must take it.
    static void Campo(TForm *f, const char *controllo, const QString &testo)
    {
        auto *edit = f->Control<TDBEdit>(QLatin1String(controllo));
        ASSERT_TRUE(edit->isEnabled()) << controllo << " is disabled";
        EXPECT_TRUE(kv8test::ReplaceText(edit, testo)) << controllo;
    }
    static void Data(TForm *f, const char *controllo, int anno, int mese, int giorno)
    {
        Campo(f, controllo, QDate(anno, mese, giorno).toString(QStringLiteral("dd/MM/yyyy")));
    }
    static void Scelta(TForm *f, const char *controllo, const QVariant &valore)
    {
        auto *combo = f->Control<TDBComboBox>(QLatin1String(controllo));
        kv8test::Focus(combo);
        EXPECT_TRUE(combo->SelectValue(valore)) << controllo;
    }
    // A deposit billing or credit-note dialog: the document's date, its causal and the list CAU.
    static void DocumentoCauzioni(TForm *f, const QDate &data, const QString &causale)
    {
        Data(f, "edDataDocumento", data.year(), data.month(), data.day());
        Campo(f, "edIdCausale", causale);
        Campo(f, "edIdListino", QStringLiteral("CAU"));
    }
    // The proposal of a deposit billing or credit-note dialog confirmed and its documents written.
    void Genera(TFCauzFatturazione *f)
    {
        script.Yes(QStringLiteral("Conferma Generazione Documenti "));
        f->btGenera->click();
        kv8test::ProcessEvents();
    }
    // The deposit billing of the demo's outstanding stock of 15 April, proposed and confirmed.
    void FatturazioneGiacenze()
    {
        auto *f = Lavoro<TFCauzFatturazione>(QStringLiteral("QARN0154D"));
        ASSERT_NE(f, nullptr);
        DocumentoCauzioni(f, QDate(2026, 4, 15), QStringLiteral("FCA"));
        Esegui(f);
        ASSERT_EQ(f->Pagina(), 1) << "nothing to bill";
        Genera(f);
    }
    static void Spunta(TForm *f, const char *controllo)
    {
        auto *check = f->Control<TDBCheckBox>(QLatin1String(controllo));
        kv8test::Focus(check);
        if (!check->isChecked())
            check->click();
        kv8test::ProcessEvents();
    }
    // A register's dialog with the warehouse grouping 1 and the period typed.
    TFDBChildPars *Registro(const QString &code, const QDate &da, const QDate &a)
    {
        auto *f = Lavoro(code);
        if (!f)
            return nullptr;
        Campo(f, "edIdRaggMag", QStringLiteral("1"));
        Data(f, "edDaData", da.year(), da.month(), da.day());
        Data(f, "edA_Data", a.year(), a.month(), a.day());
        return f;
    }
    // Runs the dialog; answers what it printed.
    static QList<ReportCapture::Print> Esegui(TFDBChildPars *f)
    {
        ReportCapture stampe;
        f->btEsegui->click();
        kv8test::ProcessEvents();
        return stampe.Prints();
    }
    // The results page of an analysis printed with its button.
    static QList<ReportCapture::Print> Stampa(TFDBChildPars *f)
    {
        auto *pagine = qobject_cast<TFDBChildParsPage *>(f);
        if (!pagine || pagine->Pagina() != 1) {
            ADD_FAILURE() << "no results";
            return {};
        }
        ReportCapture stampe;
        pagine->btStampa->click();
        kv8test::ProcessEvents();
        return stampe.Prints();
    }
    // A print of pages showing every text given.
    static void Stampato(const QList<ReportCapture::Print> &stampe, const QStringList &testi)
    {
        ASSERT_FALSE(stampe.isEmpty()) << "nothing printed";
        const ReportCapture::Print &p = stampe.last();
        const QString testo = p.IsText ? p.Text : p.Document.PlainText();
        EXPECT_TRUE(p.IsText || p.Document.PageCount() > 0) << p.Name.toStdString();
        for (const QString &t : testi)
            EXPECT_TRUE(testo.contains(t)) << t.toStdString() << " not printed in " << p.Name.toStdString() << " ("
                                           << p.Document.PageCount() << " pages):\n"
                                           << testo.left(3000).toStdString();
    }
    // Every message shown was one of these informations: no error, warning or refusal.
    void SoloMessaggi(const QStringList &ammessi)
    {
        for (const kv8test::ShownMessage &m : script.Messages()) {
            if (m.Question)
                continue;
            EXPECT_NE(m.Type, mtError) << m.Text.toStdString();
            EXPECT_NE(m.Type, mtWarning) << m.Text.toStdString();
            EXPECT_TRUE(ammessi.contains(m.Text)) << "unexpected message: " << m.Text.toStdString();
        }
    }
    QVariant Valore(const QString &sql, const QVariantList &valori = {})
    {
        return company.Database().ScalarValue(sql, valori);
    }
    // The deposit cards, one line per card.
    QStringList Schede()
    {
        return Elenco(QStringLiteral(
            "SELECT IdContoTp, IdConto, FlTipoScheda, IdDestinazione, IdImballo, IdDivisa, ProgQtaCar, ProgQtaRes, "
            "ProgValCar, ProgValRes, ProgQtaCarF, ProgQtaResF, ProgValCarF, ProgValResF, ProgQtaCarB, ProgQtaResB, "
            "ProgValCarB, ProgValResB, QtaCarEcc, QtaResEcc, EsiAttEcc FROM LUMO_ProgCauz "
            "ORDER BY IdContoTp, IdConto, FlTipoScheda, IdDestinazione, IdImballo"));
    }
};

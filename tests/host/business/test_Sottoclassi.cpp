// The host windows as another library extends them: subclasses that record their handlers,
// opened as that library's dispatcher opens them (InitForm after the window exists; the
// customer located by "IdContoTp;IdConto"), run after the host's step of each handler, add
// pages after the host's, and replace the print of the warehouse causals.
#include "tests/host/business/FinestreFixture.h"

#include "host/business/Fbbas0019f.h"
#include "host/business/Fbbas0030f.h"
#include "host/business/Fbbas0038f.h"
#include "host/business/Fbbas0039f.h"
#include "host/business/Fbbas0045f.h"
#include "host/business/Fbbas0047f.h"
#include "host/business/Fbbas0051f.h"
#include "host/business/Fbbas0052f.h"
#include "host/business/Fbbas0055f.h"
#include "host/business/Fbbas0058f.h"
#include "host/report/ReportOutput.h"
#include "host/ui/Dlgrptparam.h"

#include <QComboBox>
#include <QGridLayout>

using namespace kv8test;

namespace {

// The calls of every recorded handler, in order.
QStringList Chiamate;

class TArticoliEstesi : public TFbbas0055f {
    Q_OBJECT
public:
    using TFbbas0055f::TFbbas0055f;
    QWidget *tsVini = nullptr;
    void FormCreate() override
    {
        TFbbas0055f::FormCreate();
        Chiamate << QStringLiteral("FormCreate aperta=%1").arg(TArticoli->Active());
        tsVini = PageControl->AddPage(QStringLiteral("Dati Vini / Bibite"), QStringLiteral("tsVini"));
        SetCaption(Caption() + QStringLiteral(" (Prova)"));
        lbFlTipoMisure->setText(QStringLiteral("N. quantità prodotto:"));
    }
    bool InitForm() override
    {
        const bool esito = TFbbas0055f::InitForm();
        Chiamate << QStringLiteral("InitForm");
        return esito;
    }
    void TArticoliBeforePost(TDataSet *DataSet) override
    {
        TFbbas0055f::TArticoliBeforePost(DataSet);
        Chiamate << QStringLiteral("BeforePost ") + DataSet->FieldByName(QStringLiteral("IdProdotto"))->AsString();
    }
    void FormClose(TCloseAction &action) override
    {
        TFbbas0055f::FormClose(action);
        Chiamate << QStringLiteral("FormClose");
    }
};

class TClientiEstesi : public TFBbas0051f {
    Q_OBJECT
public:
    using TFBbas0051f::TFBbas0051f;
    void FormCreate() override
    {
        TFBbas0051f::FormCreate();
        Chiamate << QStringLiteral("FormCreate");
        PageControl->AddPage(QStringLiteral("Dati Vini/Bibite"), QStringLiteral("tsVini"));
        PageControl->AddPage(QStringLiteral("Prog.Cauzioni"), QStringLiteral("tsCauzioni"));
    }
    bool InitForm() override
    {
        const bool esito = TFBbas0051f::InitForm();
        Chiamate << QStringLiteral("InitForm");
        return esito;
    }
    void TMainAfterScroll(TDataSet *DataSet) override
    {
        TFBbas0051f::TMainAfterScroll(DataSet);
        Chiamate << QStringLiteral("AfterScroll %1 pulsante=%2")
                        .arg(DataSet->FieldByName(QStringLiteral("IdConto"))->AsString())
                        .arg(btDestinazioni->isEnabled());
    }
    void TMainBeforePost(TDataSet *DataSet) override
    {
        TFBbas0051f::TMainBeforePost(DataSet);
        Chiamate << QStringLiteral("BeforePost tipo=") + DataSet->FieldByName(QStringLiteral("IdContoTp"))->AsString();
    }
};

class TFornitoriEstesi : public TFBbas0052f {
    Q_OBJECT
public:
    using TFBbas0052f::TFBbas0052f;
    bool InitForm() override
    {
        const bool esito = TFBbas0052f::InitForm();
        Chiamate << QStringLiteral("InitForm %1").arg(TMain->RecordCount());
        return esito;
    }
    void TMainBeforePost(TDataSet *DataSet) override
    {
        TFBbas0052f::TMainBeforePost(DataSet);
        Chiamate << QStringLiteral("BeforePost");
    }
};

class TDestinazioniEstese : public TFBBas0058f {
    Q_OBJECT
public:
    using TFBBas0058f::TFBBas0058f;
    void FormCreate() override
    {
        TFBBas0058f::FormCreate();
        PageControl->AddPage(QStringLiteral("Accisa - DuSa"), QStringLiteral("tsAccisa"));
    }
    void tDestinazioniAfterScroll(TDataSet *DataSet) override
    {
        TFBBas0058f::tDestinazioniAfterScroll(DataSet);
        Chiamate << QStringLiteral("AfterScroll ") + DataSet->FieldByName(QStringLiteral("IdConto"))->AsString();
    }
    void tDestinazioniBeforePost(TDataSet *DataSet) override
    {
        TFBBas0058f::tDestinazioniBeforePost(DataSet);
        Chiamate
            << QStringLiteral("BeforePost %1").arg(DataSet->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger());
    }
};

class TImballiEstesi : public TFBBas0019f {
    Q_OBJECT
public:
    using TFBBas0019f::TFBBas0019f;
    void TImballiDsImballoChange(TField *Sender) override
    {
        TFBBas0019f::TImballiDsImballoChange(Sender);
        Chiamate << QStringLiteral("DsImballo ") + Sender->AsString();
        TField *breve = TImballi->FieldByName(QStringLiteral("UT_LMQ_DsDescDoc"));
        if (TImballi->State() == dsInsert && breve->AsString().isEmpty())
            breve->SetAsString(Sender->AsString().left(15));
    }
};

class TCausaliEstese : public TFBBas0047f {
    Q_OBJECT
public:
    using TFBBas0047f::TFBBas0047f;
    void XFormXStampa(bool preview) override
    {
        GestioneProgetti = true;
        TFBBas0047f::XFormXStampa(preview);
        Chiamate << QStringLiteral("XFormXStampa");
    }
};

template <class T> class TCausaliDocEstese : public T {
public:
    using T::T;
    void FormCreate() override
    {
        T::FormCreate();
        Chiamate << QStringLiteral("FormCreate ") + T::DSMain->DataSet()->Name();
        T::PageControl->AddPage(QStringLiteral("DuSa"), QStringLiteral("tsDuSa"));
    }
};

template <class T> ClassRef Estesa()
{
    return ClassRef(
        QString::fromLatin1(T::staticMetaObject.className()),
        [](QObject *owner) -> QObject * { return new TCausaliDocEstese<T>(qobject_cast<QWidget *>(owner)); },
        &T::staticMetaObject);
}

// The references the extending library keeps for its windows.
QPointer<TArticoliEstesi> ArticoliEstesi;
QPointer<TClientiEstesi> ClientiEstesi;
QPointer<TFornitoriEstesi> FornitoriEstesi;
QPointer<TDestinazioniEstese> DestinazioniEstese;
QPointer<TImballiEstesi> ImballiEstesi;
QPointer<TCausaliEstese> CausaliEstese;
QPointer<TFBbas0038f> CausaliDdt;
QPointer<TFBBas0039f> CausaliFatture;
QPointer<TFBbas0045f> CausaliFornitori;

// The extending library's dispatcher for these codes, as it opens the host's windows.
void Dispatcher(const QString &code)
{
    const QString base = code.section(QLatin1Char(';'), 0, 0);
    const bool chiave = code.contains(QLatin1Char(';'));
    const QString testo = code.section(QLatin1Char(';'), 1);
    if (base == QLatin1String("BBAS0055F")) {
        Funzioni::CreaFinestraProt(ClassRef::Of<TArticoliEstesi>(), ArticoliEstesi, taNormale);
        if (ArticoliEstesi)
            ArticoliEstesi->InitForm();
    } else if (base == QLatin1String("BBAS0051F")) {
        if (Funzioni::CreaFinestraProt(ClassRef::Of<TClientiEstesi>(), ClientiEstesi, taNormale)) {
            ClientiEstesi->InitForm();
            if (chiave)
                ClientiEstesi->FindDataSource(QStringLiteral("DSMain"))
                    ->DataSet()
                    ->Locate(QStringLiteral("IdContoTp;IdConto"), QVariantList{QStringLiteral("CL"), testo});
        }
    } else if (base == QLatin1String("BBAS0052F")) {
        Funzioni::CreaFinestraProt(ClassRef::Of<TFornitoriEstesi>(), FornitoriEstesi, taNormale);
        if (FornitoriEstesi)
            FornitoriEstesi->InitForm();
    } else if (base == QLatin1String("BBAS0058F")) {
        Funzioni::CreaFinestraProt(ClassRef::Of<TDestinazioniEstese>(), DestinazioniEstese, taNormale);
        if (DestinazioniEstese && chiave)
            DestinazioniEstese->InitForm(testo);
    } else if (base == QLatin1String("BBAS0019F")) {
        Funzioni::CreaFinestraProt(ClassRef::Of<TImballiEstesi>(), ImballiEstesi, taNormale);
    } else if (base == QLatin1String("BBAS0047F")) {
        Funzioni::CreaFinestraProt(ClassRef::Of<TCausaliEstese>(), CausaliEstese, taNormale);
    } else if (base == QLatin1String("BBAS0038F")) {
        Funzioni::CreaFinestraProt(Estesa<TFBbas0038f>(), CausaliDdt, taNormale);
    } else if (base == QLatin1String("BBAS0039F")) {
        Funzioni::CreaFinestraProt(Estesa<TFBBas0039f>(), CausaliFatture, taNormale);
    } else if (base == QLatin1String("BBAS0045F")) {
        Funzioni::CreaFinestraProt(Estesa<TFBbas0045f>(), CausaliFornitori, taNormale);
    } else {
        HostMenu::Esegui(code);
    }
}

class Sottoclassi : public Finestre {
protected:
    void SetUp() override
    {
        Finestre::SetUp();
        if (IsSkipped())
            return;
        main.reset();
        main = std::make_unique<TestMainWindow>(Dispatcher);
        Chiamate.clear();
        TXDatabase &db = company.Database();
        db.ExecSQL(QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto) VALUES ('ART1', 'Primo')"));
        for (const char *c : {"C0001", "C0002", "C0003"})
            db.ExecSQL(
                QStringLiteral("INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale) VALUES ('CL', ?, 'Cliente')"),
                {QLatin1String(c)});
        db.ExecSQL(QStringLiteral(
            "INSERT INTO Fornitori (IdContoTp, IdConto, RagioneSociale) VALUES ('FO', 'F0001', 'Vetreria')"));
        db.ExecSQL(
            QStringLiteral("INSERT INTO Destinazioni (IdContoTp, IdConto, IdDestinazione) VALUES ('CL', 'C0002', 1)"));
        db.ExecSQL(
            QStringLiteral("INSERT INTO Destinazioni (IdContoTp, IdConto, IdDestinazione) VALUES ('CL', 'C0003', 1)"));
    }
    static QStringList Pagine(TFDBTabChild *f)
    {
        QStringList out;
        for (int i = 0; i < f->PageControl->count(); ++i)
            out << f->PageControl->tabText(i);
        return out;
    }
};

} // namespace

TEST_F(Sottoclassi, ArticlesRunTheHostStepFirst)
{
    auto *f = Apri<TArticoliEstesi>(QStringLiteral("BBAS0055F"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(Chiamate, (QStringList{"FormCreate aperta=1", "InitForm"}));
    EXPECT_EQ(Pagine(f), (QStringList{"Elenco", "Anagrafica", "Dati prodotto", "Note", "Dati Vini / Bibite"}));
    EXPECT_EQ(f->Caption(), QStringLiteral("Anagrafica Articoli (Prova)"));
    EXPECT_TRUE(Fbbas0055f.isNull()) << "the host's reference is the host window's own";

    // the host's step has trimmed the code when the subclass's runs
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdProdotto"), QStringLiteral(" ART2 ")));
    Premi(f, nbPost);
    EXPECT_EQ(Chiamate.last(), QStringLiteral("BeforePost ART2"));
    // a refusal of the host's step stops the subclass's
    Chiamate.clear();
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsProdotto"), QStringLiteral("Senza codice")));
    Premi(f, nbPost);
    EXPECT_TRUE(Chiamate.isEmpty());
    Premi(f, nbCancel);

    // InitForm again on the open window: the list, read again
    company.Database().ExecSQL(QStringLiteral("INSERT INTO Articoli (IdProdotto) VALUES ('ART3')"));
    Apri<TArticoliEstesi>(QStringLiteral("BBAS0055F"));
    EXPECT_EQ(f->TArticoli->RecordCount(), 3);
    EXPECT_EQ(f->PageControl->currentIndex(), 0);
    f->Close();
    ProcessEvents();
    EXPECT_EQ(Chiamate.last(), QStringLiteral("FormClose"));
}

TEST_F(Sottoclassi, TheCustomerIsLocatedByTypeAndCode)
{
    auto *f = Apri<TClientiEstesi>(QStringLiteral("BBAS0051F;C0002"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->TMain->FieldByName(QStringLiteral("IdConto"))->AsString(), QStringLiteral("C0002"));
    ASSERT_GE(Chiamate.size(), 3);
    EXPECT_EQ(Chiamate.first(), QStringLiteral("AfterScroll C0001 pulsante=1"))
        << "the host's scroll while the host creates";
    EXPECT_TRUE(Chiamate.contains(QStringLiteral("FormCreate")));
    EXPECT_LT(Chiamate.indexOf(QStringLiteral("FormCreate")), Chiamate.indexOf(QStringLiteral("InitForm")));
    EXPECT_EQ(Chiamate.last(), QStringLiteral("AfterScroll C0002 pulsante=1"));
    EXPECT_EQ(Pagine(f).mid(Pagine(f).size() - 2), (QStringList{"Dati Vini/Bibite", "Prog.Cauzioni"}));

    // a customer located that the rows read do not hold is fetched
    f->TMain->Close();
    f->TMain->SetMaxRecords(1);
    f->TMain->Open();
    EXPECT_TRUE(f->TMain->Locate(QStringLiteral("IdContoTp;IdConto"),
                                 QVariantList{QStringLiteral("CL"), QStringLiteral("C0003")}));
    EXPECT_FALSE(f->TMain->Locate(QStringLiteral("IdContoTp;IdConto"),
                                  QVariantList{QStringLiteral("FO"), QStringLiteral("F0001")}));

    Chiamate.clear();
    Premi(f, nbEdit);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edRagioneSociale"), QStringLiteral("Nuovo nome")));
    Premi(f, nbPost);
    EXPECT_EQ(Chiamate, QStringList{"BeforePost tipo=CL"});
}

TEST_F(Sottoclassi, SuppliersAndDestinations)
{
    auto *fo = Apri<TFornitoriEstesi>(QStringLiteral("BBAS0052F"));
    ASSERT_NE(fo, nullptr);
    EXPECT_EQ(Chiamate, QStringList{"InitForm 1"});
    Premi(fo, nbEdit);
    EXPECT_TRUE(Scrivi(fo, QStringLiteral("edRagioneSociale"), QStringLiteral("Vetreria Nuova")));
    Premi(fo, nbPost);
    EXPECT_EQ(Chiamate.last(), QStringLiteral("BeforePost"));

    Chiamate.clear();
    auto *d = Apri<TDestinazioniEstese>(QStringLiteral("BBAS0058F;CL;C0003"));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->tDestinazioni->RecordCount(), 1);
    EXPECT_EQ(Chiamate.last(), QStringLiteral("AfterScroll C0003"));
    EXPECT_EQ(Pagine(d).last(), QStringLiteral("Accisa - DuSa"));
    Premi(d, nbInsert);
    EXPECT_TRUE(Scrivi(d, QStringLiteral("edRagioneSociale"), QStringLiteral("Seconda sede")));
    Premi(d, nbPost);
    EXPECT_EQ(Chiamate.last(), QStringLiteral("BeforePost 2")) << "the host numbered it first";
    EXPECT_TRUE(d->InitForm());
    EXPECT_EQ(d->tDestinazioni->RecordCount(), 3);
}

TEST_F(Sottoclassi, ThePackagingDescriptionChangeReachesTheSubclass)
{
    auto *f = Apri<TImballiEstesi>(QStringLiteral("BBAS0019F"));
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdImballo"), QStringLiteral("CAS")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsImballo"), QStringLiteral("Cassa plastica 12 bottiglie")));
    EXPECT_EQ(Chiamate, QStringList{"DsImballo Cassa plastica 12 bottiglie"});
    Premi(f, nbPost);
    EXPECT_EQ(Valore(QStringLiteral("SELECT UT_LMQ_DsDescDoc FROM Imballi WHERE IdImballo = 'CAS'")).toString(),
              QStringLiteral("Cassa plastica "));
    EXPECT_EQ(f->lyDettaglio->parentWidget(), f->pnDettaglio);
}

TEST_F(Sottoclassi, TheCausalPrintReplacedOffersTheProjectsLayout)
{
    company.Database().ExecSQL(
        QStringLiteral("INSERT INTO CausaliMagaz (IdCausale, DsCausale) VALUES ('VEN', 'Vendita')"));
    auto *f = Apri<TCausaliEstese>(QStringLiteral("BBAS0047F"));
    ASSERT_NE(f, nullptr);
    QStringList offerti;
    script.OnDialog(QStringLiteral("TfdlgRptParam"), [&offerti](TForm &dialog) {
        auto *d = qobject_cast<TfdlgRptParam *>(&dialog);
        for (int i = 0; i < d->cbLayout->count(); ++i)
            offerti << d->cbLayout->itemText(i);
        EXPECT_EQ(d->Params.Riferimento.data(), CausaliEstese.data());
        d->cbLayout->setCurrentIndex(3);
        d->btOk->click();
        return int(mrOk);
    });
    ReportCapture capture;
    f->btStampa->click();
    ProcessEvents();
    EXPECT_EQ(offerti, (QStringList{"Sintetica", "Analitica", "Dettagliata", "Progetti"}));
    ASSERT_EQ(capture.Prints().size(), 1);
    EXPECT_TRUE(capture.Last().Document.Pages.first().HasText(QStringLiteral("Causali di magazzino - progetti")));
    EXPECT_EQ(Chiamate.last(), QStringLiteral("XFormXStampa"));
}

TEST_F(Sottoclassi, DocumentCausalsAddTheirPageAfterTheHost)
{
    for (const char *codice : {"BBAS0038F", "BBAS0039F", "BBAS0045F"}) {
        SCOPED_TRACE(codice);
        Chiamate.clear();
        TFDBTabChild *f = Apri(QLatin1String(codice));
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(Chiamate.size(), 1);
        EXPECT_TRUE(f->DSMain->DataSet()->Active());
        EXPECT_EQ(Pagine(f), (QStringList{"Elenco", "Dettaglio", "DuSa"}));
        f->Close();
        ProcessEvents();
    }
    EXPECT_EQ(Chiamate, QStringList{"FormCreate TCausBolleFor"});
    EXPECT_TRUE(CausaliDdt.isNull() && CausaliFatture.isNull() && CausaliFornitori.isNull());
}

#include "test_Sottoclassi.moc"

#include "masterdata/Bbas0051f_p.h"

#include "ui_Bbas0051f_p.h"

#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "host/business/Dmibase.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXQuery.h"
#include "host/ui/DBGrid.h"
#include "masterdata/Lumo_anagrafiche.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyleOptionHeader>

#include <climits>

using namespace Lumo_anagrafiche;

namespace {

// A grid header with a band of headings above the titles, each spanning the columns of its
// group (whichever order the user gives them).
class TIntestazioneGruppi : public QHeaderView {
public:
    struct TGruppo {
        QString testo;
        QStringList campi;
    };

    TIntestazioneGruppi(KDBGriglia *griglia, QList<TGruppo> gruppi)
        : QHeaderView(Qt::Horizontal, griglia), griglia_(griglia), gruppi_(std::move(gruppi))
    {}

protected:
    QSize sizeHint() const override
    {
        QSize s = QHeaderView::sizeHint();
        s.setHeight(s.height() * 2);
        return s;
    }

    void paintSection(QPainter *painter, const QRect &rect, int logical) const override
    {
        // a grouped column's title takes the lower half; the heading is drawn over the upper
        const QRect titolo = DiGruppo(logical) ? rect.adjusted(0, rect.height() / 2, 0, 0) : rect;
        painter->save();
        QHeaderView::paintSection(painter, titolo, logical);
        painter->restore();
    }

    void paintEvent(QPaintEvent *event) override
    {
        QHeaderView::paintEvent(event);
        QPainter painter(viewport());
        for (const TGruppo &g : gruppi_) {
            int sinistra = INT_MAX;
            int destra = INT_MIN;
            for (int i = 0; i < count() && i < griglia_->ColumnCount(); ++i) {
                if (isSectionHidden(i) || !g.campi.contains(griglia_->Columns(i).FieldName, Qt::CaseInsensitive))
                    continue;
                sinistra = std::min(sinistra, sectionViewportPosition(i));
                destra = std::max(destra, sectionViewportPosition(i) + sectionSize(i));
            }
            if (sinistra >= destra)
                continue;
            QStyleOptionHeader opt;
            initStyleOption(&opt);
            opt.rect = QRect(sinistra, 0, destra - sinistra, height() / 2);
            opt.text = g.testo;
            opt.textAlignment = Qt::AlignCenter;
            style()->drawControl(QStyle::CE_Header, &opt, &painter, this);
        }
    }

private:
    bool DiGruppo(int logical) const
    {
        if (logical < 0 || logical >= griglia_->ColumnCount())
            return false;
        const QString campo = griglia_->Columns(logical).FieldName;
        for (const TGruppo &g : gruppi_)
            if (g.campi.contains(campo, Qt::CaseInsensitive))
                return true;
        return false;
    }

    KDBGriglia *griglia_;
    QList<TGruppo> gruppi_;
};

struct TColonna {
    const char *campo;
    const char *titolo;
    int larghezza;
};

// A read-only card grid: its columns, the headings of the invoice and delivery-note groups,
// and the column layout the user saved.
void ImpostaGriglia(KDBGriglia *griglia, std::initializer_list<TColonna> colonne)
{
    griglia->SetReadOnly(true);
    for (const TColonna &c : colonne)
        griglia->AddColumn(QLatin1String(c.campo), QString::fromUtf8(c.titolo), c.larghezza);
    const QStringList fatture{QStringLiteral("ProgQtaCarF"), QStringLiteral("ProgQtaResF"),
                              QStringLiteral("ProgValCarF"), QStringLiteral("ProgValResF")};
    const QStringList bolle{QStringLiteral("ProgQtaCarB"), QStringLiteral("ProgQtaResB"), QStringLiteral("ProgValCarB"),
                            QStringLiteral("ProgValResB")};
    griglia->setHorizontalHeader(new TIntestazioneGruppi(
        griglia, {{QStringLiteral("Progressivi Fatture"), fatture}, {QStringLiteral("Progressivi Bolle"), bolle}}));
    griglia->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect
                        | dgAlwaysShowSelection);
    griglia->CaricaLayout();
}

} // namespace

TFBbas0051f_p::TFBbas0051f_p(QWidget *owner) : TFBbas0051f(owner)
{
    qUT_LMQ_ProgCauz = new TXQuery(this);
    qUT_LMQ_ProgCauz->SetName(QStringLiteral("qUT_LMQ_ProgCauz"));
    qUT_LMQ_ProgCauz->SQL = QStringList{
        QStringLiteral("SELECT LUMO_ProgCauz.*, Imballi.DsImballo"),
        QStringLiteral("FROM LUMO_ProgCauz"),
        QStringLiteral("LEFT JOIN Imballi ON LUMO_ProgCauz.IdImballo = Imballi.IdImballo"),
        QStringLiteral("WHERE LUMO_ProgCauz.IdConto = :IdConto and  LUMO_ProgCauz.FlTipoScheda = 0 and  "
                       "LUMO_ProgCauz.IdContoTp = 'CL'"),
        QStringLiteral("ORDER BY LUMO_ProgCauz.IdConto, LUMO_ProgCauz.IdDestinazione"),
    };
    qUT_LMQ_ProgCauz->ParamByName(QStringLiteral("IdConto"))->SetDataType(ftString);
    qUT_LMQ_ProgCauz->AddField(QStringLiteral("IdDestinazione"), ftSmallint);
    qUT_LMQ_ProgCauz->AddField(QStringLiteral("IdImballo"), ftString, 3);
    for (const char *campo : {"ProgQtaCar", "ProgQtaRes", "ProgQtaCarF", "ProgQtaResF", "ProgQtaCarB", "ProgQtaResB",
                              "QtaCarEcc", "QtaResEcc", "EsiAttEcc"})
        qUT_LMQ_ProgCauz->AddField(QLatin1String(campo), ftFloat)->SetDisplayFormat(QStringLiteral("#,##0.00"));
    for (const char *campo : {"ProgValCar", "ProgValRes", "ProgValCarF", "ProgValResF", "ProgValCarB", "ProgValResB"})
        qUT_LMQ_ProgCauz->AddField(QLatin1String(campo), ftFloat)->SetDisplayFormat(QStringLiteral("#,##0"));
    TDMIBase *base = TDMIBase::Crea();
    Funzioni::CheckTabOpen(base->lkImballi);
    Funzioni::CheckTabOpen(base->lkConti);
    qUT_LMQ_ProgCauz->AddLookupField(QStringLiteral("DsImballoCauz"), ftString, 50, base->lkImballi,
                                     QStringLiteral("IdImballo"), QStringLiteral("IdImballo"),
                                     QStringLiteral("DsImballo"));
    dsUT_LMQ_ProgCauz = new TDataSource(this);
    dsUT_LMQ_ProgCauz->SetName(QStringLiteral("dsUT_LMQ_ProgCauz"));
    dsUT_LMQ_ProgCauz->SetDataSet(qUT_LMQ_ProgCauz);

    // the deposit account's name beside its code
    TMain->AddLookupField(QStringLiteral("DsContoCau"), ftString, 30, base->lkConti, QStringLiteral("UT_LMQ_ContoCau"),
                          QStringLiteral("IdConto"), QStringLiteral("RagioneSociale"));

    QWidget contenitore;
    Ui::Bbas0051f_p ui;
    ui.setupUi(&contenitore);
    tsDatiVini = ui.tsDatiVini;
    tsProgCauzioni = ui.tsProgCauzioni;
    edUT_LMQ_CodAcc = ui.edUT_LMQ_CodAcc;
    edUT_LMQ_RapFis = ui.edUT_LMQ_RapFis;
    edUT_LMQ_DurVia = ui.edUT_LMQ_DurVia;
    cbUT_LMQ_FlTipCli = ui.cbUT_LMQ_FlTipCli;
    cbUT_UT_LMQ_FlCauz = ui.cbUT_UT_LMQ_FlCauz;
    edUT_LMQ_IdListCau = ui.edUT_LMQ_IdListCau;
    edUT_LMQ_ContoCau = ui.edUT_LMQ_ContoCau;
    chUT_LMQ_FlCauDes = ui.chUT_LMQ_FlCauDes;
    cbUT_LMQ_FlGesTraCli = ui.cbUT_LMQ_FlGesTraCli;
    grQuantita = ui.grQuantita;
    grValori = ui.grValori;
    AccodaPagine(this, ui.pcPagine);

    ImpostaGriglia(grQuantita, {{"IdDestinazione", "Des.Div.", 60},
                                {"IdImballo", "Imballo", 60},
                                {"ProgQtaCar", "Qtà Carico", 80},
                                {"ProgQtaRes", "Qtà Resa", 80},
                                {"ProgQtaCarF", "Qta. Carico", 80},
                                {"ProgQtaResF", "Qtà Resa", 80},
                                {"ProgQtaCarB", "Qtà Carico", 80},
                                {"ProgQtaResB", "Qtà Resa", 80},
                                {"QtaCarEcc", "Qtà Car.", 70},
                                {"QtaResEcc", "Qtà Rese", 70},
                                {"EsiAttEcc", "Esistenza", 70}});
    ImpostaGriglia(grValori, {{"IdDestinazione", "Des.Div.", 60},
                              {"IdImballo", "Imballo", 60},
                              {"ProgValCar", "Val. Carico", 80},
                              {"ProgValRes", "Valore Reso", 80},
                              {"ProgValCarF", "Val.Carico", 80},
                              {"ProgValResF", "Val. Reso", 80},
                              {"ProgValCarB", "Val. Carico", 80},
                              {"ProgValResB", "Val. Reso", 80}});
}

void TFBbas0051f_p::FormCreate()
{
    TFBbas0051f::FormCreate();
    Intitola(this);
    TMain->FieldByName(QStringLiteral("UT_LMQ_FlTipCli"))->OnChange = [this](TField *f) {
        TMainUT_LMQ_FlTipCliChange(f);
    };
    TMain->FieldByName(QStringLiteral("UT_LMQ_ContoCau"))->OnValidate = [this](TField *f) {
        TMainUT_LMQ_ContoCauValidate(f);
    };
    cbUT_UT_LMQ_FlCauz->OnChange = [this](TDBComboBox *c) { cbUT_UT_LMQ_FlCauzChange(c); };
    if (UT_LMQ_Parametri.FlAbilAccisa == 0)
        cbUT_LMQ_FlTipCli->setEnabled(false);
    if (UT_LMQ_Parametri.FlAbilCauz == 0) {
        cbUT_UT_LMQ_FlCauz->setEnabled(false);
        PageControl->SetTabVisible(tsProgCauzioni, false);
    }
}

void TFBbas0051f_p::FormClose(TCloseAction &action)
{
    TFBbas0051f::FormClose(action);
    if (FBbas0051f_p == this)
        FBbas0051f_p = nullptr;
}

void TFBbas0051f_p::DSMainDataChange(TDataSource *source, TField *field)
{
    TFBbas0051f::DSMainDataChange(source, field);
    MostraDescrizioni(this, field);
}

void TFBbas0051f_p::UT_LMQ_SettaStatoCampi()
{
    const TUT_PLMQ_Parametri &p = UT_LMQ_Parametri;
    cbUT_UT_LMQ_FlCauz->setEnabled(p.FlAbilCauz != 0);
    cbUT_LMQ_FlTipCli->setEnabled(p.FlAbilAccisa != 0);
    cbUT_LMQ_FlGesTraCli->setEnabled(p.FlAbilTrasporto != 0);
    const bool cauzioni =
        p.FlAbilCauz != 0 && TMain->Active() && TMain->FieldByName(QStringLiteral("UT_LMQ_FlCauz"))->AsInteger() != 0;
    for (QWidget *w : std::initializer_list<QWidget *>{edUT_LMQ_IdListCau, edUT_LMQ_ContoCau, chUT_LMQ_FlCauDes})
        w->setEnabled(cauzioni);
    const bool accisa = AccisaAttiva(TMain);
    for (QWidget *w : std::initializer_list<QWidget *>{edUT_LMQ_CodAcc, edUT_LMQ_RapFis, edUT_LMQ_DurVia})
        w->setEnabled(accisa);
}

void TFBbas0051f_p::TMainAfterScroll(TDataSet *DataSet)
{
    TFBbas0051f::TMainAfterScroll(DataSet);
    UT_LMQ_SettaStatoCampi();
    if (UT_LMQ_Parametri.FlAbilCauz == 0)
        return;
    qUT_LMQ_ProgCauz->Close();
    qUT_LMQ_ProgCauz->ParamByName(QStringLiteral("IdConto"))
        ->SetAsString(DataSet->FieldByName(QStringLiteral("IdConto"))->AsString());
    qUT_LMQ_ProgCauz->Open();
}

void TFBbas0051f_p::cbUT_UT_LMQ_FlCauzChange(TDBComboBox *)
{
    if (!UT_Aggiorna)
        UT_LMQ_SettaStatoCampi();
}

void TFBbas0051f_p::TMainUT_LMQ_FlTipCliChange(TField *)
{
    UT_LMQ_SettaStatoCampi();
}

void TFBbas0051f_p::TMainUT_LMQ_ContoCauValidate(TField *Sender)
{
    if (Sender->AsString().isEmpty() || CodiceEsiste(DMIBase->lkConti, QStringLiteral("IdConto"), Sender->Value()))
        return;
    throw Exception(QStringLiteral("Codice Conto non valido !"));
}

void TFBbas0051f_p::TMainBeforePost(TDataSet *DataSet)
{
    TFBbas0051f::TMainBeforePost(DataSet);
    // the deposit drop-down does not switch the controls while its column is cleared
    UT_Aggiorna = true;
    const struct TFine {
        bool &flag;
        ~TFine() { flag = false; }
    } fine{UT_Aggiorna};
    AzzeraAccisa(DataSet);
    const TUT_PLMQ_Parametri &p = UT_LMQ_Parametri;
    if (DataSet->FieldByName(QStringLiteral("UT_LMQ_FlCauz"))->AsInteger() == 0 || p.FlAbilCauz == 0) {
        DataSet->FieldByName(QStringLiteral("UT_LMQ_FlCauz"))->SetAsInteger(0);
        DataSet->FieldByName(QStringLiteral("UT_LMQ_ContoCau"))->SetAsString(QString());
        DataSet->FieldByName(QStringLiteral("UT_LMQ_IdListCau"))->SetAsString(QString());
        DataSet->FieldByName(QStringLiteral("UT_LMQ_FlCauDes"))->SetAsInteger(0);
    }
}

DUSARIA_FINESTRA(TFBbas0051f_p, FBbas0051f_p);

#include "host/ui/Dbchild.h"

#include "host/core/KV8Config.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/Dictionary.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Fuoco.h"
#include "host/ui/SearchDialog.h"
#include "host/ui/Xvkey.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString StateText(TDataSetState state)
{
    switch (state) {
    case dsEdit:
        return QStringLiteral("Modifica");
    case dsInsert:
        return QStringLiteral("Inserimento");
    case dsBrowse:
        return QStringLiteral("Consultazione");
    default:
        return QString();
    }
}

// The navigator buttons the host's key commands press.
constexpr std::pair<int, TNavigateBtn> kPulsantiComandi[] = {
    {Xvkey::kcModifica, nbEdit},   {Xvkey::kcInserisci, nbInsert}, {Xvkey::kcCancella, nbDelete},
    {Xvkey::kcRegistra, nbPost},   {Xvkey::kcPrimo, nbFirst},      {Xvkey::kcPrecedente, nbPrior},
    {Xvkey::kcSuccessivo, nbNext}, {Xvkey::kcUltimo, nbLast},
};

} // namespace

QString MessaggioCodiceDuplicato(const TXTable *table)
{
    const QList<TField *> key = table->PrimaryKeyFields();
    const QString code = key.isEmpty() ? QString() : key.last()->DisplayText();
    const DictTable *entry = Dictionary::Instance().Table(table->TableName());
    const QString name = entry && !entry->label.isEmpty() ? entry->label : table->TableName();
    return QStringLiteral("Il codice %1 è già presente in %2: sceglierne un altro.").arg(code, name);
}

// ---- TFDBChild

TFDBChild::TFDBChild(QWidget *owner) : TForm(owner)
{
    DSMain = new TDataSource(this);
    DSMain->setObjectName(QStringLiteral("DSMain"));
    DSMain->SetAutoEdit(false);

    tbComandi = new QToolBar(this);
    tbComandi->setObjectName(QStringLiteral("tbComandi"));
    tbComandi->setIconSize(QSize(16, 16));
    DBNavigator = new TDBNavigator(tbComandi);
    DBNavigator->setObjectName(QStringLiteral("DBNavigator"));
    DBNavigator->SetDataSource(DSMain);
    tbComandi->addWidget(DBNavigator);
    tbComandi->addSeparator();
    auto tool = [this](const QString &text, const QString &name, const QString &tip, QAction **action = nullptr) {
        auto *b = new QToolButton(tbComandi);
        b->setText(text);
        b->setObjectName(name);
        b->setToolTip(tip);
        b->setFocusPolicy(Qt::NoFocus);
        QAction *added = tbComandi->addWidget(b);
        if (action)
            *action = added;
        return b;
    };
    const auto conTasto = [](const QString &text, int command) {
        return QStringLiteral("%1 (%2)").arg(text, Xvkey::NomeTasto(command));
    };
    btRicerca = tool(QStringLiteral("Ricerca"), QStringLiteral("btRicerca"),
                     conTasto(QStringLiteral("Ricerca"), Xvkey::kcRicerca));
    btStampa = tool(QStringLiteral("Stampa"), QStringLiteral("btStampa"),
                    conTasto(QStringLiteral("Stampa"), Xvkey::kcStampa), &acStampa_);
    btAnteprima = tool(QStringLiteral("Anteprima"), QStringLiteral("btAnteprima"),
                       conTasto(QStringLiteral("Anteprima"), Xvkey::kcAnteprima), &acAnteprima_);
    // each navigator button names the key that presses it
    for (const auto &[command, button] : kPulsantiComandi)
        DBNavigator->Button(button)->setToolTip(conTasto(NavigateBtnName(button), command));
    DBNavigator->Button(nbCancel)->setToolTip(QStringLiteral("%1 (Esc)").arg(NavigateBtnName(nbCancel)));
    MostraStampa(false);
    tbComandi->addSeparator();
    btChiudi = tool(QStringLiteral("Chiudi"), QStringLiteral("btChiudi"), QStringLiteral("Chiudi la finestra"));
    auto *frame = static_cast<QVBoxLayout *>(layout());
    frame->insertWidget(0, tbComandi);
    lbStato = new QLabel(this);
    lbStato->setObjectName(QStringLiteral("lbStato"));
    lbStato->setContentsMargins(6, 2, 6, 2);
    frame->addWidget(lbStato);

    connect(btRicerca, &QToolButton::clicked, this, [this] { Guard([this] { XFormXRicerca(); }); });
    connect(btStampa, &QToolButton::clicked, this, [this] { Guard([this] { XFormXStampa(false); }); });
    connect(btAnteprima, &QToolButton::clicked, this, [this] { Guard([this] { XFormXStampa(true); }); });
    connect(btChiudi, &QToolButton::clicked, this, [this] { Close(); });

    DBNavigator->BeforeAction = [this](TNavigateBtn button, bool &doDefault) {
        DSMainNavClick(button, doDefault);
        if (doDefault) {
            doDefault = false;
            AzioneNavigatore(button);
        }
    };
    DSMain->OnStateChange = [this](TDataSource *source) { DSMainStateChange(source); };
    DSMain->OnDataChange = [this](TDataSource *source, TField *field) { DSMainDataChange(source, field); };
}

TDataSet *TFDBChild::MainDataSet() const
{
    return DSMain->DataSet();
}

int TFDBChild::LimiteRighe() const
{
    return KV8Config::GetFBBAS07().LimiteRicerca;
}

void TFDBChild::ApplyRowLimit()
{
    auto *table = qobject_cast<TXTable *>(MainDataSet());
    const int limit = LimiteRighe();
    if (table && limit > 0 && table->MaxRecords() == 0)
        table->SetMaxRecords(limit);
}

void TFDBChild::FormCreate()
{
    TForm::FormCreate();
    if (TDataSet *ds = MainDataSet()) {
        ApplyRowLimit();
        if (!ds->Active())
            ds->Open();
    }
    DSMainStateChange(DSMain);
}

void TFDBChild::FormClose(TCloseAction &action)
{
    TForm::FormClose(action);
    TDataSet *ds = MainDataSet();
    if (ds && (ds->State() == dsEdit || ds->State() == dsInsert))
        ds->Cancel();
}

void TFDBChild::XFormCloseQuery(bool &canClose)
{
    TForm::XFormCloseQuery(canClose);
    if (!canClose)
        return;
    if (DMIDataBases::Instance().Has(QStringLiteral("GlobalDatabase"))
        && DMIDataBases::Instance().Global().InTransaction()) {
        canClose = false;
        return;
    }
    TDataSet *ds = MainDataSet();
    if (ds && (ds->State() == dsEdit || ds->State() == dsInsert))
        canClose =
            Kmessages::KMessage(QStringLiteral("Conferma Abbandono Modifiche ?"), mtConfirmation, mbYesNo, 1) == mrYes;
}

void TFDBChild::DSMainStateChange(TDataSource *source)
{
    const TDataSetState state = source ? source->State() : dsInactive;
    const bool editing = state == dsEdit || state == dsInsert;
    lbStato->setText(StateText(state));
    btRicerca->setEnabled(!editing && state != dsInactive);
    btStampa->setEnabled(!editing);
    btAnteprima->setEnabled(!editing);
}

void TFDBChild::DSMainDataChange(TDataSource *, TField *) {}

void TFDBChild::DSMainNavClick(TNavigateBtn, bool &) {}

bool TFDBChild::KeyButton(int key, TShiftState shift, TNavigateBtn &button)
{
    if (key == Qt::Key_Escape && shift == 0) {
        button = nbCancel;
        return true;
    }
    const int command = Xvkey::XGetKEY(key, shift);
    for (const auto &[comando, pulsante] : kPulsantiComandi)
        if (comando == command) {
            button = pulsante;
            return true;
        }
    return false;
}

void TFDBChild::ChildKeyPress(int &key, TShiftState shift, bool &flag)
{
    TNavigateBtn button;
    if (KeyButton(key, shift, button))
        DSMainNavClick(button, flag);
}

void TFDBChild::FormKeyDown(int &key, TShiftState shift)
{
    TForm::FormKeyDown(key, shift);
    if (key == 0)
        return;
    // Escape first undoes what is being typed in a control
    if (key == Qt::Key_Escape && Fuoco::DigitazioneAperta(QApplication::focusWidget()))
        return;
    const int command = Xvkey::XGetKEY(key, shift);
    TNavigateBtn button;
    const bool isButton = KeyButton(key, shift, button);
    if (!isButton && command != Xvkey::kcRicerca && command != Xvkey::kcStampa && command != Xvkey::kcAnteprima)
        return;
    const int pressed = key;
    key = 0;
    // the key of a button that cannot be pressed does nothing
    if (!ComandoAttivo(command, isButton, button))
        return;
    // a control being typed into hands its value to the field first
    if (auto *edit = dynamic_cast<TDBEdit *>(QApplication::focusWidget()); edit && isButton && button == nbPost)
        if (!edit->Commit())
            return;
    Fuoco::ComandoSuRecord(this, DSMain, [&] {
        bool flag = true;
        int hookKey = pressed;
        ChildKeyPress(hookKey, shift, flag);
        // the hook may have changed what the button can do
        if (!flag || !ComandoAttivo(command, isButton, button))
            return;
        if (isButton)
            AzioneNavigatore(button);
        else if (command == Xvkey::kcRicerca)
            XFormXRicerca();
        else
            XFormXStampa(command == Xvkey::kcAnteprima);
    });
}

bool TFDBChild::ComandoAttivo(int command, bool isButton, TNavigateBtn button) const
{
    if (isButton)
        return DBNavigator->ButtonEnabled(button);
    if (command == Xvkey::kcRicerca)
        return btRicerca->isEnabled();
    return HaStampa() && btStampa->isEnabled();
}

void TFDBChild::MostraStampa(bool mostra)
{
    acStampa_->setVisible(mostra);
    acAnteprima_->setVisible(mostra);
}

bool TFDBChild::HaStampa() const
{
    return acStampa_->isVisible();
}

void TFDBChild::NavClick(TNavigateBtn button)
{
    DBNavigator->BtnClick(button);
}

void TFDBChild::AzioneNavigatore(TNavigateBtn button)
{
    try {
        DBNavigator->DoAction(button);
    } catch (const EKeyViolation &) {
        // the driver's text is in the log; the user reads which code is taken
        const auto *table = qobject_cast<const TXTable *>(MainDataSet());
        if (button != nbPost || !table || table->PrimaryKeyFields().isEmpty())
            throw;
        throw EKeyViolation(MessaggioCodiceDuplicato(table));
    }
}

void TFDBChild::XFormXStampa(bool) {}

void TFDBChild::XFormXRicerca()
{
    auto *table = qobject_cast<TXTable *>(MainDataSet());
    if (!table || !table->Active())
        return;
    const QList<TField *> key = table->PrimaryKeyFields();
    if (key.isEmpty())
        return;
    Dlgricerca::TRicerca ricerca;
    ricerca.Tabella = table->TableName();
    ricerca.CampoChiave = key.last()->FieldName();
    // the other key columns are those of the rows in view (a master-data type, a year)
    QStringList fixed;
    for (int i = 0; i + 1 < key.size(); ++i)
        fixed << QStringLiteral("%1 = %2").arg(key.at(i)->FieldName(), key.at(i)->IsNumeric()
                                                                           ? QString::number(key.at(i)->AsLargeInt())
                                                                           : XWideQuotedStr(key.at(i)->AsString()));
    ricerca.Condizione = fixed.join(QLatin1String(" AND "));
    if (!Dlgricerca::Ricerca(this, ricerca))
        return;
    QVariantList values;
    for (int i = 0; i + 1 < key.size(); ++i)
        values << key.at(i)->Value();
    values << ricerca.Risultato;
    QStringList names;
    for (TField *f : key)
        names << f->FieldName();
    if (!table->Locate(names.join(QLatin1Char(';')), values.size() == 1 ? values.first() : QVariant(values)))
        Kmessages::KMessage(QStringLiteral("Record non trovato fra quelli letti: restringere la selezione"),
                            mtInformation, mbOK);
}

// ---- TFDBTabChild

TFDBTabChild::TFDBTabChild(QWidget *owner) : TFDBChild(owner)
{
    PageControl = new KPageControl(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    tsGriglia = PageControl->AddPage(QStringLiteral("Elenco"), QStringLiteral("tsGriglia"));
    tsDettaglio = PageControl->AddPage(QStringLiteral("Dettaglio"), QStringLiteral("tsDettaglio"));
    auto *gridLayout = new QVBoxLayout(tsGriglia);
    gridLayout->setContentsMargins(2, 2, 2, 2);
    GrigliaMain = new KDBGriglia(tsGriglia);
    GrigliaMain->setObjectName(QStringLiteral("GrigliaMain"));
    GrigliaMain->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect
                            | dgAlwaysShowSelection);
    GrigliaMain->SetDataSource(DSMain);
    gridLayout->addWidget(GrigliaMain);
    auto *detailLayout = new QVBoxLayout(tsDettaglio);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    auto *frame = static_cast<QVBoxLayout *>(layout());
    delete frame->replaceWidget(ClientArea(), PageControl); // the client area moves into a page
    detailLayout->addWidget(ClientArea());
    GrigliaMain->OnDblClick = [this](KDBGriglia *) { MostraPagina(1); };
}

void TFDBTabChild::MostraPagina(int page)
{
    PageControl->SetActivePageIndex(page);
}

void TFDBTabChild::DSMainStateChange(TDataSource *source)
{
    TFDBChild::DSMainStateChange(source);
    if (source && (source->State() == dsEdit || source->State() == dsInsert))
        MostraPagina(1);
}

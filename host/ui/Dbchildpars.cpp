#include "host/ui/Dbchildpars.h"

#include "host/data/TDataSource.h"
#include "host/data/TXMemTable.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

// ---- TFDBChildPars

TFDBChildPars::TFDBChildPars(QWidget *owner) : TForm(owner)
{
    tPars = new TXMemTable(this);
    tPars->setObjectName(QStringLiteral("tPars"));
    DSPars = new TDataSource(this);
    DSPars->setObjectName(QStringLiteral("DSPars"));
    DSPars->SetDataSet(tPars);

    pBottoni = new QWidget(this);
    pBottoni->setObjectName(QStringLiteral("pBottoni"));
    buttons_ = new QHBoxLayout(pBottoni);
    buttons_->setContentsMargins(8, 6, 8, 8);
    buttons_->addStretch(1);
    btEsegui = new QPushButton(QStringLiteral("&Esegui"), pBottoni);
    btEsegui->setObjectName(QStringLiteral("btEsegui"));
    btEsegui->setDefault(true);
    btChiudi = new QPushButton(QStringLiteral("&Chiudi"), pBottoni);
    btChiudi->setObjectName(QStringLiteral("btChiudi"));
    buttons_->addWidget(btEsegui);
    buttons_->addWidget(btChiudi);
    static_cast<QVBoxLayout *>(layout())->addWidget(pBottoni);

    connect(btEsegui, &QPushButton::clicked, this, [this] { Guard([this] { btEseguiClick(); }); });
    connect(btChiudi, &QPushButton::clicked, this, [this] { Guard([this] { btChiudiClick(); }); });
}

void TFDBChildPars::FormCreate()
{
    TForm::FormCreate();
    if (tPars->TableName().isEmpty())
        tPars->SetTableName(QString::fromLatin1(metaObject()->className()));
    if (!tPars->Active())
        tPars->Open();
    if (tPars->IsEmpty()) {
        tPars->Append();
    } else {
        tPars->First();
        tPars->Edit();
    }
}

void TFDBChildPars::FormClose(TCloseAction &action)
{
    TForm::FormClose(action);
    if (tPars->State() == dsEdit || tPars->State() == dsInsert) {
        try {
            tPars->Post(); // the values typed are there at the next opening
        } catch (const std::exception &) {
            tPars->Cancel(); // a refused record leaves the last good one
        }
    }
}

void TFDBChildPars::btEseguiClick()
{
    if (QWidget *focus = ActiveControl())
        if (auto *edit = dynamic_cast<TDBEdit *>(focus); edit && !edit->Commit())
            throw EAbort();
    if (tPars->State() == dsEdit || tPars->State() == dsInsert)
        tPars->Post();
    tPars->Edit();
}

void TFDBChildPars::btChiudiClick()
{
    Close();
}

// ---- TFDBChildParsPage

TFDBChildParsPage::TFDBChildParsPage(QWidget *owner) : TFDBChildPars(owner)
{
    PageControl = new KPageControl(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    tsParametri = PageControl->AddPage(QStringLiteral("Parametri"), QStringLiteral("tsParametri"));
    tsRisultati = PageControl->AddPage(QStringLiteral("Risultati"), QStringLiteral("tsRisultati"));

    auto *frame = static_cast<QVBoxLayout *>(layout());
    delete frame->replaceWidget(ClientArea(), PageControl); // the client area moves into a page
    frame->removeWidget(pBottoni);
    auto *params = new QVBoxLayout(tsParametri);
    params->setContentsMargins(0, 0, 0, 0);
    params->addWidget(ClientArea(), 1);
    params->addWidget(pBottoni);

    DSRisultati = new TDataSource(this);
    DSRisultati->setObjectName(QStringLiteral("DSRisultati"));
    DSRisultati->SetAutoEdit(false);
    auto *results = new QVBoxLayout(tsRisultati);
    results->setContentsMargins(2, 2, 2, 2);
    gRisultati = new KDBGriglia(tsRisultati);
    gRisultati->setObjectName(QStringLiteral("gRisultati"));
    gRisultati->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect
                           | dgAlwaysShowSelection);
    gRisultati->SetDataSource(DSRisultati);
    results->addWidget(gRisultati, 1);
    pBottoniRisultati = new QWidget(tsRisultati);
    pBottoniRisultati->setObjectName(QStringLiteral("pBottoniRisultati"));
    resultButtons_ = new QHBoxLayout(pBottoniRisultati);
    resultButtons_->setContentsMargins(6, 4, 6, 6);
    resultButtons_->addStretch(1);
    btStampa = new QPushButton(QStringLiteral("&Stampa"), pBottoniRisultati);
    btStampa->setObjectName(QStringLiteral("btStampa"));
    btEsci = new QPushButton(QStringLiteral("&Esci"), pBottoniRisultati);
    btEsci->setObjectName(QStringLiteral("btEsci"));
    resultButtons_->addWidget(btStampa);
    resultButtons_->addWidget(btEsci);
    results->addWidget(pBottoniRisultati);

    connect(btStampa, &QPushButton::clicked, this, [this] { Guard([this] { btStampaClick(); }); });
    connect(btEsci, &QPushButton::clicked, this, [this] { Guard([this] { btEsciClick(); }); });
}

void TFDBChildParsPage::SetPagina(int page)
{
    PageControl->SetActivePageIndex(page == 1 ? 1 : 0);
}

int TFDBChildParsPage::Pagina() const
{
    return PageControl->ActivePageIndex();
}

QPushButton *TFDBChildParsPage::AggiungiBottoneRisultati(const QString &caption, const QString &name)
{
    auto *button = new QPushButton(caption, pBottoniRisultati);
    button->setObjectName(name);
    resultButtons_->insertWidget(resultButtons_->indexOf(btEsci), button);
    return button;
}

void TFDBChildParsPage::btStampaClick() {}

void TFDBChildParsPage::btEsciClick()
{
    Close();
}

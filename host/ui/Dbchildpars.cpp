#include "host/ui/Dbchildpars.h"

#include "host/data/TDataSource.h"
#include "host/data/TXMemTable.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Fuoco.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QStyle>
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

void TFDBChildPars::FormKeyDown(int &key, TShiftState shift)
{
    TForm::FormKeyDown(key, shift);
    if (key != Qt::Key_Escape || shift != 0 || Fuoco::DigitazioneAperta(QApplication::focusWidget()))
        return;
    key = 0;
    QPushButton *chiudi = BottoneChiudi();
    if (chiudi && !chiudi->isHidden() && chiudi->isEnabled())
        chiudi->click();
}

// ---- TFDBChildParsPage

namespace {

// Grows the window by the pixels given, within the main window's area (the screen for a
// top-level window); a fixed-size window keeps a fixed size, the new one.
void Cresci(TForm *form, int width, int height)
{
    QWidget *top = form->SubWindow() ? static_cast<QWidget *>(form->SubWindow()) : static_cast<QWidget *>(form);
    QMdiArea *area = form->SubWindow() ? form->SubWindow()->mdiArea() : nullptr;
    QSize limit =
        area ? area->viewport()->size()
             : (top->screen() ? top->screen()->availableGeometry().size() : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    const QSize now = top->size();
    const QSize size(std::max(now.width(), std::min(now.width() + std::max(width, 0), limit.width())),
                     std::max(now.height(), std::min(now.height() + std::max(height, 0), limit.height())));
    if (size == now)
        return;
    if (top->minimumSize() == top->maximumSize())
        top->setFixedSize(size);
    else
        top->resize(size);
    if (area) // moved back inside the area when it grew past an edge
        top->move(std::max(0, std::min(top->x(), limit.width() - size.width())),
                  std::max(0, std::min(top->y(), limit.height() - size.height())));
}

// Grows the window so the results' grids show their columns and a few rows.
void AdattaRisultati(TFDBChildParsPage *form)
{
    if (form->tsRisultati->layout())
        form->tsRisultati->layout()->activate();
    constexpr int righe = 6;
    int larghezza = 0;
    int altezza = 0;
    for (KDBGriglia *g : form->tsRisultati->findChildren<KDBGriglia *>()) {
        if (g->isHidden())
            continue;
        const int barra = g->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, g);
        const int cornice = 2 * g->frameWidth();
        const int colonne =
            g->horizontalHeader()->length() + (g->verticalHeader()->isVisible() ? g->verticalHeader()->width() : 0);
        larghezza = std::max(larghezza, colonne + cornice + barra - g->width());
        const int titoli = g->horizontalHeader()->isVisible() ? g->horizontalHeader()->sizeHint().height() : 0;
        altezza +=
            std::max(0, titoli + righe * g->verticalHeader()->defaultSectionSize() + cornice + barra - g->height());
    }
    Cresci(form, larghezza, altezza);
}

} // namespace

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

    connect(PageControl, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == 1)
            AdattaRisultati(this);
    });
    connect(btStampa, &QPushButton::clicked, this, [this] { Guard([this] { btStampaClick(); }); });
    connect(btEsci, &QPushButton::clicked, this, [this] { Guard([this] { btEsciClick(); }); });
}

void TFDBChildParsPage::SetPagina(int page)
{
    PageControl->SetActivePageIndex(page == 1 ? 1 : 0);
    if (page == 1)
        AdattaRisultati(this); // the columns of the results just read
}

int TFDBChildParsPage::Pagina() const
{
    return PageControl->ActivePageIndex();
}

QPushButton *TFDBChildParsPage::BottoneChiudi() const
{
    return Pagina() == 1 ? btEsci : btChiudi;
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

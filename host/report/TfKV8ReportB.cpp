#include "host/report/TfKV8ReportB.h"

#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/data/TDataSet.h"
#include "host/report/DataSetSource.h"
#include "host/report/ReportOutput.h"

#include <QRegularExpression>

TfKV8ReportB::TfKV8ReportB(QObject *owner) : QObject(owner)
{
    StampaSu.StampaAghi = &StampaAghi;
}

TfKV8ReportB::~TfKV8ReportB() = default;

// ---------------------------------------------------------------------------------------
// Datasets

void TfKV8ReportB::AggiungiDataSet(const QString &name, ReportDataSource *source)
{
    if (name.isEmpty() || !source)
        throw Exception(QStringLiteral("Dataset senza nome o nullo per la stampa %1").arg(NomeDefault()));
    for (auto &entry : datasets_)
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0) {
            entry.second = source;
            return;
        }
    datasets_.append({name, source});
}

void TfKV8ReportB::AggiungiDataSet(const QString &name, std::unique_ptr<ReportDataSource> source)
{
    AggiungiDataSet(name, source.get());
    owned_.push_back(std::move(source));
}

ReportDataSource *TfKV8ReportB::DataSet(const QString &name) const
{
    for (const auto &entry : datasets_)
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0)
            return entry.second;
    return nullptr;
}

void TfKV8ReportB::AggiungiDataSet(const QString &name, TDataSet *dataset)
{
    if (!dataset)
        throw Exception(QStringLiteral("Dataset nullo per la stampa %1").arg(NomeDefault()));
    const QString key = name.isEmpty() ? dataset->Name() : name;
    for (const auto &source : owned_)
        if (auto *wrapper = dynamic_cast<DataSetSource *>(source.get()); wrapper && wrapper->DataSet() == dataset) {
            AggiungiDataSet(key, wrapper);
            return;
        }
    AggiungiDataSet(key, std::make_unique<DataSetSource>(dataset));
}

ReportDataSource *TfKV8ReportB::Sorgente(TDataSet *dataset)
{
    if (!dataset)
        return nullptr;
    for (const auto &entry : std::as_const(datasets_))
        if (auto *wrapper = dynamic_cast<DataSetSource *>(entry.second); wrapper && wrapper->DataSet() == dataset)
            return wrapper;
    for (const auto &source : owned_)
        if (auto *wrapper = dynamic_cast<DataSetSource *>(source.get()); wrapper && wrapper->DataSet() == dataset)
            return wrapper;
    owned_.push_back(std::make_unique<DataSetSource>(dataset));
    return owned_.back().get();
}

QString TfKV8ReportB::NomeDataSet(const ReportDataSource *source) const
{
    for (const auto &entry : datasets_)
        if (entry.second == source)
            return entry.first;
    return QString();
}

QStringList TfKV8ReportB::NomiDataSet() const
{
    QStringList names;
    for (const auto &entry : datasets_)
        names.append(entry.first);
    return names;
}

// ---------------------------------------------------------------------------------------
// Steps

QString TfKV8ReportB::NomeDefault() const
{
    return nomeDefault_.isEmpty() ? QString::fromLatin1(metaObject()->className()) : nomeDefault_;
}

void TfKV8ReportB::InitReport(const QString &layout)
{
    CaricaLayout(ReportLayout::Load(layout.isEmpty() ? NomeDefault() : layout));
}

void TfKV8ReportB::CaricaLayout(std::unique_ptr<ReportLayout> layout)
{
    if (!layout)
        throw Exception(QStringLiteral("Layout nullo per la stampa %1").arg(NomeDefault()));
    if (layout->Name.isEmpty())
        layout->Name = NomeDefault();
    layout_ = std::move(layout);
}

ReportLayout &TfKV8ReportB::Layout()
{
    if (!layout_)
        InitReport();
    return *layout_;
}

void TfKV8ReportB::ImpostaReport(const QString &name)
{
    if (!name.isEmpty() && (!layout_ || layout_->Name.compare(name, Qt::CaseInsensitive) != 0))
        InitReport(name);
    Layout();
}

void TfKV8ReportB::ImpostaQuery(ReportDataSource *query, int index, const QString &selezione, const QString &ordine,
                                const QString &layout)
{
    if (!layout.isEmpty())
        ImpostaReport(layout);
    ReportLayout &current = Layout();
    if (!query) {
        if (index < 0 || index >= datasets_.size())
            throw Exception(QStringLiteral("Stampa %1: nessun dataset di indice %2").arg(current.Name).arg(index));
        query = datasets_[index].second;
    }
    QString name = NomeDataSet(query);
    if (name.isEmpty()) {
        if (index != 0)
            throw Exception(QStringLiteral("Stampa %1: query non appartenente alla stampa").arg(current.Name));
        name = current.DataSet;
        AggiungiDataSet(name, query);
    }
    QString templ = current.Query(name);
    if (templ.isEmpty())
        templ = query->SqlTemplate();
    if (!templ.isEmpty())
        query->SetSqlText(CompilaQuery(templ, selezione, ordine));
    impostate_.insert(query);
}

void TfKV8ReportB::ImpostaQuery(ReportDataSource *query, const QString &selezione, const QString &ordine)
{
    ImpostaQuery(query, 0, selezione, ordine);
}

void TfKV8ReportB::ImpostaQuery(std::nullptr_t, int index, const QString &selezione, const QString &ordine,
                                const QString &layout)
{
    ImpostaQuery(static_cast<ReportDataSource *>(nullptr), index, selezione, ordine, layout);
}

void TfKV8ReportB::ImpostaQuery(TDataSet *query, int index, const QString &selezione, const QString &ordine,
                                const QString &layout)
{
    if (!query) {
        ImpostaQuery(nullptr, index, selezione, ordine, layout);
        return;
    }
    ReportDataSource *source = Sorgente(query);
    if (NomeDataSet(source).isEmpty() && index != 0 && !query->Name().isEmpty())
        AggiungiDataSet(query->Name(), source);
    ImpostaQuery(source, index, selezione, ordine, layout);
}

void TfKV8ReportB::ImpostaQuery(TDataSet *query, const QString &selezione, const QString &ordine)
{
    ImpostaQuery(query, 0, selezione, ordine);
}

QString TfKV8ReportB::CompilaQuery(const QString &templ, const QString &selezione, const QString &ordine)
{
    static const QRegularExpression placeholder(QStringLiteral("\\{([^{}]*)\\}"));
    static const QRegularExpression where(QStringLiteral("XWHERE\\s*$"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression order(QStringLiteral("XORDER\\s*BY\\s*$"),
                                          QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype last = 0;
    auto it = placeholder.globalMatch(templ);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString inner = m.captured(1);
        QRegularExpressionMatch token = where.match(inner);
        QString text = selezione;
        if (!token.hasMatch()) {
            token = order.match(inner);
            text = ordine;
        }
        out += templ.mid(last, m.capturedStart() - last);
        last = m.capturedEnd();
        if (!token.hasMatch()) {
            out += m.captured(0); // not a placeholder of ours
            continue;
        }
        text = text.trimmed();
        if (text.isEmpty())
            continue;
        const QString keyword = inner.left(token.capturedStart()).simplified();
        out += keyword.isEmpty() ? text : keyword + QLatin1Char(' ') + text;
    }
    out += templ.mid(last);
    return out;
}

void TfKV8ReportB::CompilaQueryMancanti()
{
    for (const auto &entry : std::as_const(datasets_)) {
        if (impostate_.contains(entry.second))
            continue;
        QString templ = layout_->Query(entry.first);
        if (templ.isEmpty())
            templ = entry.second->SqlTemplate();
        if (!templ.isEmpty())
            entry.second->SetSqlText(CompilaQuery(templ, QString(), QString()));
    }
}

QString TfKV8ReportB::TitoloStampa() const
{
    return Titolo.isEmpty() && layout_ ? layout_->Title : Titolo;
}

ReportEngineOptions TfKV8ReportB::OpzioniMotore() const
{
    ReportEngineOptions options;
    options.Title = TitoloStampa();
    options.CompanyName = CFG.RagioneSociale;
    options.PrintDate = DataStampa.isValid() ? DataStampa : QDate::currentDate();
    return options;
}

ReportDocument TfKV8ReportB::Prepara()
{
    return Impagina(OpzioniMotore());
}

ReportDocument TfKV8ReportB::Impagina(ReportEngineOptions options)
{
    ReportLayout &layout = Layout();
    CompilaQueryMancanti();
    ReportEngine engine(
        layout, [this](const QString &name) { return DataSet(name); }, &hooks_, std::move(options));
    engine_ = &engine;
    struct Reset {
        ReportEngine *&engine;
        ~Reset() { engine = nullptr; }
    } reset{engine_};
    ReportDocument document = engine.Render();
    if (document.Name.isEmpty())
        document.Name = NomeDefault();
    return document;
}

int TfKV8ReportB::PaginaCorrente() const
{
    return engine_ ? engine_->CurrentPage() : 0;
}

void TfKV8ReportB::EseguiStampa(bool preview, bool sceltaStampante)
{
    ReportLayout &layout = Layout();
    ultimoFile_.clear();
    // A print without dot-matrix templates prints its graphic layout whatever the switch.
    if (StampaSu.Aghi && !layout.Text.Sections.isEmpty()) {
        TXStampaAghi &aghi = StampaSu.StampaAghi ? *StampaSu.StampaAghi : StampaAghi;
        aghi.Nome = layout.Name;
        aghi.Titolo = TitoloStampa();
        aghi.Ditta = CFG.RagioneSociale;
        aghi.DataStampa = DataStampa.isValid() ? DataStampa : QDate::currentDate();
        if (!aghi.DataSetTesta)
            aghi.DataSetTesta = DataSet(layout.DataSet);
        if (!aghi.DataSetRighe)
            aghi.DataSetRighe = aghi.DataSetTesta;
        aghi.Inizia(layout.Text);
        ReportProgress progress(aghi.Titolo.isEmpty() ? layout.Name : aghi.Titolo);
        aghi.Avanzamento = &progress;
        struct Reset {
            TXStampaAghi &aghi;
            ~Reset() { aghi.Avanzamento = nullptr; }
        } reset{aghi};
        CompilaQueryMancanti();
        EseguiStampaAghi();
        ultimoFile_ = aghi.Termina();
        return;
    }
    // Pages go out one at a time unless a capture keeps the print for reading.
    ReportProgress progress(TitoloStampa().isEmpty() ? layout.Name : TitoloStampa());
    ReportEngineOptions options = OpzioniMotore();
    options.Spool = !ReportCapture::Active();
    options.OnPage = [&progress](int page) { progress.Page(page, 0); };
    documento_ = ReportDocument();
    documento_ = Impagina(std::move(options));
    ultimoFile_ = ReportOutput::Deliver(documento_, preview, sceltaStampante, &progress);
}

void TfKV8ReportB::EseguiStampaAghi()
{
    TXStampaAghi &aghi = StampaSu.StampaAghi ? *StampaSu.StampaAghi : StampaAghi;
    ReportDataSource *rows = aghi.DataSetRighe;
    if (!rows)
        throw Exception(QStringLiteral("Stampa %1: dataset %2 non assegnato").arg(Layout().Name, Layout().DataSet));
    const int section = Layout().Text.Sections.firstKey();
    rows->Open();
    for (; !rows->Eof(); rows->Next())
        aghi.StampaRiga(section, rows);
    aghi.StampaCoda();
}

// ---------------------------------------------------------------------------------------
// By name

void TfKV8ReportB::ImpostaVisibile(const QString &name, bool visible)
{
    ReportLayout &layout = Layout();
    if (ReportBand *band = layout.Band(name))
        band->Visible = visible;
    else if (ReportSubReport *sub = layout.SubReport(name))
        sub->Visible = visible;
    else if (ReportRegion *region = layout.Region(name))
        region->Visible = visible;
    else if (ReportItem *item = layout.Item(name))
        item->Visible = visible;
    else
        throw Exception(
            QStringLiteral("Stampa %1: nessuna banda, regione, sotto-report o elemento %2").arg(layout.Name, name));
}

void TfKV8ReportB::ImpostaTesto(const QString &item, const QString &text)
{
    Elemento(item)->Text = text;
}

ReportItem *TfKV8ReportB::Elemento(const QString &name)
{
    ReportItem *item = Layout().Item(name);
    if (!item)
        throw Exception(QStringLiteral("Stampa %1: elemento %2 inesistente").arg(Layout().Name, name));
    return item;
}

ReportBand *TfKV8ReportB::Banda(const QString &name)
{
    ReportBand *band = Layout().Band(name);
    if (!band)
        throw Exception(QStringLiteral("Stampa %1: banda %2 inesistente").arg(Layout().Name, name));
    return band;
}

ReportGroup *TfKV8ReportB::Gruppo(const QString &name)
{
    ReportGroup *group = Layout().Group(name);
    if (!group)
        throw Exception(QStringLiteral("Stampa %1: gruppo %2 inesistente").arg(Layout().Name, name));
    return group;
}

ReportSubReport *TfKV8ReportB::SottoReport(const QString &name)
{
    ReportSubReport *sub = Layout().SubReport(name);
    if (!sub)
        throw Exception(QStringLiteral("Stampa %1: sotto-report %2 inesistente").arg(Layout().Name, name));
    return sub;
}

void TfKV8ReportB::OnBeforePrint(const QString &name, const std::function<void()> &hook)
{
    hooks_.BeforePrint.insert(name.toLower(), hook);
}

void TfKV8ReportB::OnPrint(const QString &item, const std::function<void(ReportItem &)> &hook)
{
    hooks_.OnPrint.insert(item.toLower(), hook);
}

// ---------------------------------------------------------------------------------------

TfKV8ReportB_Docs::TfKV8ReportB_Docs(QObject *owner) : TfKV8ReportB(owner) {}

ReportEngineOptions TfKV8ReportB_Docs::OpzioniMotore() const
{
    ReportEngineOptions options = TfKV8ReportB::OpzioniMotore();
    options.NewPagePerRecord = NuovaPaginaPerDocumento;
    options.PageNumberPerRecord = NumeraPerDocumento;
    return options;
}

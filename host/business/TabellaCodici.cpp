#include "host/business/TabellaCodici.h"

#include "host/business/Riferimenti.h"
#include "host/db/Dictionary.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"
#include "host/ui/DBNavigator.h"

#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

const TTabellaCodici Tabelle[] = {
    {QStringLiteral("BBAS0010F"), QStringLiteral("Nazioni"), QStringLiteral("Nazioni"), {}, {}},
    {QStringLiteral("BBAS0011F"), QStringLiteral("Divise"), QStringLiteral("Divise e Cambi"), QStringLiteral("Cambi"),
     QStringLiteral("Cambi (euro per unità della divisa)")},
    {QStringLiteral("BBAS0012F"), QStringLiteral("CodiciIva"), QStringLiteral("Codici IVA"), {}, {}},
    {QStringLiteral("BBAS0013F"), QStringLiteral("Pagamenti"), QStringLiteral("Pagamenti"),
     QStringLiteral("PagamentiD"), QStringLiteral("Rate")},
    {QStringLiteral("BBAS0014F"), QStringLiteral("UnitaMisura"), QStringLiteral("Unità di Misura"), {}, {}},
    {QStringLiteral("BBAS0015F"), QStringLiteral("Zone"), QStringLiteral("Zone"), {}, {}},
    {QStringLiteral("BBAS0016F"), QStringLiteral("Agenti"), QStringLiteral("Agenti"), {}, {}},
    {QStringLiteral("BBAS0017F"), QStringLiteral("Spedizionieri"), QStringLiteral("Spedizionieri / Vettori"), {}, {}},
    {QStringLiteral("BBAS0018F"), QStringLiteral("CategorieMerc"), QStringLiteral("Categorie Merceologiche"), {}, {}},
    {QStringLiteral("BBAS0020F"), QStringLiteral("Magazzini"), QStringLiteral("Magazzini"), {}, {}},
    {QStringLiteral("BBAS0021F"), QStringLiteral("TipiRigo"), QStringLiteral("Tipi Rigo"), {}, {}},
    {QStringLiteral("BBAS0022F"),
     QStringLiteral("TipiMovPagamento"),
     QStringLiteral("Tipi Movimento Pagamento"),
     {},
     {}},
    {QStringLiteral("BBAS0023F"), QStringLiteral("Banche"), QStringLiteral("Banche"), {}, {}},
    {QStringLiteral("BBAS0024F"), QStringLiteral("Porti"), QStringLiteral("Porti"), {}, {}},
    {QStringLiteral("BBAS0025F"), QStringLiteral("TipiTrasporto"), QStringLiteral("Tipi Trasporto"), {}, {}},
    {QStringLiteral("BBAS0026F"), QStringLiteral("Lingue"), QStringLiteral("Lingue"), {}, {}},
};

// The master windows of their own.
const char *const Finestre[][2] = {
    {"Articoli", "BBAS0055F"},        {"TipiListino", "BBAS0030F"},     {"Imballi", "BBAS0019F"},
    {"Clienti", "BBAS0051F"},         {"Fornitori", "BBAS0052F"},       {"Destinazioni", "BBAS0058F"},
    {"CausaliMagaz", "BBAS0047F"},    {"CausaliBolleCli", "BBAS0038F"}, {"CausaliFattCli", "BBAS0039F"},
    {"CausaliBolleFor", "BBAS0045F"},
};

// Columns the windows never show.
bool Interna(const DictColumn &c)
{
    return c.name.compare(QLatin1String("kPostIN"), Qt::CaseInsensitive) == 0;
}

void Intervallo(TDataSet *ds, const char *colonna, double minimo, double massimo)
{
    TField *f = ds->FindField(QLatin1String(colonna));
    if (!f)
        return;
    const double v = f->AsFloat();
    if (v < minimo || v > massimo)
        throw Exception(QStringLiteral("%1 deve essere fra %2 e %3: correggerlo prima di salvare.")
                            .arg(f->DisplayLabel(), QString::number(minimo), QString::number(massimo)));
}

// A grid column wide enough for its title and for the column's values: a character counted as
// wide as a digit, so that numeric codes show whole.
int LarghezzaColonna(const QWidget *griglia, const DictColumn &c)
{
    const QFontMetrics fm = griglia->fontMetrics();
    const int carattere = std::max(fm.averageCharWidth(), fm.horizontalAdvance(QLatin1Char('0')));
    const int valori = c.type == FieldType::String ? carattere * std::clamp(c.size, 3, 50) : fm.averageCharWidth() * 12;
    return std::max(fm.horizontalAdvance(c.label) + 20, valori + 12);
}

} // namespace

namespace TabelleCodici {

const QList<TTabellaCodici> &Elenco()
{
    static const QList<TTabellaCodici> elenco = [] {
        QList<TTabellaCodici> out;
        for (const TTabellaCodici &t : Tabelle)
            if (const DictTable *d = Dictionary::Instance().Table(t.Tabella); d && d->IsStored())
                out << t;
        return out;
    }();
    return elenco;
}

const TTabellaCodici *PerCodice(const QString &codice)
{
    for (const TTabellaCodici &t : Elenco())
        if (t.Codice == codice)
            return &t;
    return nullptr;
}

QString CodiceMenu(const QString &tabella)
{
    for (const TTabellaCodici &t : Elenco())
        if (t.Tabella.compare(tabella, Qt::CaseInsensitive) == 0)
            return t.Codice;
    for (const auto &f : Finestre)
        if (tabella.compare(QLatin1String(f[0]), Qt::CaseInsensitive) == 0)
            return QLatin1String(f[1]);
    return QString();
}

} // namespace TabelleCodici

TFTabellaCodici::TFTabellaCodici(QWidget *owner) : TFBBasAnagrafica(owner) {}

void TFTabellaCodici::ImpostaTabella(const TTabellaCodici &tabella)
{
    const DictTable *dict = Dictionary::Instance().Table(tabella.Tabella);
    if (!dict || !dict->IsStored())
        throw Exception(
            QStringLiteral("La tabella %1 non è nel dizionario del database aziendale").arg(tabella.Tabella));
    const DictTable *dett = tabella.Dettaglio.isEmpty() ? nullptr : Dictionary::Instance().Table(tabella.Dettaglio);
    if (!tabella.Dettaglio.isEmpty() && (!dett || !dett->IsStored()))
        throw Exception(
            QStringLiteral("La tabella %1 non è nel dizionario del database aziendale").arg(tabella.Dettaglio));
    config_ = tabella;
    setObjectName(QStringLiteral("TFTabellaCodici_") + dict->name);
    setWindowTitle(tabella.Titolo);

    tMain = CreaTabella(QStringLiteral("tMain"), dict->name);
    tMain->BeforePost = [this](TDataSet *d) { tMainBeforePost(d); };
    tMain->BeforeDelete = [this](TDataSet *d) { tMainBeforeDelete(d); };

    auto *esterno = new QHBoxLayout(ClientArea());
    esterno->setContentsMargins(8, 8, 8, 8);
    auto *pagina = new QWidget(ClientArea());
    pagina->setObjectName(QStringLiteral("pnDettaglio"));
    auto *griglia = new QGridLayout(pagina);
    griglia->setObjectName(QStringLiteral("lyDettaglio"));
    griglia->setVerticalSpacing(4);
    griglia->setColumnStretch(2, 1);
    int riga = 0;
    int colonneGriglia = 0;
    for (const DictColumn &c : dict->columns) {
        if (Interna(c))
            continue;
        QWidget *descrizione = nullptr;
        QWidget *controllo = Controllo(c, dict->name, pagina, descrizione);
        if (auto *check = qobject_cast<QCheckBox *>(controllo)) {
            griglia->addWidget(check, riga++, 1, 1, 2);
        } else {
            auto *etichetta = new QLabel((c.label.isEmpty() ? c.name : c.label) + QLatin1Char(':'), pagina);
            etichetta->setObjectName(QStringLiteral("lb") + c.name);
            etichetta->setBuddy(controllo);
            griglia->addWidget(etichetta, riga, 0);
            griglia->addWidget(controllo, riga, 1, 1, descrizione ? 1 : 2);
            if (descrizione)
                griglia->addWidget(descrizione, riga, 2);
            ++riga;
        }
        if (colonneGriglia++ < 4)
            GrigliaMain->AddColumn(c.name, c.label, LarghezzaColonna(GrigliaMain, c));
    }
    griglia->setRowStretch(riga, 1);
    esterno->addWidget(pagina, 1);

    if (dett) {
        tDettaglio = new TXTabellaAnagrafica(this);
        tDettaglio->SetName(QStringLiteral("tDettaglio"));
        tDettaglio->SetTableName(dett->name);
        tDettaglio->SetUsaDizionario(true);
        tDettaglio->SetIndexFieldNames(dett->primaryKey.join(QLatin1Char(';')));
        tDettaglio->SetMasterSource(DSMain);
        tDettaglio->SetMasterFields(dict->primaryKey.join(QLatin1Char(';')));
        tDettaglio->BeforeInsert = [this](TDataSet *d) { tDettaglioBeforeInsert(d); };
        tDettaglio->OnNewRecord = [this](TDataSet *d) { tDettaglioNewRecord(d); };
        tDettaglio->BeforePost = [this](TDataSet *d) { tDettaglioBeforePost(d); };
        DSDettaglio = new TDataSource(this);
        DSDettaglio->setObjectName(QStringLiteral("DSDettaglio"));
        DSDettaglio->SetDataSet(tDettaglio);

        auto *gruppo = new QGroupBox(tabella.TitoloDettaglio, ClientArea());
        gruppo->setObjectName(QStringLiteral("gbDettaglio"));
        auto *lyGruppo = new QVBoxLayout(gruppo);
        NavDettaglio = new TDBNavigator(gruppo);
        NavDettaglio->setObjectName(QStringLiteral("NavDettaglio"));
        NavDettaglio->SetDataSource(DSDettaglio);
        NavDettaglio->SetVisibleButtons(NavButton(nbInsert) | NavButton(nbDelete) | NavButton(nbPost)
                                        | NavButton(nbCancel));
        lyGruppo->addWidget(NavDettaglio, 0, Qt::AlignLeft);
        GrigliaDettaglio = new KDBGriglia(gruppo);
        GrigliaDettaglio->setObjectName(QStringLiteral("GrigliaDettaglio"));
        GrigliaDettaglio->SetDataSource(DSDettaglio);
        for (const DictColumn &c : dett->columns)
            if (!Interna(c) && !dict->primaryKey.contains(c.name, Qt::CaseInsensitive))
                GrigliaDettaglio->AddColumn(c.name, c.label, LarghezzaColonna(GrigliaDettaglio, c));
        lyGruppo->addWidget(GrigliaDettaglio, 1);
        esterno->addWidget(gruppo, 1);
    }
    SetClientSize(dett ? 880 : 560, std::clamp(riga * 28 + 40, 220, 520));
}

QWidget *TFTabellaCodici::Controllo(const DictColumn &c, const QString &tabella, QWidget *parent, QWidget *&descrizione)
{
    descrizione = nullptr;
    const QString nome = c.name;
    // a code of another table: searched there, its description beside it
    for (const Riferimenti::TRiferimento &r : Riferimenti::Di(tabella)) {
        if (r.Colonne.size() != 1 || r.Colonne.first().compare(nome, Qt::CaseInsensitive) != 0)
            continue;
        auto *edit = new TDBCodeEdit(parent);
        edit->setObjectName(QStringLiteral("ed") + nome);
        edit->TabellaRicerca = r.Riferita;
        edit->CampoChiave = r.Chiavi.first();
        edit->CodiceMenu = TabelleCodici::CodiceMenu(r.Riferita);
        edit->setMaximumWidth(edit->fontMetrics().averageCharWidth() * std::max(c.size, 4) + 48);
        auto *label = new QLabel(parent);
        label->setObjectName(QStringLiteral("lbDs") + nome);
        label->setMinimumWidth(160);
        edit->LabelDescrizione = label;
        edit->SetDataSource(DSMain);
        edit->SetDataField(nome);
        descrizione = label;
        return edit;
    }
    QWidget *controllo = nullptr;
    IDataControl *dati = nullptr;
    if (!c.items.isEmpty()) {
        auto *combo = new TDBComboBox(parent);
        combo->setObjectName(QStringLiteral("cb") + nome);
        combo->setMaximumWidth(220);
        controllo = combo;
        dati = combo;
    } else if (c.type == FieldType::SmallInt && nome.startsWith(QLatin1String("Fl"))) {
        auto *check = new TDBCheckBox(parent);
        check->setObjectName(QStringLiteral("ch") + nome);
        check->setText(c.label.isEmpty() ? nome : c.label);
        controllo = check;
        dati = check;
    } else if (c.type == FieldType::DateTime) {
        auto *date = new TDBDateEdit(parent);
        date->setObjectName(QStringLiteral("ed") + nome);
        date->setMaximumWidth(110);
        controllo = date;
        dati = date;
    } else if (c.type == FieldType::Memo) {
        auto *memo = new TDBMemo(parent);
        memo->setObjectName(QStringLiteral("mm") + nome);
        memo->setMaximumHeight(80);
        controllo = memo;
        dati = memo;
    } else {
        auto *edit = new TDBEdit(parent);
        edit->setObjectName(QStringLiteral("ed") + nome);
        const int caratteri = c.type == FieldType::String ? std::clamp(c.size, 3, 50) : 12;
        edit->setMaximumWidth(edit->fontMetrics().averageCharWidth() * caratteri + 24);
        if (c.type != FieldType::String)
            edit->setAlignment(Qt::AlignRight);
        controllo = edit;
        dati = edit;
    }
    dati->SetDataField(nome);
    dati->SetDataSource(DSMain);
    return controllo;
}

void TFTabellaCodici::FormCreate()
{
    TFBBasAnagrafica::FormCreate();
    if (tDettaglio) {
        tDettaglio->Open();
        AttivaControlliCodici(tDettaglio);
    }
}

QStringList TFTabellaCodici::TabelleCollegate() const
{
    return config_.Dettaglio.isEmpty() ? QStringList() : QStringList{config_.Dettaglio};
}

void TFTabellaCodici::tMainBeforePost(TDataSet *DataSet)
{
    ControllaRecord(DataSet);
    ControllaValori(DataSet);
}

void TFTabellaCodici::tMainBeforeDelete(TDataSet *DataSet)
{
    ControllaCancellazione(DataSet);
}

void TFTabellaCodici::tDettaglioBeforeInsert(TDataSet *)
{
    if (tMain->State() == dsEdit || tMain->State() == dsInsert)
        tMain->Post();
    if (tMain->IsEmpty())
        throw Exception(QStringLiteral("Inserire prima il codice, poi le sue righe."));
}

void TFTabellaCodici::tDettaglioNewRecord(TDataSet *)
{
    const QList<TField *> chiave = tDettaglio->PrimaryKeyFields();
    if (chiave.isEmpty())
        return;
    TField *propria = chiave.last();
    if (propria->DataType() == ftDateTime) {
        propria->SetAsDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)));
    } else if (propria->IsNumeric()) {
        // the next number among the code's rows
        QStringList condizione;
        QVariantList valori;
        for (TField *f : chiave.mid(0, chiave.size() - 1)) {
            condizione << f->FieldName() + QStringLiteral(" = ?");
            valori << f->Value();
        }
        const QVariant massimo = tDettaglio->Database().ScalarValue(
            QStringLiteral("SELECT MAX(%1) FROM %2 WHERE %3")
                .arg(propria->FieldName(), tDettaglio->TableName(), condizione.join(QLatin1String(" AND "))),
            valori);
        propria->SetAsInteger(massimo.toLongLong() + 1);
    }
}

void TFTabellaCodici::tDettaglioBeforePost(TDataSet *DataSet)
{
    ControllaRecord(DataSet);
    ControllaValori(DataSet);
}

void TFTabellaCodici::ControllaValori(TDataSet *ds)
{
    const QString tabella = qobject_cast<TXTable *>(ds) ? qobject_cast<TXTable *>(ds)->TableName() : QString();
    auto e = [&tabella](const char *nome) { return tabella.compare(QLatin1String(nome), Qt::CaseInsensitive) == 0; };
    if (e("Divise")) {
        Intervallo(ds, "DecPrezzo", 0, 6);
        Intervallo(ds, "DecValore", 0, 6);
    } else if (e("Cambi")) {
        if (ds->FieldByName(QStringLiteral("Cambio"))->AsFloat() <= 0)
            throw Exception(QStringLiteral(
                "Il cambio deve essere maggiore di zero: indicare quanti euro vale un'unità della divisa."));
    } else if (e("CodiciIva")) {
        Intervallo(ds, "Aliquota", 0, 100);
        Intervallo(ds, "AliqVentilaz", 0, 100);
        Intervallo(ds, "Indetraibilita", 0, 100);
    } else if (e("Agenti")) {
        Intervallo(ds, "Provvigione", 0, 100);
    } else if (e("Pagamenti")) {
        Intervallo(ds, "NumeroRate", 0, 99);
    } else if (e("PagamentiD")) {
        Intervallo(ds, "Percentuale", 0, 100);
        Intervallo(ds, "Decorrenza", 0, 3660);
    }
}

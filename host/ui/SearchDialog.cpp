#include "host/ui/SearchDialog.h"

#include "host/core/KV8Config.h"
#include "host/data/TDataSource.h"
#include "host/data/TXQuery.h"
#include "host/db/Dictionary.h"
#include "host/ui/DBGrid.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <memory>

namespace {

constexpr int kDefaultLimit = 500;

QString LikePattern(const QString &text, bool anywhere)
{
    QString escaped;
    for (const QChar c : text.trimmed().toUpper()) {
        if (c == QLatin1Char('!') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            escaped += QLatin1Char('!');
        escaped += c;
    }
    return (anywhere ? QStringLiteral("%") : QString()) + escaped + QStringLiteral("%");
}

} // namespace

namespace Dlgricerca {

QString ColonnaDescrizione(const QString &table, const QString &key)
{
    const DictTable *t = Dictionary::Instance().Table(table);
    if (!t)
        return QString();
    for (const char *preferred : {"Descrizione", "RagioneSociale"})
        if (const DictColumn *c = t->Column(QString::fromLatin1(preferred)))
            return c->name;
    for (const DictColumn &c : t->columns)
        if (c.name.startsWith(QLatin1String("Ds"), Qt::CaseInsensitive) && c.type == FieldType::String)
            return c.name;
    bool afterKey = false;
    for (const DictColumn &c : t->columns) {
        if (c.name.compare(key, Qt::CaseInsensitive) == 0) {
            afterKey = true;
            continue;
        }
        if (afterKey && c.type == FieldType::String)
            return c.name;
    }
    return QString();
}

bool Ricerca(QWidget *owner, TRicerca &ricerca)
{
    const ClassRef cls = Dlgbase::XGetDialogClass(ClassRef::Of<TfdlgRicerca>());
    std::unique_ptr<TfdlgRicerca> dialog(cls.CreateAs<TfdlgRicerca>(owner));
    dialog->Params = ricerca;
    dialog->DoCreate();
    if (dialog->ShowModal() != mrOk)
        return false;
    ricerca.Risultato = dialog->Params.Risultato;
    ricerca.Descrizione = dialog->Params.Descrizione;
    return ricerca.Risultato.isValid();
}

} // namespace Dlgricerca

TfdlgRicerca::TfdlgRicerca(QWidget *owner) : TfdlgBase(owner)
{
    setWindowTitle(QStringLiteral("Ricerca"));
    auto *layout = new QVBoxLayout(ClientArea());
    auto *top = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("&Cerca:"), ClientArea());
    edRicerca = new QLineEdit(ClientArea());
    edRicerca->setObjectName(QStringLiteral("edRicerca"));
    label->setBuddy(edRicerca);
    cbTipoRic = new QComboBox(ClientArea());
    cbTipoRic->setObjectName(QStringLiteral("cbTipoRic"));
    cbTipoRic->addItems({QStringLiteral("per Codice"), QStringLiteral("per Descrizione")});
    top->addWidget(label);
    top->addWidget(edRicerca, 1);
    top->addWidget(cbTipoRic);
    layout->addLayout(top);

    qRicerca = new TXQuery(this);
    qRicerca->setObjectName(QStringLiteral("qRicerca"));
    dsRicerca = new TDataSource(this);
    dsRicerca->setObjectName(QStringLiteral("dsRicerca"));
    dsRicerca->SetDataSet(qRicerca);
    dsRicerca->SetAutoEdit(false);
    gLista = new KDBGriglia(ClientArea());
    gLista->setObjectName(QStringLiteral("gLista"));
    gLista->SetOptions(dgTitles | dgColumnResize | dgColLines | dgRowLines | dgRowSelect | dgAlwaysShowSelection);
    gLista->SetReadOnly(true);
    gLista->SetDataSource(dsRicerca);
    layout->addWidget(gLista, 1);
    lbInfo_ = new QLabel(ClientArea());
    layout->addWidget(lbInfo_);
    SetClientSize(560, 380);

    connect(edRicerca, &QLineEdit::textChanged, this, [this] { Guard([this] { Cerca(); }); });
    connect(cbTipoRic, qOverload<int>(&QComboBox::activated), this, [this] { Guard([this] { Cerca(); }); });
    gLista->OnDblClick = [this](KDBGriglia *) { PressOk(); };
}

TfdlgRicerca::~TfdlgRicerca() = default;

void TfdlgRicerca::FormShow()
{
    TfdlgBase::FormShow();
    if (Params.Titolo.isEmpty()) {
        const DictTable *t = Dictionary::Instance().Table(Params.Tabella);
        setWindowTitle(QStringLiteral("Ricerca ") + (t && !t->label.isEmpty() ? t->label : Params.Tabella));
    } else {
        setWindowTitle(Params.Titolo);
    }
    cbTipoRic->setCurrentIndex(Params.sTipoRic == 1 ? 1 : 0);
    {
        const QSignalBlocker block(edRicerca);
        edRicerca->setText(Params.sRicerca);
    }
    Cerca();
    SetActiveControl(edRicerca);
}

QString TfdlgRicerca::TestoSQL(QVariantList &values) const
{
    const QString key = Params.CampoChiave;
    QString description = Params.CampoDescrizione;
    if (description.isEmpty())
        description = Dlgricerca::ColonnaDescrizione(Params.Tabella, key);
    QStringList columns{key};
    if (!description.isEmpty() && description.compare(key, Qt::CaseInsensitive) != 0)
        columns << description;
    for (const QString &c : Params.AltreColonne)
        if (!columns.contains(c, Qt::CaseInsensitive))
            columns << c;
    const QString source = Params.Vista.isEmpty() ? Params.Tabella : Params.Vista;
    QStringList where;
    if (!Params.Condizione.trimmed().isEmpty())
        where << QStringLiteral("(%1)").arg(Params.Condizione);
    const bool byDescription = cbTipoRic->currentIndex() == 1 && !description.isEmpty();
    const QString typed = edRicerca->text().trimmed();
    values.clear();
    if (!typed.isEmpty()) {
        if (byDescription)
            where << QStringLiteral("UPPER(%1) LIKE :Testo ESCAPE '!'").arg(description);
        else
            where << QStringLiteral("UPPER(CAST(%1 AS VARCHAR(80))) LIKE :Testo ESCAPE '!'").arg(key);
        values << LikePattern(typed, byDescription);
    }
    int limit = Params.Limite;
    if (limit <= 0)
        limit = KV8Config::GetFBBAS07().LimiteRicerca;
    if (limit <= 0)
        limit = kDefaultLimit;
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(columns.join(QLatin1String(", ")), source);
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QLatin1String(" AND "));
    sql += QStringLiteral(" ORDER BY %1 LIMIT %2").arg(byDescription ? description : key).arg(limit);
    return sql;
}

void TfdlgRicerca::Cerca()
{
    QVariantList values;
    const QString sql = TestoSQL(values);
    qRicerca->Close();
    qRicerca->SQL = QStringList{sql};
    if (!values.isEmpty())
        qRicerca->ParamByName(QStringLiteral("Testo"))->SetAsString(values.first().toString());
    qRicerca->Open();
    lbInfo_->setText(QStringLiteral("%1 righe").arg(qRicerca->RecordCount()));
    UpdateOk();
}

void TfdlgRicerca::UpdateOk()
{
    const bool rows = qRicerca->Active() && !qRicerca->IsEmpty();
    btOk->setEnabled(rows);
}

void TfdlgRicerca::FormKeyDown(int &key, TShiftState shift)
{
    if ((key == Qt::Key_Down || key == Qt::Key_Up) && edRicerca->hasFocus() && qRicerca->Active()) {
        if (key == Qt::Key_Down)
            qRicerca->Next();
        else
            qRicerca->Prior();
        key = 0;
        return;
    }
    TfdlgBase::FormKeyDown(key, shift);
}

void TfdlgRicerca::btOkClick()
{
    if (!qRicerca->Active() || qRicerca->IsEmpty())
        throw EAbort();
    TField *key = qRicerca->Fields(0);
    Params.Risultato = key->Value();
    Params.Descrizione = qRicerca->FieldCount() > 1 ? qRicerca->Fields(1)->AsString() : QString();
}

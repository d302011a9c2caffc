#include "host/business/Anagrafica.h"

#include "host/business/Riferimenti.h"
#include "host/db/Dictionary.h"
#include "host/db/TXTransaction.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Periodo.h"

namespace {

bool Vuoto(const QVariant &v)
{
    if (v.isNull() || !v.isValid())
        return true;
    if (v.typeId() == QMetaType::QString)
        return v.toString().trimmed().isEmpty();
    bool numero = false;
    const double d = v.toDouble(&numero);
    return numero && d == 0;
}

QString Testo(const QVariantList &valori)
{
    QStringList parti;
    for (const QVariant &v : valori)
        parti << v.toString();
    return parti.join(QLatin1String(" / "));
}

} // namespace

// ---- TXTabellaAnagrafica

TXTabellaAnagrafica::TXTabellaAnagrafica(QObject *owner) : TXClientTable(owner) {}

QString TXTabellaAnagrafica::MessaggioDuplicato() const
{
    return MessaggioCodiceDuplicato(this);
}

void TXTabellaAnagrafica::InTransazione(const std::function<void()> &lavoro)
{
    TXDatabase &db = Database();
    if (db.InTransaction()) {
        lavoro();
        return;
    }
    TXTransaction transazione(db);
    lavoro();
    transazione.Commit();
}

void TXTabellaAnagrafica::InternalPost(Record *oldRecord, QVector<QVariant> &values)
{
    InTransazione([&] {
        try {
            TXClientTable::InternalPost(oldRecord, values);
        } catch (const EKeyViolation &) {
            // the driver's text is in the log; the user reads which code is taken
            throw EKeyViolation(MessaggioDuplicato());
        }
        if (OnRigaScritta)
            OnRigaScritta(this);
    });
}

void TXTabellaAnagrafica::InternalDelete(Record *record)
{
    InTransazione([&] {
        if (OnRigaCancellata)
            OnRigaCancellata(this);
        TXClientTable::InternalDelete(record);
    });
}

// ---- TFBBasAnagrafica

TFBBasAnagrafica::TFBBasAnagrafica(QWidget *owner) : TFDBTabChild(owner) {}

TXTabellaAnagrafica *TFBBasAnagrafica::CreaTabella(const QString &nome, const QString &tabella)
{
    tabella_ = new TXTabellaAnagrafica(this);
    tabella_->SetName(nome);
    tabella_->SetTableName(tabella);
    tabella_->SetUsaDizionario(true);
    if (const DictTable *t = Dictionary::Instance().Table(tabella))
        tabella_->SetIndexFieldNames(t->primaryKey.join(QLatin1Char(';')));
    tabella_->OnRigaCancellata = [this](TXTabellaAnagrafica *t) { EliminaCollegati(t); };
    DSMain->SetDataSet(tabella_);
    return tabella_;
}

void TFBBasAnagrafica::ImpostaPagine(KPageControl *pagine)
{
    QWidget *primo = nullptr;
    while (pagine->count() > 0) {
        QWidget *pagina = pagine->widget(0);
        const QString titolo = pagine->tabText(0);
        pagine->removeTab(0);
        PageControl->addTab(pagina, titolo);
        if (!primo)
            primo = pagina;
    }
    if (!primo)
        return;
    // the layout's own page, now empty, leaves the page control
    PageControl->removeTab(PageControl->indexOf(tsDettaglio));
    tsDettaglio->hide();
    tsDettaglio = primo;
}

void TFBBasAnagrafica::FormCreate()
{
    TFDBTabChild::FormCreate();
    if (tabella_)
        AttivaControlliCodici(tabella_);
    const QList<TField *> chiave = tabella_ ? tabella_->PrimaryKeyFields() : QList<TField *>();
    for (QWidget *w : findChildren<QWidget *>()) {
        auto *c = dynamic_cast<TDBFieldControl *>(w);
        if (!c || c->DataSource() != DSMain)
            continue;
        for (TField *f : chiave)
            if (f->FieldName().compare(c->DataField(), Qt::CaseInsensitive) == 0)
                controlliChiave_ << w;
    }
    DSMainStateChange(DSMain);
}

void TFBBasAnagrafica::DSMainStateChange(TDataSource *source)
{
    // editing from the list shows the detail; a detail page being typed into stays in front
    TFDBChild::DSMainStateChange(source);
    const bool modifica = source && (source->State() == dsEdit || source->State() == dsInsert);
    if (modifica && PageControl->currentWidget() == tsGriglia)
        MostraPagina(1);
    const bool nuovo = source && source->State() == dsInsert;
    for (QWidget *w : std::as_const(controlliChiave_)) {
        if (auto *edit = qobject_cast<TDBEdit *>(w))
            edit->SetReadOnly(!nuovo);
        else if (auto *combo = qobject_cast<TDBComboBox *>(w))
            combo->SetReadOnly(!nuovo);
    }
}

bool TFBBasAnagrafica::InitForm()
{
    MostraPagina(0);
    if (!tabella_)
        return true;
    if (!tabella_->Active()) {
        tabella_->Open();
    } else if (tabella_->State() == dsBrowse) {
        tabella_->Refresh();
    }
    if (tabella_->State() == dsBrowse)
        tabella_->First();
    return true;
}

bool TFBBasAnagrafica::PosizionaCodice(const QString &codice)
{
    if (!tabella_ || !tabella_->Active() || codice.isEmpty())
        return false;
    tabella_->CheckBrowseMode();
    const QList<TField *> chiave = tabella_->PrimaryKeyFields();
    if (chiave.isEmpty())
        return false;
    QStringList nomi;
    QVariantList valori;
    for (TField *f : chiave) {
        nomi << f->FieldName();
        if (f != chiave.last())
            valori << f->Value();
        else
            valori << (f->IsNumeric() ? QVariant(codice.toLongLong()) : QVariant(codice));
    }
    if (!tabella_->Locate(nomi.join(QLatin1Char(';')), valori.size() == 1 ? valori.first() : QVariant(valori)))
        return false;
    MostraPagina(1);
    return true;
}

void TFBBasAnagrafica::AttivaControlliCodici(TXTable *tabella)
{
    QStringList chiave;
    for (TField *f : tabella->PrimaryKeyFields())
        chiave << f->FieldName().toLower();
    for (const Riferimenti::TRiferimento &r : Riferimenti::Di(tabella->TableName())) {
        if (r.Colonne.size() != 1 || chiave.contains(r.Colonne.first().toLower()))
            continue;
        if (TField *f = tabella->FindField(r.Colonne.first()))
            f->OnValidate = [this](TField *campo) { ControllaCodice(campo); };
    }
}

void TFBBasAnagrafica::ControllaCodice(TField *field)
{
    const QVariant valore = field->Value();
    auto *tabella = qobject_cast<TXTable *>(field->DataSet());
    if (Vuoto(valore) || !tabella)
        return;
    QStringList tabelle;
    for (const Riferimenti::TRiferimento &r : Riferimenti::Di(tabella->TableName())) {
        if (r.Colonne.size() != 1 || r.Colonne.first().compare(field->FieldName(), Qt::CaseInsensitive) != 0)
            continue;
        if (Riferimenti::Esiste(r, {valore}))
            return;
        tabelle << Riferimenti::Etichetta(r.Riferita);
    }
    if (!tabelle.isEmpty())
        throw Exception(QStringLiteral("Il codice %1 non esiste in %2: sceglierne uno con la ricerca (F4).")
                            .arg(valore.toString(), tabelle.join(QLatin1String(" o "))));
}

void TFBBasAnagrafica::ControllaRecord(TDataSet *dataSet)
{
    auto *tabella = qobject_cast<TXTable *>(dataSet);
    if (!tabella)
        return;
    const QList<TField *> chiave = tabella->PrimaryKeyFields();
    QStringList nomiChiave;
    for (TField *f : chiave) {
        nomiChiave << f->FieldName().toLower();
        if (f->IsText() && f->AsString() != f->AsString().trimmed())
            f->SetAsString(f->AsString().trimmed());
        if (Vuoto(f->Value()))
            throw Exception(QStringLiteral("%1 mancante: indicarlo prima di salvare.").arg(f->DisplayLabel()));
        if (dataSet->State() == dsEdit && f->Value() != f->OldValue())
            throw Exception(QStringLiteral("%1 non si può cambiare: annullare la modifica e inserire un nuovo codice.")
                                .arg(f->DisplayLabel()));
    }
    // codes of several columns (a bank, an account): found in one of the tables they may name
    QList<QStringList> fatti;
    for (const Riferimenti::TRiferimento &r : Riferimenti::Di(tabella->TableName())) {
        if (r.Colonne.size() < 2 || fatti.contains(r.Colonne))
            continue;
        bool diChiave = true;
        for (const QString &c : r.Colonne)
            diChiave = diChiave && nomiChiave.contains(c.toLower());
        if (diChiave)
            continue; // the record's own parent, checked by the window
        fatti << r.Colonne;
        QVariantList valori;
        bool completo = true;
        for (const QString &c : r.Colonne) {
            valori << dataSet->FieldByName(c)->Value();
            completo = completo && !Vuoto(valori.last());
        }
        if (!completo)
            continue;
        QStringList tabelle;
        bool trovato = false;
        for (const Riferimenti::TRiferimento &s : Riferimenti::Di(tabella->TableName()))
            if (s.Colonne == r.Colonne && !trovato) {
                trovato = Riferimenti::Esiste(s, valori);
                tabelle << Riferimenti::Etichetta(s.Riferita);
            }
        if (!trovato)
            throw Exception(QStringLiteral("Il codice %1 non esiste in %2: sceglierne uno con la ricerca (F4).")
                                .arg(Testo(valori), tabelle.join(QLatin1String(" o "))));
    }
    // a period (DataInizioX to DataFineX) may not end before it starts
    for (TField *inizio : dataSet->FieldList()) {
        if (!inizio->FieldName().startsWith(QLatin1String("DataInizio"), Qt::CaseInsensitive))
            continue;
        TField *fine = dataSet->FindField(QStringLiteral("DataFine") + inizio->FieldName().mid(10));
        if (fine && Funzioni::PeriodoInvertito(inizio->AsDateTime(), fine->AsDateTime())) {
            inizio->FocusControl();
            throw Exception(Funzioni::TestoPeriodoInvertito());
        }
    }
}

void TFBBasAnagrafica::ControllaCancellazione(TDataSet *dataSet)
{
    const QList<TField *> chiave = tabella_->PrimaryKeyFields();
    Riferimenti::ControllaCancellazione(
        tabella_->TableName(), chiave.isEmpty() ? QString() : chiave.last()->AsString(),
        [dataSet](const QString &colonna) { return dataSet->FieldByName(colonna)->Value(); }, TabelleCollegate());
}

void TFBBasAnagrafica::EliminaCollegati(TDataSet *dataSet)
{
    const QStringList collegate = TabelleCollegate();
    if (collegate.isEmpty())
        return;
    TXDatabase &db = tabella_->Database();
    for (const Riferimenti::TRiferimento &r : Riferimenti::A(tabella_->TableName())) {
        if (!collegate.contains(r.Tabella, Qt::CaseInsensitive))
            continue;
        QStringList condizione;
        QVariantList valori;
        for (int i = 0; i < r.Colonne.size(); ++i) {
            condizione << r.Colonne.at(i) + QStringLiteral(" = ?");
            valori << dataSet->FieldByName(r.Chiavi.at(i))->Value();
        }
        db.ExecSQL(QStringLiteral("DELETE FROM %1 WHERE %2").arg(r.Tabella, condizione.join(QLatin1String(" AND "))),
                   valori);
    }
}

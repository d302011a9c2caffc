#include "host/business/Dmibase.h"

#include "host/business/Funzionibase.h"
#include "host/data/XDataModule.h"
#include "host/db/DMIDataBases.h"

#include <QScopeGuard>

TDMIBase::TDMIBase(QObject *owner) : TDataModule(owner)
{
    SetName(QStringLiteral("DMIBase"));

    lkArticoli = Lookup(QStringLiteral("lkArticoli"), QStringLiteral("Articoli"));
    lkClienti = Lookup(QStringLiteral("lkClienti"), QStringLiteral("Clienti"));
    lkFornitori = Lookup(QStringLiteral("lkFornitori"), QStringLiteral("Fornitori"));
    lkConti = Lookup(QStringLiteral("lkConti"), QStringLiteral("PianoConti"));
    lkDestinazioni = Lookup(QStringLiteral("lkDestinazioni"), QStringLiteral("Destinazioni"));
    lkNazioni = Lookup(QStringLiteral("lkNazioni"), QStringLiteral("Nazioni"));
    lkImballi = Lookup(QStringLiteral("lkImballi"), QStringLiteral("Imballi"));
    lkAgenti = Lookup(QStringLiteral("lkAgenti"), QStringLiteral("Agenti"));
    TipiListino = Lookup(QStringLiteral("TipiListino"), QStringLiteral("TipiListino"));
    lkCausBolleCli = Lookup(QStringLiteral("lkCausBolleCli"), QStringLiteral("CausaliBolleCli"));
    lkCausFattCli = Lookup(QStringLiteral("lkCausFattCli"), QStringLiteral("CausaliFattCli"));
    lkCausBolleFor = Lookup(QStringLiteral("lkCausBolleFor"), QStringLiteral("CausaliBolleFor"));
    lkCausMagaz = Lookup(QStringLiteral("lkCausMagaz"), QStringLiteral("CausaliMagaz"));
    lkDivise = Lookup(QStringLiteral("lkDivise"), QStringLiteral("Divise"));
    lkCodiciIva = Lookup(QStringLiteral("lkCodiciIva"), QStringLiteral("CodiciIva"));
    lkPagamenti = Lookup(QStringLiteral("lkPagamenti"), QStringLiteral("Pagamenti"));
    lkTipiMovPagamento = Lookup(QStringLiteral("lkTipiMovPagamento"), QStringLiteral("TipiMovPagamento"));
    lkConfigVar = Lookup(QStringLiteral("lkConfigVar"), QStringLiteral("VariabiliConfig"));
    ProtIVA = Create<TXClientTable>(QStringLiteral("ProtIVA"));
    ProtIVA->SetTableName(QStringLiteral("ProtIVA"));
    ProtIVA->SetDatabaseName(QStringLiteral("GlobalDatabase"));
    ProtIVA->SetXWhereVuoto(QStringLiteral("Anno = -1"));
    lkTipiRigo = Lookup(QStringLiteral("lkTipiRigo"), QStringLiteral("TipiRigo"));
    lkEserciziMag = Lookup(QStringLiteral("lkEserciziMag"), QStringLiteral("EserciziMagazzino"));
    lkCausaliDocMagaz = Lookup(QStringLiteral("lkCausaliDocMagaz"), QStringLiteral("CausaliDocMagaz"));

    // prices and values show the decimals of their currency wherever they show
    kv8data::SetCurrencyDecimalsSource([](const QString &divisa) {
        TXlkTable *divise = TDMIBase::Crea()->lkDivise;
        // a lookup some window positioned stays where it was
        const QString corrente = divise->Active() && !divise->IsEmpty()
                                     ? divise->FieldByName(QStringLiteral("IdDivisa"))->AsString()
                                     : QString();
        auto riposiziona = qScopeGuard([&] {
            if (!corrente.isEmpty())
                Posiziona(divise, QStringLiteral("IdDivisa"), {corrente});
        });
        const Funzioni::TDecimaliDivisa decimali = Funzioni::LeggiDecimaliDivisa(divise, divisa);
        return kv8data::CurrencyDecimals{decimali.Prezzo, decimali.Valore};
    });

    DMIDataBases &databases = DMIDataBases::Instance();
    if (databases.Has(QStringLiteral("GlobalDatabase"))) {
        QStringList tabelle;
        for (const TXlkTable *t : Lookups())
            tabelle << t->TableName();
        Listen(&databases.Global(), tabelle);
    }
}

TDMIBase::~TDMIBase() = default;

TDMIBase *TDMIBase::Crea(QObject *owner)
{
    if (!DMIBase)
        DMIBase = new TDMIBase(owner ? owner : ApplicationOwner());
    return DMIBase;
}

namespace {

const char *const kRileggi = "kv8Rileggi";             // due to be read again at the next use
const char *const kInTransazione = "kv8InTransazione"; // read inside the open transaction

void Leggi(TXlkTable *t)
{
    t->Close();
    t->Open();
    t->setProperty(kRileggi, false);
    t->setProperty(kInTransazione, t->Database().InTransaction());
}

// Whether the current record holds the key values (texts and numbers given as such, compared
// as Locate compares them).
bool SulRecord(TXlkTable *t, const QString &campiChiave, const QVariantList &valori)
{
    if (t->IsEmpty())
        return false;
    const QList<TField *> campi = t->GetFieldList(campiChiave);
    if (campi.size() != valori.size())
        return false;
    for (qsizetype i = 0; i < campi.size(); ++i) {
        const QVariant &v = valori.at(i);
        const QVariant corrente = campi.at(i)->Value();
        if (campi.at(i)->IsText()) {
            if (v.metaType().id() != QMetaType::QString || corrente.isNull() || corrente.toString() != v.toString())
                return false;
        } else if (campi.at(i)->IsNumeric()) {
            const int tipo = v.metaType().id();
            if ((tipo != QMetaType::Int && tipo != QMetaType::LongLong && tipo != QMetaType::Double)
                || corrente.isNull() || corrente.toDouble() != v.toDouble())
                return false;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

bool TDMIBase::Posiziona(TXlkTable *tabella, const QString &campiChiave, const QVariantList &valori,
                         bool rileggiSeManca)
{
    const QVariant chiave = valori.size() == 1 ? valori.first() : QVariant(valori);
    const bool letta = !tabella->Active() || tabella->property(kRileggi).toBool();
    if (letta)
        Leggi(tabella);
    else if (SulRecord(tabella, campiChiave, valori))
        return true; // the same key asked again, as row after row of a document does
    if (tabella->Locate(campiChiave, chiave))
        return true;
    if (letta || !rileggiSeManca)
        return false;
    QVariantList corrente;
    if (!tabella->IsEmpty())
        for (const QString &campo : campiChiave.split(QLatin1Char(';')))
            corrente << tabella->FieldByName(campo.trimmed())->Value();
    Leggi(tabella);
    if (tabella->Locate(campiChiave, chiave))
        return true;
    if (!corrente.isEmpty())
        tabella->Locate(campiChiave, corrente.size() == 1 ? corrente.first() : QVariant(corrente));
    return false;
}

void TDMIBase::Rileggi(const QString &tabella)
{
    for (TXlkTable *t : Lookups())
        if (t->TableName().compare(tabella, Qt::CaseInsensitive) == 0)
            t->setProperty(kRileggi, true);
}

QList<TXlkTable *> TDMIBase::Lookups() const
{
    return findChildren<TXlkTable *>(QString(), Qt::FindDirectChildrenOnly);
}

void TDMIBase::TableWritten()
{
    for (TXlkTable *t : Lookups())
        t->setProperty(kRileggi, true);
}

void TDMIBase::TransactionCommitted()
{
    for (TXlkTable *t : Lookups())
        t->setProperty(kInTransazione, false);
}

void TDMIBase::TransactionRolledBack()
{
    // nothing read inside the transaction stays in memory
    for (TXlkTable *t : Lookups()) {
        if (t->property(kInTransazione).toBool()) {
            t->setProperty(kInTransazione, false);
            if (t->Active())
                Leggi(t);
        }
    }
}

bool TDMIBase::InPeriodo(TDataSet *tabella, const QString &campoDal, const QString &campoAl, const QDateTime &data)
{
    const QDateTime da = tabella->FieldByName(campoDal)->AsDateTime();
    const QDateTime a = tabella->FieldByName(campoAl)->AsDateTime();
    if (da.isNull() && a.isNull())
        return true;
    if (data.isNull())
        return false;
    return (da.isNull() || da.date() <= data.date()) && (a.isNull() || a.date() >= data.date());
}

QString TDMIBase::NumeroDocumento(const QString &, int anno, int, int numero, const QString &testo)
{
    return anno > 0 && numero > 0 ? testo + QLatin1Char('/') + QString::number(anno) : testo;
}

TXlkTable *TDMIBase::Lookup(const QString &name, const QString &table)
{
    auto *t = Create<TXlkTable>(name);
    t->SetTableName(table);
    t->SetDatabaseName(QStringLiteral("GlobalDatabase"));
    return t;
}

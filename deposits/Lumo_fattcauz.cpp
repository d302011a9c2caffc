#include "deposits/Lumo_fattcauz.h"

#include "deposits/Lumo_lavori.h"
#include "frame/Lumo_funzioni.h"
#include "host/business/Dmibase.h"
#include "host/core/Errors.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"

#include <QPushButton>
#include <QSqlQuery>

#include <cmath>
#include <optional>

namespace {

// Customers whose cards one statement locks and reads.
constexpr qsizetype kClientiPerLettura = 500;

// rowsInBatch: the table's posts wait for the commit and reach the database many rows to a
// statement (or earlier, before a statement that names the table).
TXClientTable *Tabella(QObject *owner, const QString &nome, const QString &chiave, bool rowsInBatch = false)
{
    auto *t = new TXClientTable(owner);
    t->SetName(nome);
    t->SetTableName(nome);
    t->SetXWhereVuoto(chiave + QStringLiteral(" = -1"));
    t->SetDeferredWrites(rowsInBatch);
    return t;
}

} // namespace

TFCauzFatturazione::TFCauzFatturazione(QWidget *owner) : TFDBChildParsPage(owner)
{
    btStampa->setVisible(false); // nothing to print
    btGenera = AggiungiBottoneRisultati(QStringLiteral("Genera FT."), QStringLiteral("btGenera"));
    connect(btGenera, &QPushButton::clicked, this, [this] { btGeneraClick(); });
    tTeste = Tabella(this, QStringLiteral("FattureCliTeste"), QStringLiteral("KFattCliT"));
    tRighe = Tabella(this, QStringLiteral("FattureCliRighe"), QStringLiteral("KFattCliR"), true);
    tMovT = Tabella(this, QStringLiteral("LUMO_MovCauT"), QStringLiteral("KContaT"), true);
    tMovR = Tabella(this, QStringLiteral("LUMO_MovCauR"), QStringLiteral("KContaR"), true);
    tCauzDoc = Tabella(this, QStringLiteral("LUMO_CauzDocFatt"), QStringLiteral("KMovimento"), true);
}

void TFCauzFatturazione::ImpostaParametri(const QString &tabella)
{
    TDMIBase *base = TDMIBase::Crea();
    tPars->SetTableName(tabella);
    tPars->SetUsaDizionario(true);
    tPars->AddLookupField(QStringLiteral("_DsCausale"), ftString, 40, base->lkCausFattCli, QStringLiteral("IdCausale"),
                          QStringLiteral("IdCausale"), QStringLiteral("DsCausale"));
    tPars->AddLookupField(QStringLiteral("_DsListino"), ftString, 40, base->TipiListino, QStringLiteral("IdListino"),
                          QStringLiteral("IdListino"), QStringLiteral("DsListino"));
    tPars->AfterOpen = [this](TDataSet *) {
        tPars->FieldByName(QStringLiteral("IdCausale"))->OnValidate = [this](TField *f) { tParsIdCausaleValidate(f); };
        tPars->FieldByName(QStringLiteral("IdListino"))->OnValidate = [this](TField *f) { tParsIdListinoValidate(f); };
    };
}

QDateTime TFCauzFatturazione::DataDocumento() const
{
    return tPars->FieldByName(QStringLiteral("DataDocumento"))->AsDateTime();
}

QString TFCauzFatturazione::Parametro(const char *campo) const
{
    return tPars->FieldByName(QLatin1String(campo))->AsString();
}

void TFCauzFatturazione::tParsIdCausaleValidate(TField *f)
{
    if (f->AsString().isEmpty())
        return;
    TXlkTable *causali = TDMIBase::Crea()->lkCausFattCli;
    if (!TDMIBase::Posiziona(causali, QStringLiteral("IdCausale"), {f->AsString()}, false))
        throw Exception(QStringLiteral("Codice causale non valido"));
    if (causali->FieldByName(QStringLiteral("UT_LMQ_FlCauzioni"))->AsInteger() == 0)
        throw Exception(QStringLiteral("Attenzione, la Causale non gestisce le cauzioni"));
}

void TFCauzFatturazione::tParsIdListinoValidate(TField *f)
{
    if (!TDMIBase::Posiziona(TDMIBase::Crea()->TipiListino, QStringLiteral("IdListino"), {f->AsString()}, false))
        throw Exception(QStringLiteral("Codice listino non valido"));
}

void TFCauzFatturazione::btEseguiClick()
{
    TFDBChildParsPage::btEseguiClick();
    try {
        if (Parametro("IdCausale").isEmpty())
            throw Exception(QStringLiteral("Causale non impostata"));
        if (DataDocumento().isNull())
            throw Exception(QStringLiteral("Data documento non impostata"));
        if (Parametro("IdListino").isEmpty())
            throw Exception(QStringLiteral("Listino non impostato"));
    } catch (const std::exception &e) {
        Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK, 0);
        return;
    }
    PreparaDati();
}

void TFCauzFatturazione::NumeroGenerato(int numero)
{
    if (NCINiziale == 0)
        NCINiziale = numero;
    NCFinale = numero;
}

void TFCauzFatturazione::btGeneraClick()
{
    if (Kmessages::KMessage(QStringLiteral("Conferma Generazione Documenti "), mtConfirmation, mbYesNo, 0) != mrYes)
        return;
    PreparaGenerazione();
    TXDatabase &db = tTeste->Database();
    QList<TDataSet *> insiemi{tTeste, tRighe, TDMIBase::Crea()->ProtIVA, tMovT, tMovR, tCauzDoc};
    insiemi << AltriDataSet();
    {
        CAUZ_LavoroInCorso lavoro(this, true);
        btGenera->setEnabled(false);
        std::optional<TXTransaction> transazione;
        bool registrato = false;
        try {
            for (TDataSet *d : insiemi)
                Funzioni::CheckTabOpen(d);
            transazione.emplace(db);
            if (!transazione->Started()) {
                btGenera->setEnabled(true);
                return;
            }
            TXlkTable *causali = TDMIBase::Crea()->lkCausFattCli;
            TDMIBase::Posiziona(causali, QStringLiteral("IdCausale"), {Parametro("IdCausale")}, false);
            const auto flag = [causali](const char *campo) {
                return causali->FieldByName(QLatin1String(campo))->AsInteger();
            };
            Causale = {flag("SerieRegistro"),   flag("FlTipoRegistro"),   flag("UT_LMQ_FlAggMovC"),
                       flag("UT_LMQ_FlAggCau"), flag("UT_LMQ_FlAggCauF"), flag("UT_LMQ_FlAggCauB")};
            Mdimainbase::ProgressStart(RigheDaElaborare(), QStringLiteral("Aggiornamento in corso..."));
            try {
                Genera();
            } catch (const std::exception &) {
                db.CheckTransactionUsable(); // a step failed because the engine ended the transaction
                throw;
            }
            transazione->Commit();
            registrato = true;
        } catch (const std::exception &e) {
            Kmessages::KMessage(Kmessages::ExceptionText(e), Kmessages::JobErrorType(e, mtInformation), mbOK, 0);
        }
        Mdimainbase::ProgressEnd();
        if (transazione && !registrato) {
            for (TDataSet *d : insiemi)
                Funzioni::CheckRollBack(d);
            transazione.reset();
            // nothing of the run was kept
            NCINiziale = 0;
            NCFinale = 0;
        }
        FineGenerazione();
    }
    Kmessages::KMessage(
        QStringLiteral("Elaborazione Terminata : Generate NC da <%1> a <%2>").arg(NCINiziale).arg(NCFinale),
        mtInformation, mbOK, 0);
    Close();
}

void TFCauzFatturazione::BloccaGiacenze(const QStringList &clienti)
{
    giacenze_.clear();
    schedeDestinazione_.clear();
    QStringList ordinati = clienti;
    ordinati.sort();
    ordinati.removeDuplicates();
    TXDatabase &db = tTeste->Database();
    const auto figura = [](TDataSet *s, const char *carico, const char *reso) {
        return s->FieldByName(QLatin1String(carico))->AsFloat() - s->FieldByName(QLatin1String(reso))->AsFloat();
    };
    for (qsizetype primo = 0; primo < ordinati.size(); primo += kClientiPerLettura) {
        const QStringList gruppo = ordinati.mid(primo, kClientiPerLettura);
        // on SQLite the run's transaction holds the database's write lock already
        if (db.IsPostgres()) {
            QVariantList valori;
            for (const QString &c : gruppo)
                valori << c;
            db.OpenQuery(QStringLiteral("SELECT IdConto FROM Clienti WHERE IdContoTp = 'CL' AND IdConto IN (?")
                             + QStringLiteral(", ?").repeated(gruppo.size() - 1)
                             + QStringLiteral(") ORDER BY IdConto FOR UPDATE"),
                         valori);
        }
        // the cards the run moves, read once and locked for the card update
        UT_LMQ_CAUZ_BloccaSchede(QStringLiteral("CL"), gruppo, [&](TDataSet *s) {
            const QString cliente = s->FieldByName(QStringLiteral("IdConto"))->AsString();
            const QString imballo = s->FieldByName(QStringLiteral("IdImballo"))->AsString();
            if (s->FieldByName(QStringLiteral("FlTipoScheda"))->AsInteger() == 1) {
                Giacenza &g = giacenze_[cliente][imballo];
                g.Saldo += figura(s, "ProgQtaCarF", "ProgQtaResF");
                g.Eccedenza += figura(s, "QtaResEcc", "QtaCarEcc");
            } else {
                schedeDestinazione_.insert(
                    {cliente, imballo},
                    {figura(s, "ProgQtaCar", "ProgQtaRes"), figura(s, "ProgValCar", "ProgValRes"),
                     figura(s, "ProgQtaCarB", "ProgQtaResB"), figura(s, "ProgValCarB", "ProgValResB"),
                     figura(s, "ProgQtaCarF", "ProgQtaResF"), figura(s, "ProgValCarF", "ProgValResF")});
            }
        });
    }
}

void TFCauzFatturazione::RiservaChiavi(qint64 documenti, qint64 righe)
{
    tTeste->ReserveKeys(documenti);
    tRighe->ReserveKeys(righe);
    if (Causale.FlAggMovC != 1)
        return;
    tMovT->ReserveKeys(documenti);
    tMovR->ReserveKeys(righe);
    tCauzDoc->ReserveKeys(righe);
}

void TFCauzFatturazione::ControllaProposta(const QString &cliente, double proposto, double registrato)
{
    if (std::abs(registrato - proposto) > 1e-9)
        throw Exception(QStringLiteral("Le giacenze cauzioni del cliente <%1> sono cambiate dopo la "
                                       "preparazione: ripetere l'elaborazione.")
                            .arg(cliente));
}

bool TFCauzFatturazione::RegistraTestaCauzioni()
{
    if (Causale.FlAggMovC != 1)
        return false;
    tMovT->Insert();
    tMovT->FieldByName(QStringLiteral("DataReg"))
        ->SetValue(tTeste->FieldByName(QStringLiteral("DataDocumento"))->Value());
    tMovT->FieldByName(QStringLiteral("DataDoc"))
        ->SetValue(tTeste->FieldByName(QStringLiteral("DataDocumento"))->Value());
    tMovT->FieldByName(QStringLiteral("FlTipoDocColl"))->SetAsInteger(2);
    tMovT->FieldByName(QStringLiteral("KDocT"))
        ->SetAsLargeInt(tTeste->FieldByName(QStringLiteral("KFattCliT"))->AsLargeInt());
    for (const char *campo : {"Anno", "Serie", "Numero", "IdCausale", "IdDestinazione", "IdDivisa", "Cambio"})
        tMovT->FieldByName(QLatin1String(campo))->SetValue(tTeste->FieldByName(QLatin1String(campo))->Value());
    tMovT->FieldByName(QStringLiteral("IdContoTp"))
        ->SetValue(tTeste->FieldByName(QStringLiteral("IdClienteTp"))->Value());
    tMovT->FieldByName(QStringLiteral("IdConto"))->SetValue(tTeste->FieldByName(QStringLiteral("IdCliente"))->Value());
    tMovT->FieldByName(QStringLiteral("IdListino"))
        ->SetValue(tTeste->FieldByName(QStringLiteral("UT_LMQ_IdListCau"))->Value());
    tMovT->FieldByName(QStringLiteral("FlAggCau"))->SetAsInteger(Causale.FlAggCau);
    tMovT->FieldByName(QStringLiteral("FlAggCauB"))->SetAsInteger(Causale.FlAggCauB);
    tMovT->FieldByName(QStringLiteral("FlAggCauF"))->SetAsInteger(Causale.FlAggCauF);
    tMovT->Post();
    return true;
}

void TFCauzFatturazione::RegistraRigaCauzioni(const QString &imballo, double qtaRes, double prezzo, double valoreRes,
                                              double qtaCarEcc)
{
    tMovR->Insert();
    tMovR->FieldByName(QStringLiteral("KContaT"))
        ->SetAsLargeInt(tMovT->FieldByName(QStringLiteral("KContaT"))->AsLargeInt());
    tMovR->FieldByName(QStringLiteral("IdImballo"))->SetAsString(imballo);
    tMovR->FieldByName(QStringLiteral("QtaRes"))->SetAsFloat(qtaRes);
    tMovR->FieldByName(QStringLiteral("QtaCarEcc"))->SetAsFloat(qtaCarEcc);
    tMovR->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(prezzo);
    tMovR->FieldByName(QStringLiteral("ValoreRes"))->SetAsFloat(valoreRes);
    tMovR->Post();

    const QString tipo = tTeste->FieldByName(QStringLiteral("IdClienteTp"))->AsString();
    const QString conto = tTeste->FieldByName(QStringLiteral("IdCliente"))->AsString();
    // the destination-0 card before this booking (zeros when missing)
    const FigureScheda scheda = schedeDestinazione_.value({conto, imballo}, FigureScheda{});
    tCauzDoc->Insert();
    tCauzDoc->FieldByName(QStringLiteral("KFattCliT"))
        ->SetAsLargeInt(tTeste->FieldByName(QStringLiteral("KFattCliT"))->AsLargeInt());
    tCauzDoc->FieldByName(QStringLiteral("FlTipoDocColl"))->SetAsInteger(2);
    tCauzDoc->FieldByName(QStringLiteral("IdImballo"))->SetAsString(imballo);
    tCauzDoc->FieldByName(QStringLiteral("QtaRes"))->SetAsFloat(qtaRes);
    tCauzDoc->FieldByName(QStringLiteral("QtaCarEcc"))->SetAsFloat(qtaCarEcc);
    tCauzDoc->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(prezzo);
    tCauzDoc->FieldByName(QStringLiteral("ValoreRes"))->SetAsFloat(valoreRes);
    size_t colonna = 0;
    for (const char *campo : {"EsistenzaAtt", "ValoreEsiAtt", "EsistenzaB", "ValoreEsiB", "EsistenzaF", "ValoreEsiF"})
        tCauzDoc->FieldByName(QLatin1String(campo))->SetAsFloat(scheda[colonna++]);
    tCauzDoc->Post();

    UT_LMQ_CAUZ_AggiornaProgressivi(tTeste->FieldByName(QStringLiteral("DataDocumento"))->AsDateTime(), tipo, conto,
                                    tTeste->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger(),
                                    tTeste->FieldByName(QStringLiteral("IdDivisa"))->AsString(),
                                    tTeste->FieldByName(QStringLiteral("Cambio"))->AsFloat(), imballo, 0, qtaRes,
                                    qtaCarEcc, 0, prezzo, Causale.FlAggCau, Causale.FlAggCauF, Causale.FlAggCauB, 0, 0,
                                    0);
}

#include "host/business/Sven0007d.h"

#include "ui_Sven0007d.h"

#include "host/core/Errors.h"
#include "host/data/TDataSource.h"
#include "host/data/TField.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"
#include "host/ui/Periodo.h"

#include <QApplication>

#include <cstdio>
#include <memory>

// ---- the print

TfSVen0007s::TfSVen0007s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Sven0007s"));
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    // the invoice date as a date on both databases (the local work table keeps it as text)
    qMain->AddCalcField(QStringLiteral("_DataFattura"), ftDateTime);
    qMain->OnCalcFields = [](TDataSet *d) {
        d->FieldByName(QStringLiteral("_DataFattura"))
            ->SetValue(kv8data::CoerceLoaded(d->FieldByName(QStringLiteral("DataDocumento"))->Value(), ftDateTime));
    };
    AggiungiDataSet(QStringLiteral("qMain"), qMain);
}

bool TfSVen0007s::InitForm(const QList<qint64> &fatture, const QMap<qint64, int> &bollePerFattura, bool provvisoria)
{
    InitReport();
    qMain->Close();
    if (fatture.isEmpty())
        return false;
    QStringList chiavi;
    QStringList bolle;
    for (qint64 k : fatture) {
        chiavi << QString::number(k); // integer keys
        bolle << QStringLiteral("WHEN %1 THEN %2").arg(k).arg(bollePerFattura.value(k));
    }
    qMain->SetDatabaseName(provvisoria ? QStringLiteral("LocalDatabase") : QStringLiteral("GlobalDatabase"));
    qMain->SQL = {
        QStringLiteral("SELECT KFattCliT, DataDocumento, Numero, IdCausale, IdCliente, TotDocumento, 1 AS Conta, "
                       "CASE KFattCliT %1 ELSE 0 END AS NumBolle")
            .arg(bolle.join(QLatin1Char(' '))),
        QStringLiteral("FROM %1").arg(provvisoria ? QStringLiteral("t_FattureCliT")
                                                  : QStringLiteral("FattureCliTeste")),
        QStringLiteral("WHERE KFattCliT IN (%1)").arg(chiavi.join(QLatin1Char(','))),
        QStringLiteral("ORDER BY IdCliente, Numero, KFattCliT")};
    qMain->Open();
    return !qMain->IsEmpty();
}

// ---- the window

TFSVen0007d::TFSVen0007d(QWidget *owner) : TFDBChildParsPage(owner), ui(new Ui::Sven0007d)
{
    SetupLayout(*ui);
    SetCaption(QStringLiteral("Generazione Fatture"));
    tPars->SetTableName(QStringLiteral("sven0007d"));
    tPars->SetUsaDizionario(true);
    tMessaggi = new TXMemTable(this);
    tMessaggi->SetName(QStringLiteral("tMessaggi"));
    tMessaggi->AddField(QStringLiteral("Tipo"), ftString, 1);
    tMessaggi->AddField(QStringLiteral("Messaggio"), ftString, 250);
    DSRisultati->SetDataSet(tMessaggi);
    gRisultati->AddColumn(QStringLiteral("Tipo"), QStringLiteral("Tipo"), 40);
    gRisultati->AddColumn(QStringLiteral("Messaggio"), QStringLiteral("Messaggio"), 620);
    gRisultati->SetReadOnly(true);
    tsPaginaOpzioni = tsParametri;
    tsPaginaOpzioni->setObjectName(QStringLiteral("tsPaginaOpzioni"));
    tsPagina2 = tsRisultati;
    tsPagina2->setObjectName(QStringLiteral("tsPagina2"));
    Errori = gRisultati;
    Errori->setObjectName(QStringLiteral("Errori"));
    SetActiveControl(ui->edDataFattura);
}

TFSVen0007d::~TFSVen0007d()
{
    delete ui;
}

void TFSVen0007d::FormClose(TCloseAction &action)
{
    TFDBChildParsPage::FormClose(action);
    if (FSVen0007d == this)
        FSVen0007d = nullptr;
}

bool TFSVen0007d::LeggiParametri(TfSVen0007d_DM::TParametri &p)
{
    const auto testo = [this](const char *c) { return tPars->FieldByName(QLatin1String(c))->AsString().trimmed(); };
    const auto data = [this](const char *c) { return tPars->FieldByName(QLatin1String(c))->AsDateTime(); };
    auto rifiuta = [](const QString &t) {
        Kmessages::KMessage(t, mtError, mbOK);
        return false;
    };
    p.DataFattura = data("DataFattura");
    if (p.DataFattura.isNull())
        return rifiuta(QStringLiteral("Manca la data delle fatture: indicarla prima di generare."));
    p.IdCausale = testo("IdCausale");
    if (p.IdCausale.isEmpty())
        return rifiuta(QStringLiteral("Manca la causale delle fatture: indicarla prima di generare."));
    p.DataDa = data("DataDa");
    p.DataA = data("DataA");
    if (Funzioni::PeriodoInvertito(p.DataDa, p.DataA))
        return rifiuta(Funzioni::TestoPeriodoInvertito());
    p.ClienteDa = testo("IdClienteDa");
    p.ClienteA = testo("IdClienteA");
    if (!p.ClienteDa.isEmpty() && !p.ClienteA.isEmpty() && p.ClienteDa > p.ClienteA)
        return rifiuta(QStringLiteral("Il cliente iniziale segue quello finale: correggere l'intervallo."));
    p.IdCausaleBolla = testo("IdCausaleBolla");
    p.Raggruppamento = tPars->FieldByName(QStringLiteral("Raggruppamento"))->AsInteger();
    p.FlProvvisoria = tPars->FieldByName(QStringLiteral("FlProvvisoria"))->AsInteger() == 1 ? 1 : 0;
    return true;
}

bool TFSVen0007d::EseguiGenerazione(const TfSVen0007d_DM::TParametri &parametri)
{
    FattureGenerate.clear();
    BollePerFattura.clear();
    UltimaProvvisoria = parametri.FlProvvisoria == 1;
    UltimaRiuscita = false;
    std::unique_ptr<TfSVen0007d_DM> dm(TfSVen0007d_DM::Crea(this));
    dm->Parametri = parametri;
    TXDatabase &db = DMIDataBases::Instance().Global();
    QStringList messaggi;
    QString errore;
    int tipoErrore = mtWarning;
    {
        // a provisional run writes nothing of the company: the transaction holds a definitive one
        std::unique_ptr<TXTransaction> transazione;
        if (!UltimaProvvisoria) {
            transazione = std::make_unique<TXTransaction>(db);
            if (!transazione->Started())
                return false;
        }
        try {
            dm->Genera();
            messaggi = dm->Messaggi;
            db.CheckTransactionUsable(); // a step refused because the engine ended the transaction
            // "{B}" marks an error; "{B} " (a space after the mark) a notice to look at
            for (const QString &m : messaggi)
                if (m.startsWith(QLatin1String("{B}")) && !m.startsWith(QLatin1String("{B} ")) && errore.isEmpty())
                    errore = m.mid(3);
            if (errore.isEmpty() && transazione)
                transazione->Commit();
        } catch (const EAbort &) {
            messaggi = dm->Messaggi;
            errore = QStringLiteral("Generazione interrotta.");
        } catch (const std::exception &e) {
            messaggi = dm->Messaggi;
            errore = Kmessages::ExceptionText(e);
            tipoErrore = Kmessages::JobErrorType(e, mtWarning);
        }
        // leaving the scope rolls back a definitive run that did not commit
    }
    if (!errore.isEmpty() && !UltimaProvvisoria) {
        messaggi << QStringLiteral("{B}Generazione annullata: nessuna fattura registrata.");
        MostraMessaggi(messaggi);
        Kmessages::KMessage(QStringLiteral("Errore in generazione fatture, nessuna fattura registrata: ") + errore,
                            tipoErrore, mbOK);
        return false;
    }
    for (const TfSVen0007d_DM::TFatturaGenerata &f : dm->FattureGenerate) {
        const qint64 k = f.Chiave.toLongLong();
        FattureGenerate << k;
        BollePerFattura.insert(k, int(dm->FattureBolle.value(k).size()));
    }
    if (!errore.isEmpty())
        messaggi << QStringLiteral("{B}") + errore;
    messaggi << QStringLiteral("Fatture generate: %1").arg(FattureGenerate.size());
    MostraMessaggi(messaggi);
    UltimaRiuscita = errore.isEmpty();
    if (UltimaRiuscita && FattureGenerate.isEmpty())
        Kmessages::KMessage(QStringLiteral("Nessuna bolla da fatturare: nessuna fattura generata."), mtInformation,
                            mbOK);
    return UltimaRiuscita;
}

void TFSVen0007d::MostraMessaggi(const QStringList &messaggi)
{
    tMessaggi->Close();
    tMessaggi->Open();
    tMessaggi->EmptyTable();
    for (const QString &m : messaggi) {
        QString tipo;
        QString testo = m;
        if (m.startsWith(QLatin1String("{B}")) || m.startsWith(QLatin1String("{U}"))) {
            tipo = m.mid(1, 1);
            testo = m.mid(3);
        }
        tMessaggi->Append();
        tMessaggi->FieldByName(QStringLiteral("Tipo"))->SetAsString(tipo);
        tMessaggi->FieldByName(QStringLiteral("Messaggio"))->SetAsString(testo.left(250));
        tMessaggi->Post();
    }
    tMessaggi->First();
    SetPagina(1);
}

void TFSVen0007d::btEseguiClick()
{
    TFDBChildParsPage::btEseguiClick();
    TfSVen0007d_DM::TParametri p;
    if (!LeggiParametri(p))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        EseguiGenerazione(p);
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
}

void TFSVen0007d::btStampaClick()
{
    std::unique_ptr<TfSVen0007s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<TfSVen0007s>()).CreateAs<TfSVen0007s>(this));
    if (!stampa->InitForm(FattureGenerate, BollePerFattura, UltimaProvvisoria)) {
        Kmessages::KMessage(QStringLiteral("Nessuna fattura da stampare: eseguire prima una generazione."),
                            mtInformation, mbOK);
        return;
    }
    stampa->EseguiStampa(true);
}

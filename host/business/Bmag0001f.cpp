#include "host/business/Bmag0001f.h"

#include "ui_Bmag0001f.h"

#include "host/business/Dmibase.h"
#include "host/business/Dmibbas.h"
#include "host/business/Dmibmag.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KV8Config.h"
#include "host/core/Kutfunctions.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TDataSource.h"
#include "host/data/TField.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXlkTable.h"
#include "host/db/DMIDataBases.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Transazione.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace {

TField *F(TDataSet *d, const char *campo)
{
    return d->FieldByName(QLatin1String(campo));
}

QString Condizione(int esercizio, int protocollo)
{
    return QStringLiteral("FlTipoDocum = %1 AND Esercizio = %2 AND Protocollo = %3")
        .arg(TFBMag0001f::TipoDocPrimaNota)
        .arg(esercizio)
        .arg(protocollo);
}

bool Errore(const QString &testo)
{
    Kmessages::KMessage(testo, mtError, mbOK);
    return false;
}

} // namespace

TFBMag0001f::TFBMag0001f(QWidget *owner) : TForm(owner), ui(new Ui::Bmag0001f)
{
    TDMIBase::Crea();
    TDMIBMag::Crea();
    TDMIBbas::Crea();
    lkCausali = new TXlkTable(this);
    lkCausali->SetName(QStringLiteral("lkCausali"));
    lkCausali->SetTableName(QStringLiteral("CausaliMagaz"));

    TTesta = new TXMemTable(this);
    TTesta->SetName(QStringLiteral("TTesta"));
    TTesta->SetTableName(QStringLiteral("bmag0001f"));
    TTesta->SetUsaDizionario(true);
    TTesta->SetKeepRecords(false);
    TTesta->AddLookupField(QStringLiteral("_DsCausale"), ftString, 50, lkCausali, QStringLiteral("IdCausale"),
                           QStringLiteral("IdCausale"), QStringLiteral("DsCausale"));
    DSMain = new TDataSource(this);
    DSMain->setObjectName(QStringLiteral("DSMain"));
    DSMain->SetDataSet(TTesta);

    TMovimenti = new TXClientTable(this);
    TMovimenti->SetName(QStringLiteral("TMovimenti"));
    TMovimenti->SetTableName(QStringLiteral("MovMagazzino"));
    TMovimenti->SetUsaDizionario(true);
    TMovimenti->SetXWhereVuoto(QStringLiteral("KMovMag = -1"));
    TMovimenti->SetXOrderBy(QStringLiteral("KMovMag"));
    TMovimenti->SetIndexFieldNames(QStringLiteral("KMovMag")); // rows in the order they were entered
    TMovimenti->SetCachedUpdates(true);
    TMovimenti->AddLookupField(QStringLiteral("_DsProdotto"), ftString, 60, DMIBase->lkArticoli,
                               QStringLiteral("IdProdotto"), QStringLiteral("IdProdotto"),
                               QStringLiteral("DsProdotto"));
    TMovimenti->OnNewRecord = [](TDataSet *d) {
        F(d, "FlTipoDocum")->SetAsInteger(TipoDocPrimaNota);
        F(d, "IdMagazzino1")->SetAsInteger(1);
    };
    DsMovimenti = new TDataSource(this);
    DsMovimenti->setObjectName(QStringLiteral("DsMovimenti"));
    DsMovimenti->SetDataSet(TMovimenti);

    qStored = new TXQuery(this);
    qStored->SetName(QStringLiteral("qStored"));

    SetupLayout(*ui);
    SetCaption(QStringLiteral("Prima Nota Magazzino"));
    gMovimenti = ui->gMovimenti;
    pnRighe = ui->pnRighe;
    lyRighe = ui->lyRighe;
    gMovimenti->AddColumn(QStringLiteral("IdProdotto"), QStringLiteral("Articolo"), 120);
    gMovimenti->AddColumn(QStringLiteral("_DsProdotto"), QStringLiteral("Descrizione"), 190);
    gMovimenti->AddColumn(QStringLiteral("IdMagazzino1"), QStringLiteral("Mag."), 40);
    gMovimenti->AddColumn(QStringLiteral("IdMagazzino2"), QStringLiteral("Arrivo"), 45);
    gMovimenti->AddColumn(QStringLiteral("Partita"), QStringLiteral("Partita"), 80);
    gMovimenti->AddColumn(QStringLiteral("Quantita"), QStringLiteral("Quantità"), 80);
    gMovimenti->AddColumn(QStringLiteral("PrezzoMov"), QStringLiteral("Prezzo"), 80);
    gMovimenti->AddColumn(QStringLiteral("Valore"), QStringLiteral("Valore"), 90);

    auto *bottoni = new QHBoxLayout;
    bottoni->addStretch();
    const auto bottone = [&](const QString &testo, const QString &nome) {
        auto *b = new QPushButton(testo, this);
        b->setObjectName(nome);
        bottoni->addWidget(b);
        return b;
    };
    btNuovo = bottone(QStringLiteral("&Nuovo"), QStringLiteral("btNuovo"));
    btSalva = bottone(QStringLiteral("&Salva"), QStringLiteral("btSalva"));
    btElimina = bottone(QStringLiteral("&Elimina"), QStringLiteral("btElimina"));
    btChiudi = bottone(QStringLiteral("&Chiudi"), QStringLiteral("btChiudi"));
    if (auto *principale = qobject_cast<QBoxLayout *>(layout()))
        principale->addLayout(bottoni);
    connect(btNuovo, &QPushButton::clicked, this, [this] {
        if (AbbandonaModifiche())
            Nuovo();
    });
    connect(btSalva, &QPushButton::clicked, this, [this] { Salva(); });
    connect(btElimina, &QPushButton::clicked, this, [this] { Elimina(); });
    connect(btChiudi, &QPushButton::clicked, this, [this] { close(); });
    SetActiveControl(ui->edDataMovimento);
}

TFBMag0001f::~TFBMag0001f()
{
    delete ui;
}

void TFBMag0001f::FormCreate()
{
    TForm::FormCreate();
    TMovimenti->Open();
    F(TMovimenti, "Quantita")->SetDisplayFormat(QStringLiteral("#,##0.###"));
    F(TMovimenti, "PrezzoMov")->SetDisplayFormat(QStringLiteral("#,##0.00##"));
    F(TMovimenti, "Valore")->SetDisplayFormat(QStringLiteral("#,##0.00"));
    Nuovo();
}

void TFBMag0001f::FormClose(TCloseAction &action)
{
    TForm::FormClose(action);
    if (FBMag0001f == this)
        FBMag0001f = nullptr;
}

void TFBMag0001f::XFormCloseQuery(bool &canClose)
{
    TForm::XFormCloseQuery(canClose);
    if (canClose)
        canClose = AbbandonaModifiche();
}

bool TFBMag0001f::Modificata() const
{
    return TTesta->Modified() || TMovimenti->Modified() || TMovimenti->ChangeCount() > 0;
}

bool TFBMag0001f::AbbandonaModifiche()
{
    TTesta->UpdateRecord();
    TMovimenti->UpdateRecord();
    if (!Modificata())
        return true;
    return Kmessages::KMessage(QStringLiteral("La registrazione ha modifiche non salvate: abbandonarle ?"),
                               mtConfirmation, mbYesNo)
           == mrYes;
}

bool TFBMag0001f::InitForm(int esercizio, int protocollo)
{
    if (esercizio == 0 && protocollo == 0) {
        Nuovo();
        return true;
    }
    if (Carica(esercizio, protocollo))
        return true;
    return Errore(QStringLiteral("Registrazione di magazzino %1/%2 inesistente: indicare un protocollo registrato.")
                      .arg(esercizio)
                      .arg(protocollo));
}

void TFBMag0001f::ApriMovimenti(int esercizio, int protocollo)
{
    TMovimenti->Close();
    TMovimenti->SetXWhere(protocollo > 0 ? Condizione(esercizio, protocollo) + QStringLiteral(" AND SubNumOrdine = 0")
                                         : QString());
    TMovimenti->Open();
}

void TFBMag0001f::Nuovo()
{
    esercizio_ = 0;
    protocollo_ = 0;
    TTesta->Close();
    TTesta->Open();
    TTesta->Append();
    F(TTesta, "DataMovimento")->SetAsDateTime(QDateTime(QDate::currentDate(), QTime()));
    TTesta->Post();
    TTesta->Edit();
    ApriMovimenti(0, 0);
}

bool TFBMag0001f::Carica(int esercizio, int protocollo)
{
    ApriMovimenti(esercizio, protocollo);
    if (TMovimenti->IsEmpty()) {
        Nuovo();
        return false;
    }
    esercizio_ = esercizio;
    protocollo_ = protocollo;
    TTesta->Close();
    TTesta->Open();
    TTesta->Append();
    for (const char *campo : {"Esercizio", "Protocollo", "DataMovimento", "IdCausale", "IdContoTp", "IdConto",
                              "RifDocumento", "DataDocumento"})
        F(TTesta, campo)->SetValue(F(TMovimenti, campo)->Value());
    TTesta->Post();
    TTesta->Edit();
    TMovimenti->First();
    return true;
}

void TFBMag0001f::PostaModifiche()
{
    TTesta->UpdateRecord();
    TMovimenti->UpdateRecord();
    TMovimenti->CheckBrowseMode();
    if (TTesta->State() == dsEdit || TTesta->State() == dsInsert) {
        TTesta->Post();
        TTesta->Edit();
    }
}

bool TFBMag0001f::ControlliTesta(int &esercizio)
{
    const QDateTime data = F(TTesta, "DataMovimento")->AsDateTime();
    if (data.isNull())
        return Errore(QStringLiteral("Data movimento non indicata: inserire la data della registrazione."));
    if (!DMIBMag->TrovaEsercizioDallaData(data, esercizio))
        return Errore(QStringLiteral("Nessun esercizio di magazzino comprende il %1: crearlo o correggere la data.")
                          .arg(data.date().toString(QStringLiteral("dd/MM/yyyy"))));
    if (esercizio_ > 0 && esercizio != esercizio_)
        return Errore(QStringLiteral("La data cade in un esercizio diverso da quello della registrazione (%1): "
                                     "indicare una data dell'esercizio %1.")
                          .arg(esercizio_));
    const QString causale = F(TTesta, "IdCausale")->AsString().trimmed();
    if (causale.isEmpty())
        return Errore(QStringLiteral("Causale di magazzino non indicata: inserire la causale."));
    TDMIBMag::TCausaleMag c;
    if (!DMIBMag->LeggiCausale(causale, c))
        return Errore(QStringLiteral("Causale di magazzino <%1> inesistente: indicarne una valida.").arg(causale));
    TDMIBMag::TCausaleMag contro;
    if (c.ConContromovimento() && !DMIBMag->LeggiCausale(c.IdContropartita, contro))
        return Errore(QStringLiteral("La causale di trasferimento <%1> non ha una causale di contropartita valida: "
                                     "indicarla nella causale di magazzino.")
                          .arg(causale));
    const QString tipoConto = F(TTesta, "IdContoTp")->AsString().trimmed();
    const QString conto = F(TTesta, "IdConto")->AsString().trimmed();
    if (!conto.isEmpty()) {
        if (tipoConto != QLatin1String("CL") && tipoConto != QLatin1String("FO"))
            return Errore(
                QStringLiteral("Tipo conto <%1> non valido: indicare CL (cliente) o FO (fornitore).").arg(tipoConto));
        if (!DMIBbas->TestConto(tipoConto, conto))
            return false;
    }
    return true;
}

bool TFBMag0001f::ControlliRighe()
{
    if (TMovimenti->IsEmpty())
        return Errore(QStringLiteral("Nessun rigo nella registrazione: inserire almeno un articolo."));
    TXDatabase &db = DMIDataBases::Instance().Global();
    const auto esiste = [&db](int magazzino) {
        return db.ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Magazzini WHERE IdMagazzino = ?"), {magazzino})
                   .toInt()
               > 0;
    };
    const auto arrivo = [](TDataSet *d) { return F(d, "IdMagazzino2")->AsInteger(); };
    int rigo = 0;
    bool ok = true;
    TMovimenti->DisableControls();
    for (TMovimenti->First(); ok && !TMovimenti->Eof(); TMovimenti->Next()) {
        ++rigo;
        const QString articolo = F(TMovimenti, "IdProdotto")->AsString().trimmed();
        const int magazzino = F(TMovimenti, "IdMagazzino1")->AsInteger();
        if (articolo.isEmpty() || !TDMIBase::Posiziona(DMIBase->lkArticoli, QStringLiteral("IdProdotto"), {articolo}))
            ok = Errore(
                QStringLiteral("Rigo %1: articolo <%2> inesistente: indicarne uno valido.").arg(rigo).arg(articolo));
        else if (!esiste(magazzino))
            ok = Errore(
                QStringLiteral("Rigo %1: magazzino %2 inesistente: indicarne uno valido.").arg(rigo).arg(magazzino));
        else if (arrivo(TMovimenti) != 0 && !esiste(arrivo(TMovimenti)))
            ok = Errore(QStringLiteral("Rigo %1: magazzino di arrivo %2 inesistente: indicarne uno valido.")
                            .arg(rigo)
                            .arg(arrivo(TMovimenti)));
        else if (Funzioni::CompDec(F(TMovimenti, "Quantita")->AsFloat(), 0, CFG.DecQuantita) == 0)
            ok = Errore(QStringLiteral("Rigo %1: quantità zero: indicare la quantità movimentata.").arg(rigo));
    }
    TMovimenti->EnableControls();
    return ok;
}

void TFBMag0001f::EsistenzeMovimenti(int esercizio, int protocollo, bool storno)
{
    qStored->Close();
    qStored->SQL = QStringList{QStringLiteral("SELECT * FROM MovMagazzino WHERE ") + Condizione(esercizio, protocollo)};
    qStored->Open();
    for (; !qStored->Eof(); qStored->Next()) {
        if (!DMIBMag->AggiornaEsistenzeMagazzino(qStored, nullptr, storno)
            || !DMIBMag->AggiornaPartiteMagazzino(qStored, nullptr, storno))
            throw Exception(QStringLiteral("Errore in aggiornamento esistenze di magazzino per l'articolo %1.")
                                .arg(F(qStored, "IdProdotto")->AsString()));
    }
    qStored->Close();
}

void TFBMag0001f::StornaEsistenze(int esercizio, int protocollo)
{
    if (protocollo > 0)
        EsistenzeMovimenti(esercizio, protocollo, true);
}

void TFBMag0001f::ScriviMovimenti(int esercizio, int protocollo)
{
    const QDateTime data = F(TTesta, "DataMovimento")->AsDateTime();
    QDateTime dataDoc = F(TTesta, "DataDocumento")->AsDateTime();
    if (dataDoc.isNull())
        dataDoc = data;
    TDMIBMag::TCausaleMag causale;
    TDMIBMag::TCausaleMag contro;
    DMIBMag->LeggiCausale(F(TTesta, "IdCausale")->AsString(), causale);
    const bool trasferimento = causale.ConContromovimento();
    if (trasferimento)
        DMIBMag->LeggiCausale(causale.IdContropartita, contro);
    int rigo = 0;
    for (TMovimenti->First(); !TMovimenti->Eof(); TMovimenti->Next()) {
        TMovimenti->Edit();
        const int magazzino = F(TMovimenti, "IdMagazzino1")->AsInteger();
        if (!trasferimento || F(TMovimenti, "IdMagazzino2")->AsInteger() == 0)
            F(TMovimenti, "IdMagazzino2")->SetAsInteger(magazzino);
        if (causale.FlPartita != 1 && contro.FlPartita != 1)
            F(TMovimenti, "Partita")->SetAsString(QStringLiteral(""));
        F(TMovimenti, "SubNumOrdine")->SetAsInteger(0);
        F(TMovimenti, "FlTipoDocum")->SetAsInteger(TipoDocPrimaNota);
        F(TMovimenti, "Esercizio")->SetAsInteger(esercizio);
        F(TMovimenti, "Protocollo")->SetAsInteger(protocollo);
        F(TMovimenti, "NumOrdine")->SetAsInteger(++rigo);
        F(TMovimenti, "KRigoDoc")->SetAsInteger(F(TMovimenti, "KMovMag")->AsInteger());
        F(TMovimenti, "DataMovimento")->SetValue(data);
        F(TMovimenti, "DataCompetenza")->SetValue(data);
        F(TMovimenti, "AnnoCompetenza")->SetAsInteger(data.date().year());
        F(TMovimenti, "MeseCompetenza")->SetAsInteger(data.date().month());
        F(TMovimenti, "DataDocumento")->SetValue(dataDoc);
        for (const char *campo : {"IdCausale", "IdContoTp", "IdConto", "RifDocumento"})
            F(TMovimenti, campo)->SetAsString(F(TTesta, campo)->AsString().trimmed());
        const double quantita = Funzioni::KRound(F(TMovimenti, "Quantita")->AsFloat(), CFG.DecQuantita);
        const double prezzo = Funzioni::KRound(F(TMovimenti, "PrezzoMov")->AsFloat(), CFG.DecPrezzoIT);
        F(TMovimenti, "Quantita")->SetAsFloat(quantita);
        F(TMovimenti, "PrezzoMov")->SetAsFloat(prezzo);
        F(TMovimenti, "Prezzo")->SetAsFloat(prezzo);
        F(TMovimenti, "Valore")->SetAsFloat(Funzioni::KRound(quantita * prezzo, CFG.DecValoreIT));
        F(TMovimenti, "QuantitaDoc")->SetAsFloat(quantita);
        F(TMovimenti, "IdOperatore")->SetAsString(gUtente.IdUtente);
        TMovimenti->Post();
    }
    TMovimenti->ApplyUpdates();
    ScriviContromovimenti(esercizio, protocollo, trasferimento ? contro : TDMIBMag::TCausaleMag());
}

void TFBMag0001f::ScriviContromovimenti(int esercizio, int protocollo, const TDMIBMag::TCausaleMag &contro)
{
    TXDatabase &db = DMIDataBases::Instance().Global();
    db.ExecSQL(QStringLiteral("DELETE FROM MovMagazzino WHERE ") + Condizione(esercizio, protocollo)
               + QStringLiteral(" AND SubNumOrdine = 1"));
    if (contro.IdCausale.isEmpty())
        return;
    static const QStringList copiati{
        QStringLiteral("Esercizio"),      QStringLiteral("Protocollo"),     QStringLiteral("NumOrdine"),
        QStringLiteral("DataMovimento"),  QStringLiteral("DataCompetenza"), QStringLiteral("AnnoCompetenza"),
        QStringLiteral("MeseCompetenza"), QStringLiteral("DataDocumento"),  QStringLiteral("IdContoTp"),
        QStringLiteral("IdConto"),        QStringLiteral("RifDocumento"),   QStringLiteral("IdProdotto"),
        QStringLiteral("Quantita"),       QStringLiteral("QuantitaDoc"),    QStringLiteral("PrezzoMov"),
        QStringLiteral("Prezzo"),         QStringLiteral("Valore"),         QStringLiteral("IdOperatore")};
    const QString colonne = copiati.join(QStringLiteral(", "));
    QStringList segni;
    for (qsizetype i = 0; i < copiati.size() + 7; ++i)
        segni << QStringLiteral("?");
    const QString sql =
        QStringLiteral("INSERT INTO MovMagazzino (KMovMag, FlTipoDocum, KRigoDoc, SubNumOrdine, IdCausale, "
                       "IdMagazzino1, IdMagazzino2, %1) VALUES (%2)")
            .arg(colonne, segni.join(QStringLiteral(", ")));
    for (TMovimenti->First(); !TMovimenti->Eof(); TMovimenti->Next()) {
        QVariantList valori{db.NewKey(QStringLiteral("MovMagazzino"), QStringLiteral("KMovMag")),
                            TipoDocPrimaNota,
                            F(TMovimenti, "KMovMag")->AsInteger(),
                            1,
                            contro.IdCausale,
                            F(TMovimenti, "IdMagazzino2")->AsInteger(),
                            F(TMovimenti, "IdMagazzino1")->AsInteger()};
        for (const QString &campo : copiati)
            valori << TMovimenti->FieldByName(campo)->Value();
        db.ExecSQL(sql, valori);
    }
}

void TFBMag0001f::RegistraEsistenze(int esercizio, int protocollo)
{
    EsistenzeMovimenti(esercizio, protocollo, false);
}

bool TFBMag0001f::Salva()
{
    PostaModifiche();
    int esercizio = 0;
    if (!ControlliTesta(esercizio) || !ControlliRighe())
        return false;
    TXDatabase &db = DMIDataBases::Instance().Global();
    int protocollo = protocollo_;
    const bool ok = Funzioni::EseguiInTransazione(db, [&] {
        // Locking the exercise's row first makes a concurrent save of the same exercise wait
        // for this one, so that two registrations never draw the same protocol.
        db.ExecSQL(QStringLiteral("UPDATE EserciziMagazzino SET Esercizio = Esercizio WHERE Esercizio = ?"),
                   {esercizio});
        if (protocollo <= 0)
            protocollo =
                db.ScalarValue(
                      QStringLiteral("SELECT COALESCE(MAX(Protocollo), 0) + 1 FROM MovMagazzino WHERE Esercizio = ?"),
                      {esercizio})
                    .toInt();
        StornaEsistenze(esercizio_, protocollo_);
        ScriviMovimenti(esercizio, protocollo);
        RegistraEsistenze(esercizio, protocollo);
    });
    if (!ok) {
        if (db.InTransaction())
            return false; // another job holds the transaction: nothing was run
        if (protocollo_ > 0)
            Carica(esercizio_, protocollo_);
        else
            TMovimenti->CancelUpdates();
        return false;
    }
    Carica(esercizio, protocollo);
    return true;
}

bool TFBMag0001f::Elimina()
{
    if (protocollo_ <= 0) {
        Nuovo();
        return false;
    }
    if (Kmessages::KMessage(QStringLiteral(" Conferma cancellazione ? "), mtConfirmation, mbYesNo) != mrYes)
        return false;
    TXDatabase &db = DMIDataBases::Instance().Global();
    TMovimenti->CancelUpdates();
    ApriMovimenti(esercizio_, protocollo_);
    const bool ok = Funzioni::EseguiInTransazione(db, [&] {
        StornaEsistenze(esercizio_, protocollo_);
        while (!TMovimenti->IsEmpty())
            TMovimenti->Delete();
        TMovimenti->ApplyUpdates();
        ScriviContromovimenti(esercizio_, protocollo_, TDMIBMag::TCausaleMag());
    });
    if (!ok) {
        if (!db.InTransaction())
            Carica(esercizio_, protocollo_);
        return false;
    }
    Nuovo();
    return true;
}

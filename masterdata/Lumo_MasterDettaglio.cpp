#include "masterdata/Lumo_MasterDettaglio.h"

#include "host/data/DatasetFunctions.h"
#include "host/data/TDataSource.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/db/TXTransaction.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"
#include "host/ui/Xvkey.h"
#include "masterdata/Lumo_anagrafiche.h"

#include <QSet>
#include <QSqlQuery>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <vector>

namespace {

const QString kStato = QStringLiteral("Stato");
const QString kSuffissoOri = QStringLiteral("Ori");
const QString kTestaCancellata = QStringLiteral("Il record non esiste più: è stato cancellato da un altro utente.");

QStringList Nomi(const QString &campi)
{
    return kv8data::SplitNames(campi);
}

QVariant Chiave(const QVariantList &valori)
{
    return valori.size() == 1 ? valori.first() : QVariant(valori);
}

// Key values compared as the database compares them (an integer read as int or as long).
bool StessaChiave(const QVariantList &a, const QVariantList &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a.at(i).toString() != b.at(i).toString())
            return false;
    return true;
}

// Controls of the datasets held still while a loop runs over them.
class SenzaControlli {
public:
    explicit SenzaControlli(std::initializer_list<TDataSet *> dataSets) : dataSets_(dataSets)
    {
        for (TDataSet *ds : dataSets_)
            ds->DisableControls();
    }
    ~SenzaControlli()
    {
        for (TDataSet *ds : dataSets_)
            ds->EnableControls();
    }
    SenzaControlli(const SenzaControlli &) = delete;
    SenzaControlli &operator=(const SenzaControlli &) = delete;

private:
    std::vector<TDataSet *> dataSets_;
};

bool InModifica(const TDataSet *ds)
{
    return ds && (ds->State() == dsEdit || ds->State() == dsInsert);
}

// Shows an error as the save and the loading show it (a failure of the database as an
// error); a silent abort shows nothing.
void MostraErrore(const std::exception &e)
{
    if (dynamic_cast<const EAbort *>(&e))
        return;
    Kmessages::KMessage(Kmessages::ExceptionText(e), Kmessages::JobErrorType(e, mtInformation), mbOK, 0);
}

// The progress bar of a loop over rows, stepped every kRigheAPasso rows (each step processes
// the pending events).
class Avanzamento {
public:
    void Riga()
    {
        if (++righe_ == kRigheAPasso)
            Passo();
    }
    // The rows not stepped yet: the bar at its end.
    void Fine()
    {
        if (righe_ > 0)
            Passo();
    }

private:
    static constexpr int kRigheAPasso = 50;
    void Passo()
    {
        Mdimainbase::ProgressStep(righe_);
        righe_ = 0;
    }
    int righe_ = 0;
};

} // namespace

// ---- TLumoBufferRighe

TLumoBufferRighe::TLumoBufferRighe(TFLumoMasterDettaglio *finestra, const TLumoDefinizioneBuffer &definizione)
    : QObject(finestra), finestra_(finestra), def_(definizione)
{
    locate_ = Nomi(def_.CampiLocate);
    for (const QString &campo : std::as_const(locate_))
        originali_ << campo + kSuffissoOri;
    const QStringList collegamento = Nomi(finestra_->CampiChiaveTesta);
    if (collegamento.isEmpty())
        throw Exception(QStringLiteral("%1: chiave della testata non impostata").arg(def_.Buffer));

    qDettaglio = new TXQuery(finestra);
    qDettaglio->SetName(def_.Query);
    QStringList condizioni;
    for (const QString &campo : collegamento)
        condizioni << QStringLiteral("%1.%2 = :%2").arg(def_.TabellaArchivio, campo);
    qDettaglio->SQL << QStringLiteral("SELECT %1.*").arg(def_.TabellaArchivio)
                    << QStringLiteral("FROM %1").arg(def_.TabellaArchivio)
                    << QStringLiteral("WHERE ") + condizioni.join(QStringLiteral(" AND "));
    if (!def_.Ordine.isEmpty())
        qDettaglio->SQL << QStringLiteral("ORDER BY ") + Nomi(def_.Ordine).join(QLatin1Char(','));
    qDettaglio->SetDataSource(finestra->DSMain);

    TTBuffer = new TXTable(finestra);
    TTBuffer->SetName(def_.Buffer);
    TTBuffer->SetDatabaseName(QStringLiteral("LocalDatabase"));
    TTBuffer->SetTableName(def_.TabellaLocale);
    TTBuffer->SetUsaDizionario(true);
    TTBuffer->SetIndexFieldNames(def_.Ordine);

    TRSArchivio = new TXClientTable(finestra);
    TRSArchivio->SetName(def_.Client);
    TRSArchivio->SetTableName(def_.TabellaArchivio);
    TRSArchivio->SetXWhereVuoto(def_.XWhereVuoto);
    // the rows of a save reach the database in multi-row statements before the commit
    TRSArchivio->SetDeferredWrites(true);

    DSDettaglio = new TDataSource(finestra);
    DSDettaglio->SetName(def_.Sorgente);
    DSDettaglio->SetDataSet(qDettaglio);
}

int TLumoBufferRighe::Stato() const
{
    return TTBuffer->FieldByName(kStato)->AsInteger();
}

bool TLumoBufferRighe::NuovaRiga()
{
    if (InCopiaDati)
        return false;
    TTBuffer->FieldByName(kStato)->SetAsInteger(srNuova);
    const QStringList collegamento = Nomi(finestra_->CampiChiaveTesta);
    const QVariantList chiave = finestra_->ChiaveTesta();
    for (int i = 0; i < collegamento.size(); ++i)
        TTBuffer->FieldByName(collegamento.at(i))->SetValue(chiave.at(i));
    if (!CampoFuoco.isEmpty())
        TTBuffer->FieldByName(CampoFuoco)->FocusControl();
    return true;
}

void TLumoBufferRighe::PrimaDelPost()
{
    if (InCopiaDati)
        return;
    if (TTBuffer->State() == dsInsert && !TTBuffer->Modified()) {
        TTBuffer->Cancel();
        throw EAbort();
    }
    if (Stato() == srInvariata)
        TTBuffer->FieldByName(kStato)->SetAsInteger(srModificata);
}

void TLumoBufferRighe::PrimaDellaCancellazione()
{
    if (InCopiaDati)
        return;
    const int stato = Stato();
    if (stato != srInvariata && stato != srModificata)
        return; // a new row goes
    if (TTBuffer->State() == dsBrowse)
        TTBuffer->Edit();
    TTBuffer->FieldByName(kStato)->SetAsInteger(srCancellata);
    TTBuffer->Post();
    throw EAbort();
}

void TLumoBufferRighe::PreparaBuffer()
{
    if (InModifica(TTBuffer))
        TTBuffer->Cancel();
    TTBuffer->Close();
    DSDettaglio->SetDataSet(TTBuffer);
    TTBuffer->Open();
    DSDettaglio->SetAutoEdit(true);
    TTBuffer->Close();
    TTBuffer->EmptyTable();
    TTBuffer->Open();
}

void TLumoBufferRighe::CaricaRighe()
{
    // the stored rows as they are now
    qDettaglio->Close();
    qDettaglio->Open();
    const QList<TField *> originali = TTBuffer->GetFieldList(originali_.join(QLatin1Char(';')));
    const QList<TField *> caricati = qDettaglio->GetFieldList(def_.CampiLocate);
    TField *stato = TTBuffer->FieldByName(kStato);
    SenzaControlli fermi({TTBuffer, qDettaglio});
    for (qDettaglio->First(); !qDettaglio->Eof(); qDettaglio->Next()) {
        TTBuffer->Append();
        Funzioni::CopiaDati(TTBuffer, qDettaglio, 0, 0, false);
        for (int i = 0; i < originali.size(); ++i)
            originali[i]->SetValue(caricati[i]->Value());
        stato->SetAsInteger(srInvariata);
        TTBuffer->Post();
    }
}

void TLumoBufferRighe::FiltraBuffer()
{
    TTBuffer->Close();
    TTBuffer->SetFilter(QStringLiteral("Stato < 3"));
    TTBuffer->SetFiltered(true);
    TTBuffer->Open();
}

void TLumoBufferRighe::MostraArchivio()
{
    if (DSDettaglio->DataSet() == qDettaglio)
        return;
    SenzaControlli fermi({TTBuffer, qDettaglio});
    if (InModifica(TTBuffer))
        TTBuffer->Cancel();
    TTBuffer->Close();
    // what the save wrote, under the head's key as it is now
    qDettaglio->Close();
    qDettaglio->Open();
    DSDettaglio->SetDataSet(qDettaglio);
}

QVariantList TLumoBufferRighe::Valori(TDataSet *dataSet, const QStringList &campi) const
{
    QVariantList valori;
    for (const QString &campo : campi)
        valori << dataSet->FieldByName(campo)->Value();
    return valori;
}

void TLumoBufferRighe::LeggiArchivio(const QVariantList &chiaveTesta)
{
    // read afresh inside the transaction: a row another user removed is not found
    TRSArchivio->Close();
    TRSArchivio->Open();
    TRSArchivio->Locate(finestra_->CampiChiaveTesta, Chiave(chiaveTesta));
}

void TLumoBufferRighe::TrovaArchivio(const QVariantList &valori)
{
    if (!TRSArchivio->Locate(def_.CampiLocate, Chiave(valori)))
        throw Exception(QStringLiteral("Errore in lettura movimento"));
}

QString TLumoBufferRighe::TestoDuplicato(TDataSet *riga) const
{
    if (MessaggioDuplicato)
        return MessaggioDuplicato(riga);
    QStringList parti;
    for (const QString &campo : locate_) {
        TField *f = riga->FieldByName(campo);
        parti << QStringLiteral("%1 %2").arg(f->DisplayLabel(), f->DisplayText());
    }
    return QStringLiteral("La riga con %1 è presente più di una volta: togliere la riga in più.")
        .arg(parti.join(QStringLiteral(", ")));
}

void TLumoBufferRighe::ScriviArchivio(const QList<TField *> &collegamento, const QVariantList &chiaveTesta)
{
    Funzioni::CopiaDati(TRSArchivio, TTBuffer, 0, 0, false);
    // rows added before the head's code was typed are saved under it
    for (int i = 0; i < collegamento.size(); ++i)
        collegamento[i]->SetValue(chiaveTesta.at(i));
    try {
        TRSArchivio->Post();
    } catch (const EKeyViolation &) {
        // the driver's text is in the log; the user reads which row is doubled
        throw EKeyViolation(TestoDuplicato(TTBuffer));
    }
}

void TLumoBufferRighe::Registra(const QVariantList &chiaveTesta)
{
    // the deleted rows too: the buffer holds every row of its table, written as it holds them
    TTBuffer->SetFiltered(false);
    TTBuffer->Open();
    LeggiArchivio(chiaveTesta);
    SenzaControlli fermi({TTBuffer, TRSArchivio});
    Mdimainbase::ProgressStart(TTBuffer->RecordCount(), QStringLiteral("Registrazione movimenti in corso.."));
    Avanzamento avanzamento;
    const QList<TField *> originali = TTBuffer->GetFieldList(originali_.join(QLatin1Char(';')));
    auto valoriOriginali = [&] {
        QVariantList valori;
        for (TField *f : originali)
            valori << f->Value();
        return valori;
    };
    // deleted rows first, then modified, then new: a key freed by one row can be taken by
    // another in the same save. One pass over the buffer finds the deleted stored rows and
    // notes where the modified and new rows are (the buffer does not change meanwhile).
    // A key twice among the rows that stay is refused before anything is written.
    const QStringList collegamento = Nomi(finestra_->CampiChiaveTesta);
    const QList<TField *> campiTesta = TRSArchivio->GetFieldList(finestra_->CampiChiaveTesta);
    QList<TField *> chiaveRiga;
    QList<int> daTesta;   // per locate field: the head's key it takes, or -1
    QList<bool> estratta; // per locate field: a key the database draws for a new row
    for (const QString &campo : std::as_const(locate_)) {
        chiaveRiga << TTBuffer->FieldByName(campo);
        const TField *archivio = TRSArchivio->FieldByName(campo);
        estratta << (archivio->DataType() == ftAutoInc || (archivio->DictInfo() && archivio->DictInfo()->autokey));
        int testa = -1;
        for (int i = 0; i < collegamento.size() && testa < 0; ++i)
            if (collegamento[i].compare(campo, Qt::CaseInsensitive) == 0)
                testa = i;
        daTesta << testa;
    }
    QSet<QString> chiavi;
    QList<int> cancellate; // positions in the client table
    QList<int> modificate; // positions in the buffer
    QList<int> nuove;
    for (TTBuffer->First(); !TTBuffer->Eof(); TTBuffer->Next()) {
        const int stato = Stato();
        if (stato == srCancellata) {
            TrovaArchivio(valoriOriginali());
            cancellate << TRSArchivio->RecNo();
            avanzamento.Riga();
            continue;
        }
        QString chiave;
        bool daEstrarre = false; // the row's key is drawn when it is written: unique
        for (int i = 0; i < chiaveRiga.size(); ++i) {
            if (daTesta[i] < 0 && estratta[i] && chiaveRiga[i]->AsLargeInt() == 0)
                daEstrarre = true;
            chiave += (daTesta[i] >= 0 ? chiaveTesta[daTesta[i]].toString() : chiaveRiga[i]->AsString()) + QChar(0x1f);
        }
        if (!daEstrarre && chiavi.contains(chiave))
            throw EKeyViolation(TestoDuplicato(TTBuffer));
        chiavi.insert(chiave);
        if (stato == srModificata)
            modificate << TTBuffer->RecNo();
        else if (stato == srNuova)
            nuove << TTBuffer->RecNo();
        else
            avanzamento.Riga();
    }
    CancellaPosizioni(cancellate);
    // every modified row's stored row found before the first is written: a write would
    // have the next search index the table again (the client table keeps no order, so a
    // row written keeps its position)
    QList<int> archivio;
    for (int posizione : std::as_const(modificate)) {
        TTBuffer->SetRecNo(posizione);
        TrovaArchivio(valoriOriginali());
        archivio << TRSArchivio->RecNo();
    }
    for (qsizetype i = 0; i < modificate.size(); ++i) {
        TTBuffer->SetRecNo(modificate[i]);
        TRSArchivio->SetRecNo(archivio[i]);
        TRSArchivio->Edit();
        ScriviArchivio(campiTesta, chiaveTesta);
        avanzamento.Riga();
    }
    for (int posizione : std::as_const(nuove)) {
        TTBuffer->SetRecNo(posizione);
        TRSArchivio->Append();
        ScriviArchivio(campiTesta, chiaveTesta);
        avanzamento.Riga();
    }
    avanzamento.Fine();
}

void TLumoBufferRighe::CancellaArchivio(const QVariantList &chiaveTesta)
{
    // every row stored now, those another user added since the load too
    LeggiArchivio(chiaveTesta);
    const QStringList collegamento = Nomi(finestra_->CampiChiaveTesta);
    SenzaControlli fermi({TRSArchivio});
    QList<int> cancellate;
    for (TRSArchivio->First(); !TRSArchivio->Eof(); TRSArchivio->Next())
        if (StessaChiave(Valori(TRSArchivio, collegamento), chiaveTesta))
            cancellate << TRSArchivio->RecNo();
    CancellaPosizioni(cancellate);
}

void TLumoBufferRighe::CancellaPosizioni(QList<int> posizioni)
{
    // from the last: the positions before it stay
    std::sort(posizioni.begin(), posizioni.end(), std::greater<int>());
    for (int posizione : std::as_const(posizioni)) {
        TRSArchivio->SetRecNo(posizione);
        TRSArchivio->Delete();
    }
}

// ---- TFLumoMasterDettaglio

TFLumoMasterDettaglio::TFLumoMasterDettaglio(QWidget *owner) : TFDBChild(owner) {}

TLumoBufferRighe *TFLumoMasterDettaglio::AggiungiBuffer(const TLumoDefinizioneBuffer &definizione)
{
    auto *buffer = new TLumoBufferRighe(this, definizione);
    buffers_ << buffer;
    return buffer;
}

TXTable *TFLumoMasterDettaglio::TabellaTesta() const
{
    auto *testa = qobject_cast<TXTable *>(MainDataSet());
    if (!testa)
        throw Exception(QStringLiteral("%1: tabella della testata non impostata").arg(objectName()));
    return testa;
}

QVariantList TFLumoMasterDettaglio::ChiaveTesta() const
{
    QVariantList valori;
    for (const QString &campo : kv8data::SplitNames(CampiChiaveTesta))
        valori << TabellaTesta()->FieldByName(campo)->Value();
    return valori;
}

void TFLumoMasterDettaglio::FormCreate()
{
    TFDBChild::FormCreate();
    for (TLumoBufferRighe *b : std::as_const(buffers_)) {
        b->DSDettaglio->SetAutoEdit(DSMain->AutoEdit());
        Funzioni::CheckTabOpen(b->qDettaglio);
        b->TTBuffer->CreaTabella();
    }
    DSMainStateChange(DSMain);
}

void TFLumoMasterDettaglio::ChiaveTestaSolaLettura(bool soloLettura)
{
    TDataSet *testa = MainDataSet();
    if (!testa || !testa->Active())
        return;
    for (TField *f : testa->GetFieldList(CampiChiaveTesta))
        f->SetReadOnly(soloLettura);
}

void TFLumoMasterDettaglio::DSMainStateChange(TDataSource *source)
{
    TFDBChild::DSMainStateChange(source);
    const bool modifica = source && (source->State() == dsEdit || source->State() == dsInsert);
    // the last buffer's grid first
    for (auto it = buffers_.crbegin(); it != buffers_.crend(); ++it) { // NOLINT(modernize-loop-convert)
        TLumoBufferRighe *b = *it;
        if (!modifica)
            b->MostraArchivio();
        b->DSDettaglio->SetAutoEdit(modifica);
        if (b->PannelloRiga)
            b->PannelloRiga->setEnabled(modifica);
    }
    if (!modifica)
        ChiaveTestaSolaLettura(false);
}

void TFLumoMasterDettaglio::DSMainNavClick(TNavigateBtn button, bool &doDefault)
{
    doDefault = false;
    TXTable *testa = TabellaTesta();
    const bool consulta = testa->State() == dsBrowse;
    switch (button) {
    case nbFirst:
    case nbPrior:
    case nbNext:
    case nbLast:
        doDefault = true;
        break;
    case nbInsert:
        if (consulta) {
            TipoOperazione = 0;
            InizializzaDati(0);
        }
        break;
    case nbEdit:
        if (consulta && !testa->IsEmpty() && RileggiTesta()) {
            TipoOperazione = 1;
            InizializzaDati(0);
        }
        break;
    case nbDelete:
        if (consulta && !testa->IsEmpty() && RileggiTesta()) {
            TipoOperazione = 2;
            if (InizializzaDati(0) && !SalvataggioDati() && testa->State() == dsEdit)
                testa->Cancel();
        }
        break;
    case nbPost:
        if (InModifica(testa))
            SalvataggioDati();
        break;
    case nbCancel:
        doDefault = true;
        XFormCloseQuery(doDefault);
        break;
    default:
        break;
    }
}

void TFLumoMasterDettaglio::ChildKeyPress(int &key, TShiftState shift, bool &flag)
{
    flag = true;
    if (key == Qt::Key_Escape) {
        DSMainNavClick(nbCancel, flag);
        return;
    }
    switch (Xvkey::XGetKEY(key, shift)) {
    case Xvkey::kcModifica:
        DSMainNavClick(nbEdit, flag);
        break;
    case Xvkey::kcInserisci:
        DSMainNavClick(nbInsert, flag);
        break;
    case Xvkey::kcCancella:
        DSMainNavClick(nbDelete, flag);
        break;
    case Xvkey::kcRegistra:
        DSMainNavClick(nbPost, flag);
        break;
    default:
        break;
    }
}

void TFLumoMasterDettaglio::FuocoCodiceTesta()
{
    const QStringList chiave = kv8data::SplitNames(CampiChiaveTesta);
    TDataSet *testa = MainDataSet();
    if (testa && testa->Active() && !chiave.isEmpty())
        if (TField *f = testa->FindField(chiave.first()))
            f->FocusControl();
}

bool TFLumoMasterDettaglio::RileggiTesta()
{
    TXTable *testa = TabellaTesta();
    const QVariantList chiave = ChiaveTesta();
    testa->Refresh();
    if (!testa->IsEmpty() && (StessaChiave(ChiaveTesta(), chiave) || testa->Locate(CampiChiaveTesta, Chiave(chiave))))
        return true;
    Kmessages::KMessage(kTestaCancellata, mtInformation, mbOK, 0);
    return false;
}

void TFLumoMasterDettaglio::BloccaTesta()
{
    TXTable *testa = TabellaTesta();
    TXDatabase &db = testa->Database();
    const QList<TField *> campi = testa->GetFieldList(CampiChiaveTesta);
    QStringList condizioni;
    QVariantList valori;
    for (TField *f : campi) {
        condizioni << f->FieldName() + QStringLiteral(" = ?");
        valori << f->Value();
    }
    // locked until the commit: another user's save of the same head waits, then finds it gone
    QSqlQuery q =
        db.OpenQuery(QStringLiteral("SELECT %1 FROM %2 WHERE %3%4")
                         .arg(campi.first()->FieldName(), testa->TableName(), condizioni.join(QStringLiteral(" AND ")),
                              db.IsPostgres() ? QStringLiteral(" FOR UPDATE") : QString()),
                     valori);
    if (!q.next())
        throw Exception(kTestaCancellata);
}

QString TFLumoMasterDettaglio::MessaggioTestaDuplicata() const
{
    return MessaggioCodiceDuplicato(TabellaTesta());
}

bool TFLumoMasterDettaglio::InizializzaDati(int)
{
    TXTable *testa = TabellaTesta();
    for (TLumoBufferRighe *b : std::as_const(buffers_))
        b->InCopiaDati = true;
    FuocoCodiceTesta();
    Screen->SetCursor(crHourGlass);
    LockWindowUpdate(this);
    bool riuscito = false;
    try {
        for (TLumoBufferRighe *b : std::as_const(buffers_))
            b->PreparaBuffer();
        if (TipoOperazione > 0) {
            for (TLumoBufferRighe *b : std::as_const(buffers_))
                b->CaricaRighe();
            // an existing head keeps its code: its rows are found by it
            ChiaveTestaSolaLettura(true);
            testa->Edit();
        } else {
            ChiaveTestaSolaLettura(false);
            testa->Insert();
        }
        for (TLumoBufferRighe *b : std::as_const(buffers_))
            b->FiltraBuffer();
        riuscito = true;
    } catch (const std::exception &e) {
        MostraErrore(e);
    }
    for (TLumoBufferRighe *b : std::as_const(buffers_))
        b->InCopiaDati = false;
    LockWindowUpdate(nullptr);
    Screen->SetCursor(crDefault);
    if (!riuscito) {
        if (InModifica(testa))
            testa->Cancel();
        else
            DSMainStateChange(DSMain);
    }
    FuocoCodiceTesta();
    return riuscito;
}

void TFLumoMasterDettaglio::ControllaTestaNuova()
{
    TXTable *testa = TabellaTesta();
    QStringList condizioni;
    QVariantList valori;
    // 0 is the code of no head (the client tables' empty selection)
    Lumo_anagrafiche::CodiciImpostati(testa->GetFieldList(CampiChiaveTesta));
    for (TField *f : testa->GetFieldList(CampiChiaveTesta)) {
        condizioni << f->FieldName() + QStringLiteral(" = ?");
        valori << f->Value();
    }
    const QString sql = QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2")
                            .arg(testa->TableName(), condizioni.join(QStringLiteral(" AND ")));
    if (testa->Database().ScalarValue(sql, valori).toInt() > 0)
        throw EKeyViolation(MessaggioTestaDuplicata());
}

void TFLumoMasterDettaglio::Registra()
{
    TXTable *testa = TabellaTesta();
    const QVariantList chiave = ChiaveTesta();
    if (TipoOperazione > 0)
        BloccaTesta();
    if (TipoOperazione == 2) {
        PrimaDelleRighe();
        for (TLumoBufferRighe *b : std::as_const(buffers_))
            b->CancellaArchivio(chiave);
        DopoLeRighe();
        testa->Delete();
        return;
    }
    if (!CampiCodiceTesta.isEmpty())
        Lumo_anagrafiche::CodiciImpostati(testa->GetFieldList(CampiCodiceTesta));
    if (TipoOperazione == 0)
        ControllaTestaNuova();
    PrimaDelleRighe();
    for (TLumoBufferRighe *b : std::as_const(buffers_)) {
        b->Registra(chiave);
        Mdimainbase::ProgressEnd();
    }
    DopoLeRighe();
    // a row refused when written fails the save while the head is still being edited
    for (TLumoBufferRighe *b : std::as_const(buffers_))
        b->TRSArchivio->FlushDeferred();
    if (TipoOperazione == 0) {
        try {
            testa->Post();
        } catch (const EKeyViolation &) {
            throw EKeyViolation(MessaggioTestaDuplicata());
        }
    } else if (testa->Modified()) {
        testa->Post();
    } else {
        testa->Cancel();
    }
}

bool TFLumoMasterDettaglio::SalvataggioDati()
{
    TXTable *testa = TabellaTesta();
    TXDatabase &db = testa->Database();
    if (db.InTransaction())
        return false;
    if (!ControlliRegistrazione())
        return false;
    try {
        for (TLumoBufferRighe *b : std::as_const(buffers_))
            if (InModifica(b->TTBuffer))
                b->TTBuffer->Post();
    } catch (const EAbort &) {
        return false; // an untouched new row was dropped: nothing saved this time
    }
    const QString domanda =
        TipoOperazione == 2 ? QStringLiteral("Conferma Cancellazione ?") : QStringLiteral("Conferma Registrazione ?");
    if (Kmessages::KMessage(domanda, mtConfirmation, mbYesNo, TipoOperazione == 2 ? 1 : 0) != mrYes)
        return false;

    Screen->SetCursor(crHourGlass);
    LockWindowUpdate(this);
    bool riuscito = false;
    try {
        for (TLumoBufferRighe *b : std::as_const(buffers_))
            Funzioni::CheckTabOpen(b->TRSArchivio);
        TXTransaction transazione(db);
        if (!transazione.Started())
            throw EAbort();
        try {
            Registra();
            transazione.Commit();
            riuscito = true;
        } catch (...) {
            for (TLumoBufferRighe *b : std::as_const(buffers_))
                Funzioni::CheckRollBack(b->TRSArchivio);
            if (TipoOperazione == 2 && testa->State() == dsEdit)
                testa->Cancel();
            throw;
        }
    } catch (const std::exception &e) {
        // rolled back before the message is shown; the refusal is told as the other errors
        if (!dynamic_cast<const EAbort *>(&e))
            Kmessages::KRifiuto(Kmessages::ExceptionText(e), Kmessages::JobErrorType(e, mtInformation));
    }
    Mdimainbase::ProgressEnd();
    if (riuscito) {
        try {
            FuocoCodiceTesta();
        } catch (const std::exception &) {
        }
    } else {
        // the user goes on with the rows as left, deleted ones hidden again
        for (TLumoBufferRighe *b : std::as_const(buffers_))
            if (b->TTBuffer->Active() && !b->TTBuffer->Filtered()) {
                try {
                    b->FiltraBuffer();
                } catch (const std::exception &e) {
                    MostraErrore(e);
                }
            }
    }
    LockWindowUpdate(nullptr);
    Screen->SetCursor(crDefault);
    return riuscito;
}

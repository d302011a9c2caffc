#include "documents/Sven0001f_001p.h"

#include "ui_Sven0001f_001p.h"

#include "frame/Dusaria.h"
#include "host/business/Dmibmag.h"
#include "host/business/Tipirigo.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/core/KV8Config.h"
#include "host/core/Kutfunctions.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/db/TXTransaction.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"

#include <QBoxLayout>
#include <QLabel>

DUSARIA_CLASSE(TFSVen0001f_001p);

namespace {

TField *F(TDataSet *d, const char *nome)
{
    return d->FieldByName(QLatin1String(nome));
}

int DecQuantita()
{
    return KFormati::GetDecimali(KFormati::fnQuantita);
}

const QString kEccedenza = QStringLiteral("Attenzione quantità selezionata superiore a quella dell'ordine");

QString StatoRigo(int flStato)
{
    return flStato == 0 ? QStringLiteral("I") : flStato == 1 ? QStringLiteral("P") : QStringLiteral("E");
}

// The fingerprint of the current record: the display texts of its columns but the first and
// QRDRowVersion, joined.
QString UT_LMQ_Impronta(TDataSet *d)
{
    QString testo;
    for (int i = 1, n = d->FieldCount(); i < n; ++i) {
        TField *f = d->Fields(i);
        if (f->FieldName().compare(QLatin1String("QRDRowVersion"), Qt::CaseInsensitive) != 0)
            testo += f->DisplayText();
    }
    return testo;
}

int UT_LMQ_CercaImpronta(const QStringList &impronte, const QString &nome)
{
    const QString prefisso = nome + QLatin1Char('=');
    for (int i = 0; i < impronte.size(); ++i)
        if (impronte.at(i).startsWith(prefisso, Qt::CaseInsensitive))
            return i;
    return -1;
}

void UT_LMQ_SegnaImpronta(QStringList &impronte, const QString &nome, const QString &impronta)
{
    // one line per order line: a reload replaces it
    const int i = UT_LMQ_CercaImpronta(impronte, nome);
    const QString riga = nome + QLatin1Char('=') + impronta;
    if (i < 0)
        impronte << riga;
    else
        impronte[i] = riga;
}

} // namespace

TFSVen0001f_001p::TFSVen0001f_001p(QWidget *owner) : TFSVen0001f_001(owner)
{
    SetCaption(QStringLiteral("Selezione Ordini (Dusaria)"));
    ImpostaGriglia();

    // the packages line of the data panel, before the host's quantity to send
    auto *contenitore = new QWidget(this);
    contenitore->hide();
    Ui::Sven0001f_001p ui;
    ui.setupUi(contenitore);
    auto *pDati = FindControl<QWidget>(QStringLiteral("pDati"));
    auto *edQtaSelez = FindControl<TDBEdit>(QStringLiteral("edQtaSelez"));
    if (pDati && edQtaSelez) {
        auto *riga = qobject_cast<QBoxLayout *>(pDati->layout());
        if (QLabel *l = FindControl<QLabel>(QStringLiteral("lbQtaSelez")))
            l->hide();
        riga->insertWidget(riga->indexOf(edQtaSelez), ui.pDatiModulo);
        edQtaSelez->SetReadOnly(true);
        edQtaSelez->setFocusPolicy(Qt::NoFocus);
        // the quantity still to ship after the packages still to ship
        if (auto *edQtaDaSpedire = FindControl<TDBEdit>(QStringLiteral("edQtaDaSpedire"))) {
            if (QLabel *l = FindControl<QLabel>(QStringLiteral("lbQtaDaSpedire")))
                l->hide();
            auto *rigaModulo = qobject_cast<QBoxLayout *>(ui.pDatiModulo->layout());
            rigaModulo->insertWidget(rigaModulo->indexOf(ui.edUT_UT_QtaConfDaSpe) + 1, edQtaDaSpedire);
            edQtaDaSpedire->setFocusPolicy(Qt::ClickFocus);
        }
        if (auto *edQuantitaSal = FindControl<TDBEdit>(QStringLiteral("edQuantitaSal")))
            edQuantitaSal->setFocusPolicy(Qt::ClickFocus);
        // the amounts at the far right
        riga->addStretch();
        for (const char *nome : {"lbImpDaSelez", "edImpDaSelez", "lbImpSelez", "edImpSelez"})
            if (auto *w = FindControl<QWidget>(QLatin1String(nome))) {
                riga->removeWidget(w);
                riga->addWidget(w);
                if (qobject_cast<TDBEdit *>(w))
                    w->setMinimumWidth(80);
            }
    }
    ui.edUT_UT_QtaConfDaSpe->SetReadOnly(true);
    ui.edUT_UT_QtaConfDaSpe->SetFormatoNumero(KFormati::fnQuantita);
    ui.edUT_UT_QtaConfSel->SetFormatoNumero(KFormati::fnQuantita);
    ui.edUT_UT_QtaConfSel->OnEnter = [this](TDBEdit *e) { edQtaSelezEnter(e); };
    ui.edUT_Quantita2Ord->SetReadOnly(true);
    ui.edUT_Quantita2Ord->SetFormatoNumero(KFormati::fnQuantita2);
    for (QWidget *e : {static_cast<QWidget *>(ui.edUT_UT_QtaConfDaSpe), static_cast<QWidget *>(ui.edUT_UT_QtaConfSel),
                       static_cast<QWidget *>(ui.edUT_Quantita2Ord)})
        e->setMinimumWidth(60);
    // the packages' line and the grid's columns as wide as a 1366-pixel screen allows
    SetClientSize(1320, ClientHeight());
}

void TFSVen0001f_001p::ImpostaGriglia()
{
    struct Colonna {
        const char *campo;
        const char *titolo; // the field's label when empty
        int larghezza;
        bool solaLettura;
        bool visibile;
        QColor colore;
        bool centrata;
    };
    const Colonna colonne[] = {
        {"_RifOrdine", "", 170, true, true, {}, false},
        {"TipoRigo", "T.R.", 35, true, true, {}, true},
        {"IdProdotto", "Prodotto", 80, true, true, {}, false},
        {"Descrizione", "Descrizione prodotto", 290, true, true, {}, false},
        {"UT_QtaConfDaSpe", "Conf.da sped.", 75, false, true, QColor(Qt::yellow), false},
        {"UT_QtaConfSel", "Conf.Sped.", 70, false, true, QColor(Qt::cyan), false},
        {"Quantita2Ord", "Pz x Conf.", 65, false, true, QColor(Qt::yellow), false},
        {"QtaDaSpedire", "Da spedire", 70, true, true, {}, false},
        {"IdUM", "U.M.", 40, true, true, {}, true},
        {"QuantitaSal", "Q.tà saldo", 70, true, true, {}, false},
        {"QtaSelez", "Q.tà inviata", 75, false, true, {}, false},
        {"ImpDaSelez", "Da evadere", 75, false, true, {}, false},
        {"ImpSelez", "In evasione", 75, false, true, {}, false},
        {"StatoRigo", "", 45, false, true, {}, true},
        {"Prezzo", "", 70, true, true, {}, false},
        {"Sconto1", "Sc.1", 45, true, false, {}, false},
        {"Sconto2", "Sc.2", 45, true, false, {}, false},
        {"Provvigione1", "Pr.1", 45, true, false, {}, false},
        {"Provvigione2", "Pr.2", 45, true, false, {}, false},
        {"IdIva", "Iva", 45, true, false, {}, false},
        {"DataConsegna", "Consegna", 75, true, true, {}, true},
    };
    gSelOrdR->ClearColumns();
    for (const Colonna &c : colonne) {
        TColumn &col = gSelOrdR->AddColumn(QLatin1String(c.campo), QString::fromUtf8(c.titolo), c.larghezza);
        col.ReadOnly = c.solaLettura;
        col.Visible = c.visibile;
        col.Color = c.colore;
        if (c.centrata)
            col.Alignment = Qt::AlignCenter;
    }
}

void TFSVen0001f_001p::FormCreate()
{
    TFSVen0001f_001::FormCreate();
    F(TSelOrdR, "UT_QtaConfSel")->OnValidate = [this](TField *s) { TSelOrdRUT_QtaConfSelValidate(s); };
}

int TFSVen0001f_001p::LeggiRigheDocumento(TDataSet *teste, TDataSet *righe, TDataSet *dettaglio, QStringList &impronte,
                                          bool rilettura)
{
    if (rilettura) {
        const QVariant ordine = F(righe, "KOrdiniCliT")->Value();
        if (!PrenotaDocumento(ordine.toLongLong()) || !teste->Locate(QStringLiteral("KOrdiniCliT"), ordine))
            return 0;
    }
    const bool spente = righe->ControlsDisabled();
    righe->SetTag(1);
    if (!spente)
        righe->DisableControls();
    const auto ripristina = [righe, spente] {
        righe->SetTag(0);
        if (!spente)
            righe->EnableControls();
    };
    int lette = 0;
    try {
        lette = UT_LMQ_LeggiRighe(teste, righe, dettaglio, impronte, rilettura);
    } catch (...) {
        ripristina();
        throw;
    }
    ripristina();
    return lette;
}

int TFSVen0001f_001p::UT_LMQ_LeggiRighe(TDataSet *teste, TDataSet *righe, TDataSet *dettaglio, QStringList &impronte,
                                        bool rilettura)
{
    const qint64 ordine = F(teste, "KOrdiniCliT")->Value().toLongLong();
    const KV8Config::TFSCON01 conai = KV8Config::GetFSCON01();
    QStringList &sql = QRigheOrdine->SQL;
    QRigheOrdine->Close();
    sql.clear();
    sql << QStringLiteral("SELECT R.*");
    if (FlDurataArticoli)
        sql << QStringLiteral(", ISNULL( A.FlDurata, %1 ) AS FlDurata ").arg(KV8Config::GetFSVEN01().FlDurata);
    sql << QStringLiteral("FROM OrdiniCliRighe R ");
    if (FlDurataArticoli)
        sql << QStringLiteral("LEFT JOIN Articoli A ON A.IdProdotto = R.IdProdotto");
    sql << QStringLiteral("WHERE R.KOrdiniCliT = %1 AND R.FlStato < 2 AND R.QuantitaPre = 0 AND R.TipoRigo <> %2 "
                          "AND R.TipoRigo <> %3 AND R.TipoRigo <> %4")
               .arg(ordine)
               .arg(KV8Config::GetFBBAS08().TipoRigoRAEE)
               .arg(conai.TipoRigoCONAI1)
               .arg(conai.TipoRigoCONAI2);
    sql << QStringLiteral("ORDER BY R.NumOrdine, R.KOrdiniCliR");
    QRigheOrdine->Open();
    TXQuery *q = QRigheOrdine;

    QVariant ricordata;
    if (rilettura) {
        bool cambiata = false;
        for (q->First(); !q->Eof() && !cambiata; q->Next()) {
            const QString nome = F(q, "KOrdiniCliR")->AsString();
            const int i = UT_LMQ_CercaImpronta(impronte, nome);
            cambiata =
                i < 0 || impronte.at(i).mid(nome.size() + 1).compare(UT_LMQ_Impronta(q), Qt::CaseInsensitive) != 0;
        }
        q->First();
        if (!cambiata) {
            q->Close();
            return righe->RecordCount();
        }
        ricordata = F(righe, "KOrdiniCliR")->Value();
        CmdRigheOrdine->ParamByName(QStringLiteral("KOrdineT"))->SetValue(ordine);
        CmdRigheOrdine->ExecSQL();
        CancellaDettaglioOrdine(ordine);
        righe->Refresh();
    }

    int lette = 0;
    try {
        TXTransaction locale(TSelOrdR->Database());
        for (q->First(); !q->Eof(); q->Next()) {
            const auto tipo = Tipirigo::TRGetTipoRigo(2, QString(), F(q, "TipoRigo")->AsInteger());
            const bool offerto = tipo && ((CodTipoDoc == 0 && tipo->FlBolle) || (CodTipoDoc == 1 && tipo->FlFatture));
            if (offerto) {
                if (tipo->FlTestEvasione && !VMTestRigheDaEvadere(teste, q))
                    continue;
                righe->Append();
                ++lette;
                Funzioni::CopiaDati(righe, q);
                const auto v = [righe](const char *campo) { return F(righe, campo)->AsFloat(); };
                F(righe, "FlStatoOld")->SetAsInteger(F(righe, "FlStato")->AsInteger());
                F(righe, "QtaDaSpedire")
                    ->SetAsFloat(v("QuantitaOrd") - v("QuantitaSpe") - v("QuantitaAnn") - v("QuantitaSal"));
                F(righe, "ImpDaSelez")->SetAsFloat(v("ImportoLordo") - v("ImportoSpeditoL"));
                F(righe, "QuantitaSal")->SetAsFloat(0);
                F(righe, "UT_QtaConfDaSpe")->SetAsFloat(v("Lunghezza") - v("UT_QtaConfSpe") - v("UT_QtaConfSal"));
                F(righe, "UT_QtaConfSal")->SetAsFloat(0);
                F(righe, "StatoRigo")->SetAsString(StatoRigo(F(righe, "FlStato")->AsInteger()));
                F(righe, "RifOrdineS")->SetAsString(F(teste, "RifOrdineS")->AsString());
                righe->Post();
            }
            UT_LMQ_SegnaImpronta(impronte, F(q, "KOrdiniCliR")->AsString(), UT_LMQ_Impronta(q));
        }
        if (locale.Started())
            locale.Commit();
    } catch (...) {
        if (righe->State() == dsInsert)
            righe->Cancel();
        q->Close();
        throw;
    }
    q->Close();

    // the order's detail still to ship
    if (dettaglio) {
        const int dec = DecQuantita();
        QDettTesta->Close();
        QDettTesta->ParamByName(QStringLiteral("KTesta"))->SetValue(ordine);
        QDettTesta->Open();
        for (QDettTesta->First(); !QDettTesta->Eof(); QDettTesta->Next()) {
            const auto v = [this](const char *campo) { return F(QDettTesta, campo)->AsFloat(); };
            if (Funzioni::CompDec(v("Quantita") - v("QuantitaSpe") - v("QuantitaSal") - v("QuantitaAnn"), 0, dec) <= 0)
                continue;
            dettaglio->Append();
            Funzioni::CopiaDati(dettaglio, QDettTesta);
            F(dettaglio, "Stato")->SetAsInteger(0);
            F(dettaglio, "QtaSelez")->SetAsFloat(0);
            F(dettaglio, "QuantitaSaldoDaRigo")->SetAsFloat(v("QuantitaSal"));
            F(dettaglio, "QuantitaSal")->SetAsFloat(0);
            dettaglio->Post();
        }
        QDettTesta->Close();
    }

    if (ricordata.isValid() && !righe->Locate(QStringLiteral("KOrdiniCliR"), ricordata)) {
        Kmessages::KMessage(QStringLiteral("Riga ordine non più disponibile, verrà selezionata la prima riga"),
                            mtInformation, mbOK);
        righe->First();
    }
    return lette;
}

void TFSVen0001f_001p::edQtaSelezEnter(QObject *sender)
{
    TFSVen0001f_001::edQtaSelezEnter(sender);
}

void TFSVen0001f_001p::SelezionaRigo()
{
    if (TSelOrdR->IsEmpty())
        return;
    // an order no longer reserved for the dialog is read again first
    if (!DocumentoPrenotato(F(TSelOrdR, "KOrdiniCliT")->Value().toLongLong())
        && LeggiRigheDocumento(TTesteOrdini, TSelOrdR, TDettQta, Impronte, true) == 0)
        return;
    const bool seleziona = F(TSelOrdR, "FlSelez")->AsInteger() == 0;
    if (TSelOrdR->State() == dsBrowse)
        TSelOrdR->Edit();
    const auto tipo = Tipirigo::TRGetTipoRigo(2, QString(), F(TSelOrdR, "TipoRigo")->AsInteger());
    if (tipo && tipo->FlClasse == Tipirigo::crDescrittivo) {
        F(TSelOrdR, "FlSelez")->SetAsInteger(seleziona ? 1 : 0);
        F(TSelOrdR, "FlStato")->SetAsInteger(seleziona ? 2 : 0);
        TSelOrdR->Post();
        return;
    }
    const bool conDettaglio = KV8Config::GetFSBAS01().FlDettaglioQta == 1;
    double sommaDettagli = 0;
    int dettagliScelti = 0;
    if (conDettaglio)
        UT_LMQ_SelezionaDettagli(seleziona, sommaDettagli, dettagliScelti);
    // the marks after the quantities, whose validation marks a line by its quantity alone
    if (seleziona) {
        if (ModoValore == 0) {
            daConfezioni_ = true;
            F(TSelOrdR, "QtaSelez")
                ->SetAsFloat(dettagliScelti > 0 && Funzioni::CompDec(sommaDettagli, 0, -1) != 0
                                 ? sommaDettagli
                                 : F(TSelOrdR, "QtaDaSpedire")->AsFloat());
            daConfezioni_ = false;
        } else {
            F(TSelOrdR, "ImpSelez")->SetAsFloat(F(TSelOrdR, "ImpDaSelez")->AsFloat());
        }
        // the packages decide the quantity to send (their validation)
        F(TSelOrdR, "UT_QtaConfSel")->SetAsFloat(F(TSelOrdR, "UT_QtaConfDaSpe")->AsFloat());
        F(TSelOrdR, "FlSelez")->SetAsInteger(1);
        F(TSelOrdR, "FlStato")->SetAsInteger(2);
    } else {
        if (ModoValore == 0) {
            daConfezioni_ = true;
            F(TSelOrdR, "QtaSelez")->SetAsFloat(0);
            daConfezioni_ = false;
        } else {
            F(TSelOrdR, "ImpSelez")->SetAsFloat(0);
        }
        F(TSelOrdR, "UT_QtaConfSel")->SetAsFloat(0);
        F(TSelOrdR, "FlSelez")->SetAsInteger(0);
        F(TSelOrdR, "FlStato")->SetAsInteger(F(TSelOrdR, "FlStatoOld")->AsInteger());
    }
    if (ModoValore == 0 && conDettaglio) {
        F(TSelOrdR, "QuantitaSal")->SetAsFloat(0);
        F(TSelOrdR, "UT_QtaConfSal")->SetAsFloat(0);
    }
    TSelOrdR->Post();
}

template <typename Passo> void TFSVen0001f_001p::UT_LMQ_PerDettaglioRigo(const Passo &passo)
{
    QDettRigo->Close();
    QDettRigo->ParamByName(QStringLiteral("KTesta"))->SetValue(F(TSelOrdR, "KOrdiniCliT")->Value());
    QDettRigo->ParamByName(QStringLiteral("KRigo"))->SetValue(F(TSelOrdR, "KOrdiniCliR")->Value());
    QDettRigo->Open();
    try {
        for (QDettRigo->First(); !QDettRigo->Eof(); QDettRigo->Next())
            if (TDettQta->Locate(QStringLiteral("KDettQta"), F(QDettRigo, "KDettQta")->Value()))
                passo(F(QDettRigo, "Stato")->AsInteger());
    } catch (...) {
        if (TDettQta->State() == dsEdit)
            TDettQta->Cancel();
        QDettRigo->Close();
        throw;
    }
    QDettRigo->Close();
}

void TFSVen0001f_001p::UT_LMQ_SelezionaDettagli(bool seleziona, double &somma, int &scelti)
{
    UT_LMQ_PerDettaglioRigo([&](int stato) {
        if (stato == 2 && !seleziona) {
            TDettQta->Delete();
            return;
        }
        const QString lotto = F(TDettQta, "IdLotto")->AsString();
        const QString gruppo = F(TDettQta, "Gruppo")->AsString();
        if (seleziona && CheckControllaGiacenzaDettaglio(lotto, gruppo)) {
            TDatiLotti dati;
            TDMIBMag *mag = TDMIBMag::Crea();
            mag->InitDatiLotto(dati, F(TSelOrdR, "IdProdotto")->AsString(), F(TSelOrdR, "IdMagazzino")->AsInteger(),
                               QDateTime::currentDateTime(), F(TDettQta, "IdVariante")->AsString(), gruppo, lotto,
                               QString(), F(TDettQta, "_QtaDaEvadere")->AsFloat(), QString());
            dati.IdUM = F(TSelOrdR, "IdUM")->AsString();
            dati.FattConv = F(TSelOrdR, "FattConvProd")->AsFloat();
            dati.CodTipoDoc = CodTipoDoc;
            dati.IdOperatore = gUtente.IdUtente;
            if (!mag->ControlloGiacenzaLotto(dati))
                return;
        }
        TDettQta->Edit();
        if (seleziona) {
            F(TDettQta, "QtaSelez")->SetAsFloat(F(TDettQta, "_QtaDaEvadere")->AsFloat());
            somma += F(TDettQta, "QtaSelez")->AsFloat();
            ++scelti;
        } else {
            F(TDettQta, "QtaSelez")->SetAsFloat(0);
        }
        F(TDettQta, "QuantitaSal")->SetAsFloat(0);
        TDettQta->Post();
    });
}

void TFSVen0001f_001p::ControllaQtaDaSpedire(double quantita)
{
    if (!daConfezioni_)
        TFSVen0001f_001::ControllaQtaDaSpedire(quantita);
}

void TFSVen0001f_001p::TSelOrdRUT_QtaConfSelValidate(TField *sender)
{
    const double confezioni = sender->AsFloat();
    if (Funzioni::CompDec(confezioni, F(TSelOrdR, "UT_QtaConfDaSpe")->AsFloat(), DecQuantita()) > 0) {
        const int controllo = KV8Config::GetFSORC01().FlControlloEccedenza;
        if (controllo == 1)
            Kmessages::KMessage(kEccedenza, mtInformation, mbOK);
        else if (controllo == 2)
            throw Exception(kEccedenza);
    }
    if (TSelOrdR->State() != dsBrowse) {
        daConfezioni_ = true;
        try {
            F(TSelOrdR, "QtaSelez")
                ->SetAsFloat(Funzioni::KRound(F(TSelOrdR, "Quantita2Ord")->AsFloat() * confezioni, DecQuantita()));
        } catch (...) {
            daConfezioni_ = false;
            throw;
        }
        daConfezioni_ = false;
    }
}

bool TFSVen0001f_001p::AggiornaRigoOrdine(qint64 kOrdiniCliR, double quantita, int modo)
{
    try {
        if (!TSelOrdR->Locate(QStringLiteral("KOrdiniCliR"), kOrdiniCliR) && !InserisciRigoOrdineNoElab(kOrdiniCliR))
            throw Exception(QStringLiteral("Rigo ordine non trovato"));
        TSelOrdR->Edit();
        const auto valore = [this](const char *campo) { return F(TSelOrdR, campo)->AsFloat(); };
        if (modo == 0) {
            if (ModoValore == 0) {
                F(TSelOrdR, "QtaDaSpedire")
                    ->SetAsFloat(valore("QtaDaSpedire") - valore("QtaSelez") - valore("QuantitaSal"));
                daConfezioni_ = true;
                F(TSelOrdR, "QtaSelez")->SetAsFloat(0);
                daConfezioni_ = false;
                F(TSelOrdR, "QuantitaSal")->SetAsFloat(0);
                F(TSelOrdR, "UT_QtaConfDaSpe")
                    ->SetAsFloat(valore("UT_QtaConfDaSpe") - valore("UT_QtaConfSel") - valore("UT_QtaConfSal"));
                F(TSelOrdR, "UT_QtaConfSel")->SetAsFloat(0);
                F(TSelOrdR, "UT_QtaConfSal")->SetAsFloat(0);
            } else {
                F(TSelOrdR, "ImpDaSelez")->SetAsFloat(valore("ImpDaSelez") - valore("ImpSelez"));
                F(TSelOrdR, "ImpSelez")->SetAsFloat(0);
            }
            F(TSelOrdR, "FlSelez")->SetAsInteger(F(TSelOrdR, "FlStato")->AsInteger() >= 2 ? 2 : 0);
            if (KV8Config::GetFSBAS01().FlDettaglioQta == 1)
                UT_LMQ_PerDettaglioRigo([this](int stato) {
                    if (stato >= 2)
                        return;
                    TDettQta->Edit();
                    F(TDettQta, "QuantitaSpe")
                        ->SetAsFloat(F(TDettQta, "QuantitaSpe")->AsFloat() + F(TDettQta, "QuantitaSal")->AsFloat()
                                     + F(TDettQta, "QtaSelez")->AsFloat());
                    F(TDettQta, "QtaSelez")->SetAsFloat(0);
                    F(TDettQta, "QuantitaSal")->SetAsFloat(0);
                    TDettQta->Post();
                });
        } else if (modo == 1) {
            if (ModoValore == 0)
                F(TSelOrdR, "QtaDaSpedire")->SetAsFloat(valore("QtaDaSpedire") + quantita);
            else
                F(TSelOrdR, "ImpDaSelez")->SetAsFloat(valore("ImpDaSelez") + quantita);
            if (F(TSelOrdR, "FlSelez")->AsInteger() == 2)
                F(TSelOrdR, "FlSelez")->SetAsInteger(0);
            F(TSelOrdR, "QuantitaSal")->SetAsFloat(0);
            const int stato =
                Funzioni::CompDec(valore("QuantitaOrd"), valore("QtaDaSpedire"), DecQuantita()) == 0 ? 0 : 1;
            F(TSelOrdR, "FlStato")->SetAsInteger(stato);
            F(TSelOrdR, "FlStatoOld")->SetAsInteger(stato);
            F(TSelOrdR, "StatoRigo")->SetAsString(StatoRigo(stato));
        }
        TSelOrdR->Post();
        return true;
    } catch (const Exception &e) {
        daConfezioni_ = false;
        if (TSelOrdR->State() == dsEdit || TSelOrdR->State() == dsInsert)
            TSelOrdR->Cancel();
        Kmessages::KMessage(e.Message, mtInformation, mbOK);
        return false;
    }
}

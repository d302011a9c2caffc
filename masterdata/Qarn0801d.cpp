#include "masterdata/Qarn0801d.h"

#include "ui_Qarn0801d.h"

#include "frame/Dusaria.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/DMIDataBases.h"
#include "host/db/Dictionary.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"
#include "host/ui/Transazione.h"

#include <algorithm>

DUSARIA_FINESTRA(TFqarn0801d, Fqarn0801d);

QString UT_LMQ_GEN_NuovoPathImmagine(const QString &cartella, const QString &allegato)
{
    const qsizetype taglio = std::max({allegato.lastIndexOf(QLatin1Char('\\')), allegato.lastIndexOf(QLatin1Char('/')),
                                       allegato.lastIndexOf(QLatin1Char(':'))});
    const QString file = allegato.mid(taglio + 1).trimmed();
    if (file.isEmpty())
        return QString();
    if (cartella.endsWith(QLatin1Char('\\')) || cartella.endsWith(QLatin1Char('/')))
        return cartella + file;
    const bool barra = cartella.contains(QLatin1Char('/')) && !cartella.contains(QLatin1Char('\\'));
    return cartella + (barra ? QLatin1Char('/') : QLatin1Char('\\')) + file;
}

TFqarn0801d::TFqarn0801d(QWidget *owner) : TFDBChildPars(owner), ui(new Ui::Qarn0801d)
{
    SetupLayout(*ui);
    tPars->SetTableName(QStringLiteral("LUMO_PathImm"));
    tPars->SetUsaDizionario(true);
    SetActiveControl(ui->edPath);

    qArticoli = new TXQuery(this);
    qArticoli->SetName(QStringLiteral("qArticoli"));
    qArticoli->SQL << QStringLiteral("SELECT Articoli.IdProdotto, Articoli.DsProdotto, Articoli.Allegati")
                   << QStringLiteral("FROM Articoli") << QStringLiteral("WHERE Articoli.Allegati is not null")
                   << QStringLiteral("ORDER BY Articoli.IdProdotto");
}

TFqarn0801d::~TFqarn0801d()
{
    delete ui;
}

void TFqarn0801d::FormClose(TCloseAction &action)
{
    TFDBChildPars::FormClose(action);
    if (Fqarn0801d == this)
        Fqarn0801d = nullptr;
}

void TFqarn0801d::Aggiorna(const QString &cartella)
{
    // The new paths are worked out here, article by article, and stored with one UPDATE from
    // a work table: the same paths as storing each article, without reading the articles'
    // whole rows.
    TXDatabase &db = DMIDataBases::Instance().Global();
    const DictTable *tabella = Dictionary::Instance().Table(QStringLiteral("Articoli"));
    const DictColumn *colonna = tabella ? tabella->Column(QStringLiteral("Allegati")) : nullptr;
    const int massimo = colonna && colonna->size > 0 ? colonna->size : 255;
    db.ExecSQL(QStringLiteral("DROP TABLE IF EXISTS kv8_PathImm"));
    db.ExecSQL(QStringLiteral("CREATE TEMPORARY TABLE kv8_PathImm (IdProdotto VARCHAR(22) NOT NULL PRIMARY KEY, "
                              "Vecchio VARCHAR(%1) NOT NULL, Nuovo VARCHAR(%1) NOT NULL)")
                   .arg(massimo));
    TField *codice = qArticoli->FieldByName(QStringLiteral("IdProdotto"));
    TField *allegati = qArticoli->FieldByName(QStringLiteral("Allegati"));
    QStringList segni;
    QVariantList valori;
    const auto scrivi = [&] {
        if (segni.isEmpty())
            return;
        db.ExecSQL(QStringLiteral("INSERT INTO kv8_PathImm (IdProdotto, Vecchio, Nuovo) VALUES ") + segni.join(u','),
                   valori);
        segni.clear();
        valori.clear();
    };
    for (qArticoli->First(); !qArticoli->Eof(); qArticoli->Next()) {
        const QString vecchio = allegati->AsString();
        const QString nuovo = UT_LMQ_GEN_NuovoPathImmagine(cartella, vecchio);
        if (nuovo.isEmpty() || nuovo == vecchio)
            continue; // no file name, or already there
        // a path the column cannot hold whole stops the job before anything is written
        if (nuovo.size() > massimo)
            throw Exception(QStringLiteral("Il nuovo percorso dell'immagine dell'articolo %1 supera i %2 caratteri "
                                           "ammessi: indicare una cartella più corta.")
                                .arg(codice->AsString())
                                .arg(massimo));
        segni << QStringLiteral("(?, ?, ?)");
        valori << codice->AsString() << vecchio << nuovo;
        if (segni.size() == 300)
            scrivi();
    }
    scrivi();
    // an article deleted meanwhile is skipped; one whose picture another user changed
    // meanwhile is not overwritten
    db.ExecSQL(QStringLiteral(
        "UPDATE Articoli SET Allegati = kv8_PathImm.Nuovo FROM kv8_PathImm "
        "WHERE Articoli.IdProdotto = kv8_PathImm.IdProdotto AND Articoli.Allegati = kv8_PathImm.Vecchio"));
    const int cambiati = db.ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Articoli JOIN kv8_PathImm ON "
                                                       "Articoli.IdProdotto = kv8_PathImm.IdProdotto "
                                                       "WHERE Articoli.Allegati <> kv8_PathImm.Nuovo"))
                             .toInt();
    db.ExecSQL(QStringLiteral("DROP TABLE kv8_PathImm"));
    if (cambiati > 0)
        throw Exception(QStringLiteral("Immagini di %1 articoli modificate da un altro utente nel frattempo: ripetere "
                                       "l'operazione.")
                            .arg(cambiati));
}

void TFqarn0801d::btEseguiClick()
{
    TFDBChildPars::btEseguiClick();
    const QString cartella = tPars->FieldByName(QStringLiteral("Path"))->AsString().trimmed();
    if (cartella.isEmpty()) {
        Kmessages::KMessage(QStringLiteral("Nuovo Path non indicato: scrivere la cartella delle immagini."), mtError,
                            mbOK);
        ui->edPath->setFocus();
        return;
    }
    TXDatabase &db = DMIDataBases::Instance().Global();
    if (db.InTransaction())
        return;
    Screen->SetCursor(crHourGlass);
    // read inside the transaction: what another user stored before is what is rewritten
    bool vuota = false;
    const bool fatto = Funzioni::EseguiInTransazione(db, [&] {
        qArticoli->Close();
        qArticoli->Open();
        vuota = qArticoli->IsEmpty();
        if (!vuota)
            Aggiorna(cartella);
    });
    qArticoli->Close();
    Screen->SetCursor(crDefault);
    if (fatto && !vuota)
        btChiudiClick();
}

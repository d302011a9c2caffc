#include "frame/Raskdmupdatedb.h"

#include "host/ui/Kmessages.h"

#include <memory>

namespace {

QString TestoErrore(const std::exception &e)
{
    return Kmessages::ExceptionText(e);
}

} // namespace

TFRaskDmUpdateDB::TFRaskDmUpdateDB(QObject *owner) : TDataModule(owner)
{
    SetName(QStringLiteral("FRaskDmUpdateDB"));
    TRSTabellaUpdate = Create<TXClientTable>(QStringLiteral("TRSTabellaUpdate"));
    TRSTabellaUpdate->SetDatabaseName(QStringLiteral("GlobalDatabase"));
    qTabellaUpDate = Create<TXQuery>(QStringLiteral("qTabellaUpDate"));
    qTabellaUpDate->SetDatabaseName(QStringLiteral("GlobalDatabase"));
    qTabellaUpDate->SetUsaDizionario(false);
}

TFRaskDmUpdateDB::~TFRaskDmUpdateDB() = default;

QStringList TFRaskDmUpdateDB::ScriptColonna(const TXDatiUpdate &d)
{
    QString colonna = QLatin1Char('[') + d.NomeCampo + QLatin1Char(']');
    switch (d.FlTipoCampo) {
    case 0:
        colonna += QStringLiteral(" [NVarchar](%1) NULL ").arg(d.Lunghezza);
        break;
    case 1:
        colonna += QStringLiteral(" [smallint] NULL ");
        break;
    case 2:
        colonna += QStringLiteral(" [int] NULL ");
        break;
    case 5:
        colonna += QStringLiteral(" [float] NULL ");
        break;
    case 6:
        colonna += QStringLiteral(" [datetime] NULL ");
        break;
    case 7:
        colonna += QStringLiteral(" [NVarchar](MAX) NULL ");
        break;
    default:
        throw Exception(
            QStringLiteral("Tipo campo %1 non gestito per il campo %2").arg(d.FlTipoCampo).arg(d.NomeCampo));
    }
    return {QStringLiteral("ALTER TABLE [dbo].[") + d.NomeTabella + QStringLiteral("] ADD"), colonna};
}

QStringList TFRaskDmUpdateDB::ScriptDefault(const TXDatiUpdate &d)
{
    const QString inizio = QStringLiteral("CONSTRAINT  [DF_") + d.NomeTabella + QLatin1Char('_') + d.NomeCampo;
    QString riga;
    switch (d.FlTipoCampo) {
    case 0:
        riga = inizio + QStringLiteral("] DEFAULT ('") + d.ValoreDefault + QStringLiteral("') FOR [") + d.NomeCampo
               + QLatin1Char(']');
        break;
    case 1:
    case 2:
    case 5:
        riga = inizio + QStringLiteral("] DEFAULT (") + d.ValoreDefault + QStringLiteral(") FOR [") + d.NomeCampo
               + QLatin1Char(']');
        break;
    default:
        return {}; // no default defined for dates and long texts
    }
    return {QStringLiteral("ALTER TABLE [dbo].[") + d.NomeTabella + QStringLiteral("] WITH NOCHECK ADD"), riga};
}

QStringList TFRaskDmUpdateDB::ScriptValore(const TXDatiUpdate &d)
{
    const QString inizio = QStringLiteral("UPDATE [dbo].[") + d.NomeTabella + QStringLiteral("] SET ") + d.NomeCampo
                           + QStringLiteral(" = ");
    switch (d.FlTipoCampo) {
    case 0:
        return {inizio + XWideQuotedStr(d.ValoreDefault)};
    case 1:
    case 2:
    case 5:
        return {inizio + d.ValoreDefault};
    default:
        return {}; // no initial value defined for dates and long texts
    }
}

void TFRaskDmUpdateDB::EseguoScript(const QStringList &righe)
{
    if (righe.isEmpty())
        return;
    QString testo;
    for (const QString &riga : righe)
        testo += riga + QStringLiteral("\r\n");
    if (ScriptInviato)
        ScriptInviato(testo);
    try {
        qTabellaUpDate->Close();
        qTabellaUpDate->SQL = QStringList{testo};
        qTabellaUpDate->ExecSQL();
    } catch (const std::exception &e) {
        Kmessages::KMessage(TestoErrore(e), mtInformation, mbOK, 0);
    }
}

bool TFRaskDmUpdateDB::ColonnePresenti(const QList<TXDatiUpdate> &colonne)
{
    // One subselect per table, naming its columns; consecutive columns of a table share it.
    QStringList tabelle;
    for (qsizetype i = 0; i < colonne.size();) {
        const TXDatiUpdate &d = colonne[i];
        QStringList nomi{d.NomeCampo};
        qsizetype j = i + 1;
        while (j < colonne.size() && colonne[j].NomeTabella.compare(d.NomeTabella, Qt::CaseInsensitive) == 0
               && colonne[j].XValoreWhere == d.XValoreWhere)
            nomi << colonne[j++].NomeCampo;
        tabelle << QStringLiteral("(SELECT %1 FROM %2 WHERE %3) T%4")
                       .arg(nomi.join(QStringLiteral(", ")), d.NomeTabella, d.XValoreWhere)
                       .arg(tabelle.size());
        i = j;
    }
    if (tabelle.isEmpty())
        return true;
    try {
        qTabellaUpDate->Database().ScalarValue(QStringLiteral("SELECT COUNT(*) FROM ")
                                               + tabelle.join(QStringLiteral(", ")));
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

void TFRaskDmUpdateDB::UpdateTabelle(const TXDatiUpdate &dati)
{
    UpdateTabelle(QList<TXDatiUpdate>{dati});
}

void TFRaskDmUpdateDB::UpdateTabelle(const QList<TXDatiUpdate> &colonne)
{
    if (colonne.isEmpty())
        return;
    const TXDatiUpdate &prima = colonne.first();
    const auto fallita = [](const TXDatiUpdate &d, const std::exception &e) {
        Kmessages::KMessage(TestoErrore(e) + QStringLiteral(" Tabella: ") + d.NomeTabella, mtInformation, mbOK, 0);
    };
    if (ColonnePresenti(colonne))
        return;
    QList<bool> presente;
    try {
        TRSTabellaUpdate->Close();
        TRSTabellaUpdate->SetTableName(prima.NomeTabella);
        TRSTabellaUpdate->SetXWhere(prima.XValoreWhere);
        TRSTabellaUpdate->Open();
        for (const TXDatiUpdate &d : colonne)
            presente << (TRSTabellaUpdate->FindField(d.NomeCampo) != nullptr);
        TRSTabellaUpdate->Close();
    } catch (const std::exception &e) {
        try {
            TRSTabellaUpdate->Close();
        } catch (...) {
        }
        // what was learnt of a table that could not be read is not kept
        kv8data::ForgetTableMeta(prima.NomeTabella);
        for (const TXDatiUpdate &d : colonne)
            fallita(d, e);
        return;
    }
    bool modificata = false;
    for (qsizetype i = 0; i < colonne.size(); ++i) {
        if (presente[i])
            continue;
        const TXDatiUpdate &d = colonne[i];
        try {
            const QStringList colonna = ScriptColonna(d);
            const QStringList predefinito = ScriptDefault(d);
            const QStringList valore = ScriptValore(d);
            modificata = true;
            EseguoScript(colonna);
            EseguoScript(predefinito);
            EseguoScript(valore);
        } catch (const std::exception &e) {
            fallita(d, e);
        }
    }
    if (modificata)
        kv8data::ForgetTableMeta(prima.NomeTabella);
}

const QList<TXDatiUpdate> &RaskColonneAggiornate()
{
    static const QList<TXDatiUpdate> colonne{
        {QStringLiteral("CausaliMagaz"), QStringLiteral("UT_LMQ_FlGesSian"), 1, 2, QStringLiteral("0"),
         QStringLiteral("IdCausale = '' ")},
        {QStringLiteral("Articoli"), QStringLiteral("UT_LMQ_FlGesSian"), 1, 2, QStringLiteral("0"),
         QStringLiteral("IdProdotto = '' ")},
        {QStringLiteral("Articoli"), QStringLiteral("UT_LMQ_IdTipologiaOmaggi"), 0, 3, QString(),
         QStringLiteral("IdProdotto = '' ")},
    };
    return colonne;
}

void RaskAggiornaUpdateDatabase()
{
    try {
        auto dm = std::make_unique<TFRaskDmUpdateDB>();
        const QList<TXDatiUpdate> &tutte = RaskColonneAggiornate();
        if (dm->ColonnePresenti(tutte))
            return;
        // consecutive columns of one table share one empty open
        qsizetype i = 0;
        while (i < tutte.size()) {
            QList<TXDatiUpdate> gruppo{tutte[i]};
            qsizetype j = i + 1;
            while (j < tutte.size() && tutte[j].NomeTabella.compare(tutte[i].NomeTabella, Qt::CaseInsensitive) == 0
                   && tutte[j].XValoreWhere == tutte[i].XValoreWhere)
                gruppo << tutte[j++];
            dm->UpdateTabelle(gruppo);
            i = j;
        }
    } catch (const std::exception &e) {
        // no error of the patch stops the menu choice
        Kmessages::KMessage(TestoErrore(e), mtInformation, mbOK, 0);
    }
}

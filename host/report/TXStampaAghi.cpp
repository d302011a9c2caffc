#include "host/report/TXStampaAghi.h"

#include "host/core/Errors.h"
#include "host/db/DMIDataBases.h"
#include "host/report/ReportFormat.h"
#include "host/report/ReportOutput.h"

#include <QDir>
#include <QTemporaryFile>

void TXStampaAghi::Inizia(const TextLayout &layout)
{
    layout_ = layout;
    out_.clear();
    spool_.reset();
    if (!ReportCapture::Active()) {
        // in the run's work folder: a run killed while printing leaves it for the next start to remove
        spool_ = std::make_shared<QTemporaryFile>(
            QDir(DMIDataBases::RunFolder()).filePath(QStringLiteral("kv8-aghi-XXXXXX")));
        if (!spool_->open())
            throw Exception(
                QStringLiteral("Impossibile creare il file temporaneo della stampa: %1").arg(spool_->errorString()));
    }
    righe_ = 0;
    paginaAperta_ = false;
    Pagina = 0;
}

void TXStampaAghi::Intestazione(ReportDataSource *dati)
{
    ++Pagina;
    if (Avanzamento)
        Avanzamento->Page(Pagina, 0);
    if (OnIntestazione)
        OnIntestazione(Pagina);
    paginaAperta_ = true;
    righe_ = 0;
    for (const QString &line : std::as_const(layout_.Heading)) {
        out_.append(Componi(line, dati));
        ++righe_;
    }
}

void TXStampaAghi::Scrivi(const QStringList &lines, ReportDataSource *dati)
{
    if (!paginaAperta_)
        Intestazione(dati);
    // A section that does not fit the rest of a page that already holds lines goes whole
    // on the next page; one longer than a page is split.
    if (righe_ > layout_.Heading.size() && righe_ + lines.size() > layout_.PageLength) {
        SaltoPagina();
        Intestazione(dati);
    }
    for (const QString &line : lines) {
        if (righe_ >= layout_.PageLength) {
            SaltoPagina();
            Intestazione(dati);
        }
        out_.append(Componi(line, dati));
        ++righe_;
    }
}

void TXStampaAghi::StampaRiga(int sezione, ReportDataSource *dati)
{
    const auto it = layout_.Sections.constFind(sezione);
    if (it == layout_.Sections.constEnd())
        throw Exception(QStringLiteral("Stampa %1: sezione %2 non definita nel testo ad aghi").arg(Nome).arg(sezione));
    Scrivi(*it, dati);
}

void TXStampaAghi::SaltoPagina()
{
    if (!paginaAperta_)
        return;
    out_.append(QStringLiteral("\f"));
    paginaAperta_ = false;
    righe_ = 0;
    if (spool_) {
        const QByteArray page = Righe().toUtf8();
        if (spool_->write(page) != page.size())
            throw Exception(
                QStringLiteral("Impossibile scrivere il file temporaneo della stampa: %1").arg(spool_->errorString()));
        out_.clear();
    }
}

void TXStampaAghi::StampaCoda()
{
    if (!layout_.Tail.isEmpty())
        Scrivi(layout_.Tail, DataSetCoda);
}

QString TXStampaAghi::Termina()
{
    SaltoPagina();
    if (!spool_)
        return ReportOutput::DeliverText(Nome, Testo(), NomeFile, Stampante);
    const std::shared_ptr<QTemporaryFile> spool = std::move(spool_);
    if (!spool->flush())
        throw Exception(
            QStringLiteral("Impossibile scrivere il file temporaneo della stampa: %1").arg(spool->errorString()));
    return ReportOutput::DeliverTextFile(Nome, spool->fileName(), NomeFile, Stampante);
}

QString TXStampaAghi::Righe() const
{
    // Lines end with a newline; a form feed stands alone between pages.
    QString text;
    for (const QString &line : out_)
        text += line == QLatin1String("\f") ? line : line + QLatin1Char('\n');
    return text;
}

QString TXStampaAghi::Testo() const
{
    if (!spool_)
        return Righe();
    spool_->flush();
    QFile written(spool_->fileName());
    if (!written.open(QIODevice::ReadOnly))
        throw Exception(
            QStringLiteral("Impossibile leggere il file temporaneo della stampa: %1").arg(written.errorString()));
    return QString::fromUtf8(written.readAll()) + Righe();
}

QVariant TXStampaAghi::Valore(const QString &name, ReportDataSource *dati) const
{
    if (name.startsWith(QLatin1Char('#'))) {
        const QString system = name.mid(1).toLower();
        if (system == QLatin1String("page"))
            return Pagina;
        if (system == QLatin1String("date"))
            return DataStampa.isValid() ? DataStampa : QDate::currentDate();
        if (system == QLatin1String("company"))
            return Ditta;
        if (system == QLatin1String("title"))
            return Titolo;
        throw Exception(
            QStringLiteral("Stampa %1: valore di sistema %2 sconosciuto nel testo ad aghi").arg(Nome, name));
    }
    for (ReportDataSource *ds : {dati, DataSetRighe, DataSetTesta, DataSetCoda})
        if (ds && ds->HasField(name))
            return ds->Value(name);
    throw Exception(QStringLiteral("Stampa %1: campo %2 non trovato per il testo ad aghi").arg(Nome, name));
}

QString TXStampaAghi::Componi(const QString &templ, ReportDataSource *dati) const
{
    QString out;
    out.reserve(templ.size());
    for (qsizetype i = 0; i < templ.size(); ++i) {
        const QChar c = templ[i];
        if (c == QLatin1Char('}') && i + 1 < templ.size() && templ[i + 1] == QLatin1Char('}')) {
            out += c;
            ++i;
            continue;
        }
        if (c != QLatin1Char('{')) {
            out += c;
            continue;
        }
        if (i + 1 < templ.size() && templ[i + 1] == QLatin1Char('{')) {
            out += c;
            ++i;
            continue;
        }
        const qsizetype end = templ.indexOf(QLatin1Char('}'), i + 1);
        if (end < 0)
            throw Exception(QStringLiteral("Stampa %1: graffa non chiusa nel testo ad aghi \"%2\"").arg(Nome, templ));
        const QString campo = templ.mid(i + 1, end - i - 1);
        i = end;
        // Name[,width][:format]
        qsizetype stop = campo.size();
        for (qsizetype k = 0; k < campo.size(); ++k)
            if (campo[k] == QLatin1Char(',') || campo[k] == QLatin1Char(':')) {
                stop = k;
                break;
            }
        const QString name = campo.left(stop).trimmed();
        int width = 0;
        QString format;
        QString rest = campo.mid(stop);
        if (rest.startsWith(QLatin1Char(','))) {
            const qsizetype colon = rest.indexOf(QLatin1Char(':'));
            bool ok = false;
            width = rest.mid(1, colon < 0 ? -1 : colon - 1).trimmed().toInt(&ok);
            if (!ok)
                throw Exception(QStringLiteral("Stampa %1: larghezza non valida in {%2}").arg(Nome, campo));
            rest = colon < 0 ? QString() : rest.mid(colon);
        }
        if (rest.startsWith(QLatin1Char(':')))
            format = rest.mid(1);
        if (name.isEmpty())
            throw Exception(QStringLiteral("Stampa %1: campo senza nome in {%2}").arg(Nome, campo));
        QString text = ReportFormat::Value(Valore(name, dati), format);
        if (width != 0) {
            const int w = qAbs(width);
            text = text.left(w);
            text = width > 0 ? text.rightJustified(w, QLatin1Char(' ')) : text.leftJustified(w, QLatin1Char(' '));
        }
        out += text;
    }
    return out;
}

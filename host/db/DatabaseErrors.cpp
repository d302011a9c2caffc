#include "host/db/DatabaseErrors.h"

#include "host/db/TXDatabase.h"

#include <QDebug>
#include <QSqlError>
#include <QUrl>

namespace kv8db {

namespace {

// Where the authority of a URL ends: the first '/', '?' or '#' from start.
qsizetype AuthorityEnd(const QString &url, qsizetype start)
{
    qsizetype end = start;
    while (end < url.size() && url[end] != u'/' && url[end] != u'?' && url[end] != u'#')
        ++end;
    return end;
}

QString Detail(const QSqlError &error)
{
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.driverText().trimmed() : text;
}

// SQLite's primary result codes (the driver gives the extended ones).
enum SqliteCode {
    kError = 1,
    kBusy = 5,
    kLocked = 6,
    kReadOnly = 8,
    kIoError = 10,
    kCorrupt = 11,
    kFull = 13,
    kCantOpen = 14,
    kConstraint = 19,
    kNotADatabase = 26,
};
constexpr int kNotNull = 1299;    // SQLITE_CONSTRAINT_NOTNULL
constexpr int kUnique = 2067;     // SQLITE_CONSTRAINT_UNIQUE
constexpr int kPrimaryKey = 1555; // SQLITE_CONSTRAINT_PRIMARYKEY

const char *const kMissingValue = "Manca un valore obbligatorio per il database %1: completare i dati e ripetere "
                                  "l'operazione.";
const char *const kConstraintBroken = "I dati non rispettano un vincolo del database %1: correggerli e ripetere "
                                      "l'operazione.";
const char *const kBusyDb = "Il database %1 è occupato da un altro utente: ripetere l'operazione tra qualche istante.";
const char *const kOldSchema = "Il database %1 non ha la struttura attesa dal programma: aggiornarlo con \"kv8 db "
                               "upgrade\" e ripetere l'operazione.";
const char *const kOther = "Un'operazione sul database %1 non è riuscita: ripeterla e, se l'errore si ripete, "
                           "segnalarlo all'assistenza con il dettaglio scritto nel registro degli errori.";

QString SqliteSentence(const QSqlError &error)
{
    const int code = error.nativeErrorCode().toInt();
    switch (code & 0xff) {
    case kNotADatabase:
        return QStringLiteral("Il file %1 non è un database: indicare il file del database della ditta.");
    case kCorrupt:
        return QStringLiteral("Il database %1 è danneggiato: ripristinarlo da una copia di sicurezza.");
    case kReadOnly:
        return QStringLiteral("Il database %1 è in sola lettura: controllare i permessi del file e della sua cartella, "
                              "poi ripetere l'operazione.");
    case kBusy:
    case kLocked:
        return QString::fromUtf8(kBusyDb);
    case kFull:
        return QStringLiteral("Il disco del database %1 è pieno: liberare spazio e ripetere l'operazione.");
    case kCantOpen:
        return QStringLiteral("Il file del database %1 non si può aprire: controllare che la cartella esista e che "
                              "i permessi lo consentano.");
    case kIoError:
        return QStringLiteral("La lettura o la scrittura del database %1 non è riuscita: controllare il disco e "
                              "ripetere l'operazione.");
    case kConstraint:
        return QString::fromUtf8(code == kNotNull ? kMissingValue : kConstraintBroken);
    case kError: {
        const QString text = Detail(error);
        if (text.startsWith(QLatin1String("no such table")) || text.startsWith(QLatin1String("no such column"))
            || text.contains(QLatin1String("has no column named")))
            return QString::fromUtf8(kOldSchema);
        break;
    }
    default:
        break;
    }
    return QString::fromUtf8(kOther);
}

QString PostgresSentence(const QSqlError &error)
{
    const QString state = error.nativeErrorCode();
    if (state.isEmpty() && error.type() == QSqlError::ConnectionError)
        return QStringLiteral("La connessione al database %1 si è interrotta: controllare che il server sia in "
                              "funzione e riavviare il programma.");
    if (state == QLatin1String("23502"))
        return QString::fromUtf8(kMissingValue);
    if (state == QLatin1String("22001"))
        return QStringLiteral("Un testo è più lungo di quanto il database %1 consente: accorciarlo e ripetere "
                              "l'operazione.");
    if (state == QLatin1String("42P01") || state == QLatin1String("42703"))
        return QString::fromUtf8(kOldSchema);
    if (state == QLatin1String("42501"))
        return QStringLiteral("L'utente non ha i permessi necessari sul database %1: chiederli all'amministratore "
                              "del database.");
    if (state == QLatin1String("25006"))
        return QStringLiteral("Il database %1 accetta solo letture: collegarsi al server principale o chiedere "
                              "all'amministratore di consentire le scritture.");
    if (state == QLatin1String("40001") || state == QLatin1String("40P01") || state == QLatin1String("55P03"))
        return QString::fromUtf8(kBusyDb);
    const QStringView family = QStringView(state).left(2);
    if (family == u"23")
        return QString::fromUtf8(kConstraintBroken);
    if (family == u"22")
        return QStringLiteral("Un valore non è accettato dal database %1: correggerlo e ripetere l'operazione.");
    if (family == u"08" || family == u"57")
        return QStringLiteral("La connessione al database %1 si è interrotta: controllare che il server sia in "
                              "funzione e riavviare il programma.");
    if (family == u"53")
        return QStringLiteral("Il server del database %1 ha esaurito spazio o memoria: avvisare l'amministratore "
                              "del database.");
    return QString::fromUtf8(kOther);
}

} // namespace

QString SqlitePath(const QString &url)
{
    QString path = url.mid(QStringLiteral("sqlite:").size());
    if (path.startsWith(QLatin1String("///")))
        path = path.mid(2);
    return path;
}

QString ShownDatabase(const QString &url)
{
    if (url.startsWith(QLatin1String("sqlite:"), Qt::CaseInsensitive))
        return SqlitePath(url);
    QString shown = url;
    if (const qsizetype scheme = shown.indexOf(QLatin1String("://")); scheme >= 0) {
        const qsizetype start = scheme + 3;
        const qsizetype end = AuthorityEnd(shown, start);
        const qsizetype at = end > start ? shown.lastIndexOf(u'@', end - 1) : -1;
        const qsizetype colon = shown.indexOf(u':', start);
        if (at >= start && colon >= 0 && colon < at)
            shown.remove(colon, at - colon);
    }
    if (const qsizetype mark = shown.indexOf(u'?'); mark >= 0) {
        const qsizetype fragment = shown.indexOf(u'#', mark);
        const qsizetype stop = fragment < 0 ? shown.size() : fragment;
        QStringList kept;
        for (const QString &item : shown.mid(mark + 1, stop - mark - 1).split(u'&')) {
            const QString key = item.left(item.indexOf(u'='));
            if (QUrl::fromPercentEncoding(key.toUtf8()).compare(QLatin1String("password"), Qt::CaseInsensitive) != 0)
                kept.append(item);
        }
        shown = shown.left(mark) + (kept.isEmpty() ? QString() : u'?' + kept.join(u'&')) + shown.mid(stop);
    }
    return shown;
}

QString PostgresUrlProblem(const QString &url)
{
    const QString shown = ShownDatabase(url);
    const qsizetype scheme = url.indexOf(QLatin1String("://"));
    const qsizetype start = scheme < 0 ? 0 : scheme + 3;
    const qsizetype end = AuthorityEnd(url, start);
    QString hostPort = url.mid(start, end - start);
    hostPort = hostPort.mid(hostPort.lastIndexOf(u'@') + 1);
    const qsizetype bracket = hostPort.startsWith(u'[') ? hostPort.indexOf(u']') : 0;
    const qsizetype colon = bracket < 0 ? -1 : hostPort.indexOf(u':', bracket);
    const QString host = colon < 0 ? hostPort : hostPort.left(colon);
    if (host.isEmpty() || host == QLatin1String("[]"))
        return QStringLiteral("L'indirizzo %1 non indica il server del database: scriverlo come "
                              "postgresql://utente@server:porta/database.")
            .arg(shown);
    if (colon >= 0) {
        const QString port = hostPort.mid(colon + 1);
        bool digits = !port.isEmpty() && port.size() <= 5;
        for (QChar c : port)
            digits = digits && c >= u'0' && c <= u'9';
        const int number = digits ? port.toInt() : 0;
        if (number < 1 || number > 65535)
            return QStringLiteral("La porta \"%2\" dell'indirizzo %1 non è valida: indicare un numero da 1 a 65535 "
                                  "(di solito 5432).")
                .arg(shown, port);
    }
    qsizetype pathEnd = end;
    while (pathEnd < url.size() && url[pathEnd] != u'?' && url[pathEnd] != u'#')
        ++pathEnd;
    const QString name = QUrl::fromPercentEncoding(url.mid(end + 1, pathEnd - end - 1).toUtf8());
    if (end >= url.size() || url[end] != u'/' || name.isEmpty())
        return QStringLiteral("L'indirizzo %1 non indica il nome del database: aggiungerlo dopo la barra, per "
                              "esempio postgresql://utente@localhost:5432/ditta.")
            .arg(shown);
    if (!QUrl(url).isValid())
        return QStringLiteral("L'indirizzo %1 non è valido: scriverlo come postgresql://utente@server:porta/database.")
            .arg(shown);
    return QString();
}

Failure DescribeFailure(const QSqlError &error, DbEngine engine, const QString &database, const QString &table)
{
    bool key = false;
    if (engine == DbEngine::PostgreSQL) {
        key = error.nativeErrorCode() == QLatin1String("23505");
    } else {
        const int code = error.nativeErrorCode().toInt();
        const QString text = Detail(error);
        key = code == kUnique || code == kPrimaryKey || text.contains(QLatin1String("UNIQUE constraint failed"))
              || text.contains(QLatin1String("PRIMARY KEY must be unique"));
    }
    if (key) {
        const QString where = table.isEmpty() ? QStringLiteral("nel database %1").arg(database)
                                              : QStringLiteral("nella tabella %1 del database %2").arg(table, database);
        return {QStringLiteral("Un record con la stessa chiave esiste già %1: usare un codice diverso o rileggere i "
                               "dati e ripetere l'operazione.")
                    .arg(where),
                true};
    }
    const QString sentence = engine == DbEngine::PostgreSQL ? PostgresSentence(error) : SqliteSentence(error);
    return {sentence.arg(database), false};
}

QString ConnectionFailure(const QSqlError &error, const QString &database)
{
    const QString text = Detail(error);
    if (text.contains(QLatin1String("does not exist")))
        return QStringLiteral("Il database %1 non esiste sul server: correggere il nome nell'indirizzo o crearlo.")
            .arg(database);
    if (text.contains(QLatin1String("authentication failed")))
        return QStringLiteral("Il server ha rifiutato l'utente o la password del database %1: correggerli "
                              "nell'indirizzo.")
            .arg(database);
    return QStringLiteral("Impossibile collegarsi al database %1: controllare che il server sia avviato e che server "
                          "e porta dell'indirizzo siano giusti.")
        .arg(database);
}

void LogFailure(const QString &database, const QString &detail, const QString &sql)
{
    QString line = QStringLiteral("kv8db: %1: %2").arg(database, detail);
    if (!sql.trimmed().isEmpty())
        line += QStringLiteral("\nSQL: ") + sql.trimmed();
    qWarning().noquote() << line;
}

void LogFailure(const QString &database, const QSqlError &error, const QString &sql)
{
    const QString detail = Detail(error);
    const QString code = error.nativeErrorCode();
    LogFailure(database, code.isEmpty() || detail.contains(code) ? detail : QStringLiteral("%1 [%2]").arg(detail, code),
               sql);
}

} // namespace kv8db

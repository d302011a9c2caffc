// kv8: the host program. "kv8 db ..." administers a company database; otherwise the main
// window opens on the company database of --database URL or KV8_DATABASE.
#include "host/app/DbCommand.h"
#include "host/app/MainWindowStub.h"
#include "host/db/DMIDataBases.h"
#include "host/db/Dictionary.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QSqlQuery>
#include <QTextStream>

#include <cstring>
#include <exception>

namespace {

// The name of the company record, empty when the database has none.
QString CompanyName(TXDatabase &db)
{
    const DictTable *table = Dictionary::Instance().Table(QStringLiteral("DatiAzienda"));
    if (!table || !table->Column(QStringLiteral("RagioneSociale")) || !db.TableExists(table->name))
        return QString();
    try {
        QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT RagioneSociale FROM %1 ORDER BY %2")
                                       .arg(table->name, table->primaryKey.join(QStringLiteral(", "))));
        return q.next() ? q.value(0).toString().trimmed() : QString();
    } catch (const EDatabaseError &) {
        return QString(); // a database not yet upgraded
    }
}

// Only "--database URL" and "--database=URL" are taken; returns false on anything else.
bool CheckArguments(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--database") && i + 1 < arguments.size())
            ++i;
        else if (!a.startsWith(QLatin1String("--database=")))
            return false;
    }
    return true;
}

int Fail(const QString &message)
{
    QTextStream(stderr) << "kv8: " << message << '\n';
    QMessageBox::critical(nullptr, QStringLiteral("kv8"), message);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "db") == 0) {
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return RunDbCommand(QCoreApplication::arguments().mid(2), out, err);
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            QTextStream(stdout) << Kv8Usage();
            return 0;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kv8"));
    const QStringList arguments = QApplication::arguments();
    if (!CheckArguments(arguments)) {
        QTextStream(stderr) << Kv8Usage();
        return 1;
    }
    const QString url = CompanyDatabaseUrl(arguments);
    if (url.isEmpty())
        return Fail(QStringLiteral("No company database: give --database URL or set KV8_DATABASE"));

    const QString file = SqliteFile(url);
    if (!file.isEmpty() && !QFileInfo::exists(file))
        return Fail(QStringLiteral("There is no database at %1: create it with \"kv8 db create %2\"").arg(file, url));

    int code = 0;
    try {
        TXDatabase &db = DMIDataBases::Instance().Open(QStringLiteral("GlobalDatabase"), url);
        MainWindowStub window(CompanyName(db));
        window.show();
        code = QApplication::exec();
    } catch (const std::exception &e) {
        code = Fail(QString::fromUtf8(e.what()));
    }
    DMIDataBases::Instance().CloseAll();
    return code;
}

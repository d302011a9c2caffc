#include "tests/support/DueUtenti.h"

#include "host/data/Concurrency.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <deque>
#include <memory>
#include <string>

namespace {

const char *const kDatabase = "KV8_UTENTE_DB";
const char *const kCartella = "KV8_UTENTE_CARTELLA";
const char *const kNumero = "KV8_UTENTE_NUMERO";
const char *const kPunto = "KV8_UTENTE_PUNTO";
constexpr int kAttesaMs = 120000;

QString File(const QString &cartella, const QString &nome)
{
    return QDir(cartella).filePath(nome);
}

QString MioFile(const QString &nome)
{
    return File(qEnvironmentVariable(kCartella), nome + qEnvironmentVariable(kNumero));
}

void Scrivi(const QString &path, const QByteArray &testo)
{
    // written aside, then renamed: whoever sees the file sees it whole
    QFile f(path + QStringLiteral(".tmp"));
    if (f.open(QIODevice::WriteOnly)) {
        f.write(testo);
        f.close();
        QFile::rename(f.fileName(), path);
    }
}

// Waits for the file, or for done; false after the time given.
bool Attendi(const QString &path, int ms, const std::function<bool()> &done = {})
{
    QDeadlineTimer scadenza(ms);
    while (!QFile::exists(path)) {
        if ((done && done()) || scadenza.hasExpired())
            return false;
        QThread::msleep(5);
    }
    return true;
}

} // namespace

namespace kv8test {

bool ProcessoUtente()
{
    return !qEnvironmentVariable(kDatabase).isEmpty();
}

const char *SuiteUtente(const char *nome)
{
    static std::deque<std::string> nomi;
    nomi.push_back(std::string("DueUtenti_") + nome);
    return nomi.back().c_str();
}

QString DatabaseUtente()
{
    return qEnvironmentVariable(kDatabase);
}

int NumeroUtente()
{
    return ProcessoUtente() ? qEnvironmentVariableIntValue(kNumero) : 0;
}

void AttendiVia()
{
    if (!ProcessoUtente())
        return;
    if (const QString punto = qEnvironmentVariable(kPunto); !punto.isEmpty()) {
        kv8data::SetCheckPointHandler([punto, fermato = false](const QString &nome) mutable {
            if (nome != punto || std::exchange(fermato, true))
                return;
            Scrivi(MioFile(QStringLiteral("pausa")), QByteArray());
            if (!Attendi(MioFile(QStringLiteral("riprendi")), kAttesaMs))
                ADD_FAILURE() << "the first user was never let go on";
        });
    }
    // the backend of this user's connection, so that the parent sees it wait for a lock
    TXDatabase &db = DMIDataBases::Instance().Global();
    const QByteArray pid =
        db.IsPostgres() ? db.ScalarValue(QStringLiteral("SELECT pg_backend_pid()")).toByteArray() : QByteArray();
    Scrivi(MioFile(QStringLiteral("pronto")), pid);
    if (!Attendi(MioFile(QStringLiteral("via")), kAttesaMs))
        ADD_FAILURE() << "the user was never let go";
}

void NotaUtente(const QStringList &messaggi)
{
    if (ProcessoUtente())
        Scrivi(MioFile(QStringLiteral("messaggi")),
               QJsonDocument(QJsonArray::fromStringList(messaggi)).toJson(QJsonDocument::Compact));
}

std::array<Utente, 2> DueUtenti(const QString &lavoro, const QString &url, Avvio avvio, const QString &punto)
{
    std::array<Utente, 2> esito;
    QTemporaryDir cartella;
    if (!cartella.isValid()) {
        ADD_FAILURE() << "no temporary folder";
        return esito;
    }
    const QString programma = QCoreApplication::instance() ? QCoreApplication::applicationFilePath()
                                                           : QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    std::array<std::unique_ptr<QProcess>, 2> utenti;
    for (int i = 0; i < 2; ++i) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kDatabase), url);
        env.insert(QString::fromLatin1(kCartella), cartella.path());
        env.insert(QString::fromLatin1(kNumero), QString::number(i + 1));
        if (i == 0 && avvio == Avvio::PrimoInPausa)
            env.insert(QString::fromLatin1(kPunto), punto);
        utenti[i] = std::make_unique<QProcess>();
        utenti[i]->setProcessEnvironment(env);
        // into a file: a pipe nobody reads while waiting would stop a talkative user
        utenti[i]->setProcessChannelMode(QProcess::MergedChannels);
        utenti[i]->setStandardOutputFile(File(cartella.path(), QStringLiteral("uscita%1").arg(i + 1)));
        utenti[i]->start(programma, {QStringLiteral("--gtest_filter=DueUtenti_%1.Utente").arg(lavoro)});
    }
    const auto finito = [&](int i) {
        return utenti[i]->state() == QProcess::NotRunning || utenti[i]->waitForFinished(0);
    };
    const auto via = [&](int i) { Scrivi(File(cartella.path(), QStringLiteral("via%1").arg(i + 1)), QByteArray()); };
    const auto pronto = [&](int i) { return File(cartella.path(), QStringLiteral("pronto%1").arg(i + 1)); };

    bool pronti = true;
    for (int i = 0; i < 2; ++i)
        pronti = Attendi(pronto(i), kAttesaMs, [&] { return finito(i); }) && pronti;
    if (!pronti) {
        ADD_FAILURE() << "a user ended before its last gesture";
        // the other one goes, and on past its check point, to its end
        via(0);
        via(1);
        Scrivi(File(cartella.path(), QStringLiteral("riprendi1")), QByteArray());
    } else if (avvio == Avvio::Insieme) {
        via(0);
        via(1);
    } else {
        via(0);
        esito[0].Fermato =
            Attendi(File(cartella.path(), QStringLiteral("pausa1")), kAttesaMs, [&] { return finito(0); });
        via(1);
        if (esito[0].Fermato) {
            // the second runs to its end, or until it waits for the first
            std::unique_ptr<TXDatabase> server;
            QVariant pid;
            if (qEnvironmentVariable("KV8_TEST_ENGINE") == QLatin1String("postgres")) {
                server = std::make_unique<TXDatabase>(QStringLiteral("dueutenti_") + lavoro, url);
                QFile f(pronto(1));
                if (f.open(QIODevice::ReadOnly))
                    pid = QString::fromLatin1(f.readAll()).toInt();
            }
            QDeadlineTimer scadenza(server ? kAttesaMs : 1500);
            while (!finito(1) && !scadenza.hasExpired()) {
                if (server
                    && server->ScalarValue(
                                 QStringLiteral("SELECT COUNT(*) FROM pg_locks WHERE pid = ? AND NOT granted"), {pid})
                               .toInt()
                           > 0)
                    break;
                QThread::msleep(10);
            }
            Scrivi(File(cartella.path(), QStringLiteral("riprendi1")), QByteArray());
        }
    }
    for (int i = 0; i < 2; ++i) {
        QProcess &p = *utenti[i];
        if (!p.waitForFinished(kAttesaMs)) {
            p.kill();
            p.waitForFinished();
        }
        QFile uscita(File(cartella.path(), QStringLiteral("uscita%1").arg(i + 1)));
        if (uscita.open(QIODevice::ReadOnly))
            esito[i].Uscita = QString::fromUtf8(uscita.readAll());
        esito[i].Riuscito = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        QFile f(File(cartella.path(), QStringLiteral("messaggi%1").arg(i + 1)));
        if (f.open(QIODevice::ReadOnly))
            for (const auto &v : QJsonDocument::fromJson(f.readAll()).array())
                esito[i].Messaggi << v.toString();
    }
    return esito;
}

int GiriDueUtenti()
{
    bool ok = false;
    const int giri = qEnvironmentVariableIntValue("KV8_DUE_UTENTI_GIRI", &ok);
    return ok && giri > 0 ? giri : 2;
}

void OgniGiro(const std::function<void(Avvio avvio)> &giro)
{
    for (Avvio avvio : {Avvio::Insieme, Avvio::PrimoInPausa}) {
        for (int i = 0; i < GiriDueUtenti(); ++i) {
            SCOPED_TRACE(testing::Message()
                         << (avvio == Avvio::Insieme ? "together" : "first paused") << ", round " << i + 1);
            giro(avvio);
            if (::testing::Test::HasFailure())
                return;
        }
    }
}

int UnoRifiutato(const std::array<Utente, 2> &utenti, Avvio avvio, const QStringList &rifiuti)
{
    const auto rifiutato = [&](int i) {
        for (const QString &r : rifiuti)
            if (utenti[i].Messaggi.contains(r))
                return true;
        return false;
    };
    for (int i = 0; i < 2; ++i)
        if (!utenti[i].Riuscito) {
            ADD_FAILURE() << "user " << i + 1 << " failed:\n" << utenti[i].Uscita.toStdString();
            return -1;
        }
    const std::string visti = (QStringLiteral("user 1: ") + utenti[0].Messaggi.join(QStringLiteral(" | "))
                               + QStringLiteral("\nuser 2: ") + utenti[1].Messaggi.join(QStringLiteral(" | ")))
                                  .toStdString();
    if (rifiutato(0) == rifiutato(1)) {
        ADD_FAILURE() << "exactly one user is to be refused\n" << visti;
        return -1;
    }
    const int i = rifiutato(0) ? 0 : 1;
    if (avvio == Avvio::PrimoInPausa) {
        EXPECT_TRUE(utenti[0].Fermato) << "the first user never reached its check point\n" << visti;
        EXPECT_EQ(i, 1) << visti;
        EXPECT_TRUE(utenti[1].Messaggi.contains(rifiuti.value(0))) << visti;
    }
    return i;
}

} // namespace kv8test

#pragma once
// Two users at once: one job run by two processes of the test program on one company database,
// each with its own connection, as two users run it from two workstations.
//
// The parent test prepares the database (TestDb) and calls DueUtenti with the name of a job
// declared with KV8_LAVORO_UTENTE. Each user is the test program run again with that job as its
// only test: its fixture opens the parent's database (TestDb::Attached) instead of a new one, the
// job walks the user's road up to the last gesture, waits there (AttendiVia) and goes on; at the
// end it hands the parent what it was shown (NotaUtente). The parent finds the users' outcome
// and checks what is stored.
//
// Avvio::Insieme lets both users go at the same moment. Avvio::PrimoInPausa lets the first go
// alone and stops it at the check point its job passes (kv8data::CheckPoint, inside its
// transaction right after its check); then the second goes, and runs to its end or until it
// waits for the first (PostgreSQL: a lock; SQLite: a second and a half); then the first goes on.
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace kv8test {

// ---- in a user's process
// Whether this process runs a user's job; the database URL its parent gave.
bool ProcessoUtente();
QString DatabaseUtente();
// This user's number, 1 or 2, for a job whose two users do different things (0 outside a
// user's process).
int NumeroUtente();
// Waits until the parent lets this user go (does nothing outside a user's process).
void AttendiVia();
// What the job showed the user (message texts), for the parent.
void NotaUtente(const QStringList &messaggi);

// The test suite of a job in a user's process ("DueUtenti_<nome>", a suite to each fixture).
const char *SuiteUtente(const char *nome);

// Registers a job (called by KV8_LAVORO_UTENTE): in a user's process it is the test
// DueUtenti_<nome>.Utente; in any other it does not exist.
template <class Factory> bool RegistraLavoroUtente(const char *nome, const char *file, int line, Factory factory)
{
    if (!ProcessoUtente())
        return false;
    ::testing::RegisterTest(SuiteUtente(nome), "Utente", nullptr, nullptr, file, line, factory);
    return true;
}

// ---- in the parent test
enum class Avvio { Insieme, PrimoInPausa };

struct Utente {
    bool Riuscito = false; // the job's test passed
    bool Fermato = false;  // it stopped at its check point (PrimoInPausa, first user)
    QStringList Messaggi;  // what it was shown
    QString Uscita;        // its output, for a failure's description
};

// Runs the job on the database url as two users; punto: the check point the first user stops
// at (PrimoInPausa).
std::array<Utente, 2> DueUtenti(const QString &lavoro, const QString &url, Avvio avvio,
                                const QString &punto = QString());

// The rounds a test of two users runs for each start (KV8_DUE_UTENTI_GIRI, by default 2).
int GiriDueUtenti();
// Runs giro that many times for each start (together, then the first paused), each round
// under a trace naming it, until a round fails.
void OgniGiro(const std::function<void(Avvio avvio)> &giro);

// Checks the outcome of two users of whom one is to be refused: both jobs ran without a
// failure, exactly one user was shown one of the refusals (PrimoInPausa: the second user, the
// first refusal, the first user having stopped at its point) and the other none of them.
// The refused user's index, -1 after a failure.
int UnoRifiutato(const std::array<Utente, 2> &utenti, Avvio avvio, const QStringList &rifiuti);

} // namespace kv8test

// A job two users run: Fixture's SetUp (on the parent's database), then the body.
#define KV8_LAVORO_UTENTE(Fixture, Nome)                                                                               \
    class LavoroUtente_##Nome : public Fixture {                                                                       \
    public:                                                                                                            \
        void TestBody() override;                                                                                      \
    };                                                                                                                 \
    [[maybe_unused]] static const bool lavoroUtente_##Nome = kv8test::RegistraLavoroUtente(                            \
        #Nome, __FILE__, __LINE__, []() -> Fixture * { return new LavoroUtente_##Nome; });                             \
    void LavoroUtente_##Nome::TestBody()

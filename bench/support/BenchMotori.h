#pragma once
// The engines a benchmark runs on (SQLite in a temporary folder and, with KV8_TEST_PG, a fresh
// schema of that server), the rounds registered on each, the time of every round of each run
// and the fingerprint of what it left.
#include "bench/support/BenchMisure.h"
#include "bench/support/BenchRuns.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <initializer_list>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace benchruns {

// The seconds of every round of N runs, in the order measured: round i of one run and round i
// of another ran one after the other, so their ratio is a per-round ratio.
template <int N> class Tempi {
public:
    void Aggiungi(int i, double secondi) { t_[size_t(i)].push_back(secondi); }
    // Both runs measured (not filtered out).
    bool Misurati(int a, int b) const { return !t_[size_t(a)].empty() && !t_[size_t(b)].empty(); }
    double Mediana(int i) const { return benchmisure::Median(t_[size_t(i)]); }
    // The median of the per-round ratios of run a to run b.
    double Rapporto(int a, int b) const { return benchmisure::RatioMediano(t_[size_t(a)], t_[size_t(b)]); }
    size_t Giri(int a, int b) const { return std::min(t_[size_t(a)].size(), t_[size_t(b)].size()); }

private:
    std::array<std::vector<double>, N> t_;
};

// An engine whose runs each leave a fingerprint of what they wrote, to compare.
template <int N> struct Motore {
    const char *label = "";
    QString url;
    QString schema; // empty on SQLite
    Tempi<N> tempi;
    QString impronta[N];
};

// The values of the queries' first rows (decimali decimals each): what a run left, to compare.
inline QString Impronta(TXDatabase &db, std::initializer_list<const char *> query, int decimali = 2)
{
    QStringList parti;
    for (const char *sql : query) {
        QSqlQuery q = db.OpenQuery(QLatin1String(sql));
        if (q.next())
            for (int i = 0; i < q.record().count(); ++i)
                parti << QString::number(q.value(i).toDouble(), 'f', decimali);
    }
    return parti.join(QLatin1Char(' '));
}

// The median of the per-round ratios of run a to its baseline b on one line ("  label [passo ]R.RRx
// (median of n interleaved rounds: a ms / b ms)", both medians with decimali decimals), with
// diverse and both fingerprints when the two left different rows; nothing when either was not
// measured (filtered out).
template <int N>
void StampaRapporto(const char *label, const char *passo, const Tempi<N> &t, int a, int b, const QString &improntaA,
                    const QString &improntaB, const char *diverse, int decimali = 3)
{
    if (!t.Misurati(a, b))
        return;
    const bool uguali = improntaA == improntaB;
    std::printf("  %-8s ", label);
    if (passo)
        std::printf("%-10s ", passo);
    std::printf("%.2fx (median of %zu interleaved rounds: %.*f ms / %.*f ms)%s\n", t.Rapporto(a, b), t.Giri(a, b),
                decimali, t.Mediana(a) * 1000, decimali, t.Mediana(b) * 1000, uguali ? "" : diverse);
    if (!uguali)
        std::printf("    %s\n    %s\n", qPrintable(improntaA), qPrintable(improntaB));
}

// The ratio of the engine's run a to its baseline b, as StampaRapporto prints it.
template <int N> void StampaRapporto(const Motore<N> &e, int a, int b, const char *diverse, int decimali = 3)
{
    StampaRapporto(e.label, nullptr, e.tempi, a, b, e.impronta[a], e.impronta[b], diverse, decimali);
}

// The engines of one benchmark, each an E with label, url and schema (empty on SQLite).
template <typename E> class Motori {
public:
    // The engines made, file naming the SQLite database and schema the PostgreSQL one;
    // semina(E &) fills each one's database.
    template <typename Semina> void Crea(const QString &file, const QString &schema, Semina semina)
    {
        cartella_ = std::make_unique<QTemporaryDir>();
        Aggiungi("sqlite", QStringLiteral("sqlite:") + cartella_->filePath(file), QString(), semina);
        server_ = qEnvironmentVariable("KV8_TEST_PG");
        if (!server_.isEmpty()) {
            // one schema per run: runs at the same time on the same server leave each other alone
            const QString proprio = schema + u'_' + QString::number(QCoreApplication::applicationPid());
            Aggiungi("postgres", SchemaPulito(server_, proprio), proprio, semina);
        }
    }

    // The rounds of every engine (KV8_BENCH_ROUNDS on SQLite, KV8_BENCH_PG_ROUNDS on
    // PostgreSQL, else the fallbacks): each round calls registra(prefix "label/nome/", engine).
    template <typename Round> void Registra(const std::string &nome, int sqlite, int postgres, Round registra)
    {
        for (auto &e : engines_) {
            const int rounds = e->url.startsWith(QLatin1String("sqlite")) ? Rounds("KV8_BENCH_ROUNDS", sqlite)
                                                                          : Rounds("KV8_BENCH_PG_ROUNDS", postgres);
            const std::string prefix = std::string(e->label) + "/" + nome + "/";
            for (int round = 0; round < rounds; ++round)
                registra(prefix, e.get());
        }
    }

    auto begin() const { return engines_.begin(); }
    auto end() const { return engines_.end(); }

    // The engines released, the PostgreSQL schema dropped, the folder removed.
    void Chiudi()
    {
        for (auto &e : engines_)
            if (!e->schema.isEmpty())
                EliminaSchema(server_, e->schema);
        engines_.clear();
        cartella_.reset();
    }

private:
    template <typename Semina>
    void Aggiungi(const char *label, const QString &url, const QString &schema, Semina &semina)
    {
        auto e = std::make_unique<E>();
        e->label = label;
        e->url = url;
        e->schema = schema;
        semina(*e);
        engines_.push_back(std::move(e));
    }

    std::vector<std::unique_ptr<E>> engines_;
    std::unique_ptr<QTemporaryDir> cartella_;
    QString server_;
};

} // namespace benchruns

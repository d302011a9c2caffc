#pragma once
// What the benchmarks of this folder share: the engines a part runs on (SQLite in a temporary
// folder and, with KV8_TEST_PG, a fresh schema of that server), each seeded once; an engine's
// database as "GlobalDatabase" while a scope lasts; messages written to standard error and
// questions answered No; totals compared.
#include "bench/support/BenchRuns.h"
#include "host/db/DMIDataBases.h"
#include "host/db/ModuleData.h"
#include "host/ui/Forms.h"
#include "host/ui/Kmessages.h"
#include "host/ui/ModuleAbi.h"

#include <QMap>
#include <QPair>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace benchregistri {

struct Motore {
    const char *label = "";
    QString url;
    QString schema; // PostgreSQL: the schema the part works in
    bool Postgres() const { return !schema.isEmpty(); }
};

class Risposte : public TMessageService {
public:
    explicit Risposte(bool anchePerInformare) : informare_(anchePerInformare) {}
    int Show(const TKMessage &message) override
    {
        if (informare_ || !message.IsQuestion())
            std::fprintf(stderr, "message: %s\n", qPrintable(message.Text));
        return message.IsQuestion() ? mrNo : mrOk;
    }

private:
    bool informare_;
};

// The engine's database as "GlobalDatabase" while the scope lasts; with liberaModulo the
// module's data modules (with their lookups on the database) are freed with it.
class Globale {
public:
    explicit Globale(const Motore *e, bool liberaModulo = false) : libera_(liberaModulo)
    {
        db_ = &DMIDataBases::Instance().Open(QStringLiteral("GlobalDatabase"), e->url);
    }
    ~Globale()
    {
        if (libera_)
            Application->DestroyComponents();
        DMIDataBases::Instance().Close(QStringLiteral("GlobalDatabase"));
    }
    Globale(const Globale &) = delete;
    Globale &operator=(const Globale &) = delete;
    TXDatabase &Db() { return *db_; }

private:
    TXDatabase *db_ = nullptr;
    bool libera_;
};

// The engines of a part (T a Motore with the part's results), seeded by semina.
template <typename T> class Motori {
public:
    // The module's files and the message service, then the engines: SQLite in file, PostgreSQL
    // in schema when KV8_TEST_PG names a server.
    void Crea(Risposte &risposte, const QString &file, const QString &schema,
              const std::function<void(TXDatabase &)> &semina)
    {
        ModuleData::Use(&ModuleFiles);
        Kmessages::SetMessageService(&risposte);
        cartella_ = std::make_unique<QTemporaryDir>();
        Aggiungi("sqlite", QStringLiteral("sqlite:") + cartella_->filePath(file), QString(), semina);
        const QString server = qEnvironmentVariable("KV8_TEST_PG");
        if (!server.isEmpty())
            Aggiungi("postgres", benchruns::SchemaPulito(server, schema), schema, semina);
    }
    // The rounds asked for the engine (KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS).
    static int Giri(const T &e)
    {
        return e.Postgres() ? benchruns::Rounds("KV8_BENCH_PG_ROUNDS", 3) : benchruns::Rounds("KV8_BENCH_ROUNDS", 3);
    }
    // The PostgreSQL schemas dropped, the SQLite folder removed.
    void Chiudi()
    {
        for (auto &e : lista)
            if (e->Postgres()) {
                Globale globale(e.get());
                globale.Db().ExecSQL(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(e->schema));
            }
        lista.clear();
        cartella_.reset();
    }

    std::vector<std::unique_ptr<T>> lista;

private:
    void Aggiungi(const char *label, const QString &url, const QString &schema,
                  const std::function<void(TXDatabase &)> &semina)
    {
        auto e = std::make_unique<T>();
        e->label = label;
        e->url = url;
        e->schema = schema;
        {
            Globale globale(e.get());
            semina(globale.Db());
        }
        lista.push_back(std::move(e));
    }

    std::unique_ptr<QTemporaryDir> cartella_;
};

// Totals by code (two amounts each) equal within a millionth.
inline bool Uguali(const QMap<QString, QPair<double, double>> &a, const QMap<QString, QPair<double, double>> &b)
{
    if (a.keys() != b.keys())
        return false;
    for (auto it = a.cbegin(); it != a.cend(); ++it) {
        const auto &o = b.value(it.key());
        if (std::abs(it->first - o.first) > 1e-6 || std::abs(it->second - o.second) > 1e-6)
            return false;
    }
    return true;
}

} // namespace benchregistri

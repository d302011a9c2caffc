// Cost of the load/unload register run against plain SQL: a year of 200 000 warehouse
// movements (three warehouses, two in the grouping; bulk, bottled and bottle-less articles;
// loads and unloads of both signs) turned into the numbered register rows and the category
// totals by the register dialog (up to the print), and the same category totals computed by
// one SQL aggregate, on SQLite and (with KV8_TEST_PG) on PostgreSQL. Prints the ratio
// register / SQL (median of the per-round ratios of interleaved rounds; target within 3x) with
// the totals compared, and on PostgreSQL the register against the storing floor (CREATE TEMP
// TABLE AS of the ordered, numbered rows plus the category totals, timed in the same rounds,
// its row count compared); the graphic print's time and memory growth over the resting process
// on a company of its own (600 000 movements, KV8_BENCH_MOVIMENTI_STAMPA) after a quarter, half
// and whole year's run (100 000, 200 000 and 400 000 register rows: flat), and the half year's
// print against a plain QPainter loop drawing the same pages (interleaved,
// KV8_BENCH_ROUNDS_STAMPA); then the peak resident memory of each movement register's print
// (load/unload, tax stamps, bottling), previewed and saved as a PDF as a user does, over a
// short period and one ten times longer (about 20 000 and 200 000 register rows, the bottling
// register some 13 000 and 131 000), and its growth between them (target within 20 MB). KV8_BENCH_ROUNDS,
// KV8_BENCH_PG_ROUNDS set the rounds; KV8_BENCH_MOVIMENTI the movements of the register run.
#include "bench/registers/AnnoMovimenti.h"
#include "bench/registers/BenchRegistri.h"
#include "bench/support/BenchMisure.h"
#include "bench/support/BenchParti.h"
#include "bench/support/BenchRuns.h"
#include "frame/Lumo_parametri.h"
#include "host/core/Applvar.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/DMIDataBases.h"
#include "host/db/SqlTranslator.h"
#include "host/report/ReportOutput.h"
#include "host/report/TfKV8ReportB.h"
#include "registers/Lumo_registri.h"
#include "registers/Qarn0101d.h"
#include "registers/Qarn0101s.h"
#include "registers/Qarn0106d.h"
#include "registers/Qarn0110d.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QMap>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSqlQuery>
#include <QSqlRecord>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const int kMovimenti = benchruns::Rounds("KV8_BENCH_MOVIMENTI", 200000);
const int kMovimentiStampa = benchruns::Rounds("KV8_BENCH_MOVIMENTI_STAMPA", 600000);

struct Engine : benchregistri::Motore {
    std::vector<std::vector<double>> giri; // seconds per round: register, aggregate, storing floor
    int righePavimento = 0;
    QMap<QString, QPair<double, double>> totali[2]; // per category: load, unload (register, SQL)
    int righe = 0;
    // The print at a quarter, half and whole year: register rows, pages, memory growth (MB).
    struct Misura {
        int righe, pagine;
        double mb, secondi;
    };
    std::vector<Misura> stampe;
    benchmisure::Confronto stampa; // the half year's print / a plain QPainter loop
    int pagineStampa = 0, pagineLoop = 0;
    // Each register's print over a short and a long period: rows, pages, peak growth (MB).
    struct Registro {
        const char *nome;
        Misura breve, lungo;
    };
    std::vector<Registro> registri;
};

benchregistri::Motori<Engine> engines;
benchregistri::Motori<Engine> enginesStampa; // the print's company, larger
benchregistri::Risposte risposte(false);
using benchregistri::Globale;

TFqarn0101d *Dialogo(int mesi = 12)
{
    auto *f = new TFqarn0101d;
    f->DoCreate();
    f->tPars->FieldByName(QStringLiteral("IdRaggMag"))->SetAsInteger(1);
    f->tPars->FieldByName(QStringLiteral("DaData"))->SetAsDateTime(QDateTime(QDate(2026, 1, 1), QTime(0, 0)));
    f->tPars->FieldByName(QStringLiteral("A_Data"))
        ->SetAsDateTime(QDateTime(QDate(2026, 1, 1).addMonths(mesi).addDays(-1), QTime(0, 0)));
    return f;
}

// The register run by its dialog, up to the print; keeps the category totals it stored.
double Registro(Engine *e)
{
    std::unique_ptr<TFqarn0101d> f(Dialogo());
    const auto t0 = std::chrono::steady_clock::now();
    e->righe = f->Elabora();
    const double secondi = benchruns::Seconds(t0);
    e->totali[0].clear();
    QSqlQuery q = UT_LMQ_RG_Lavoro().OpenQuery(
        QStringLiteral("SELECT IdCatVin, CaricoPeriodo, ScaricoPeriodo FROM LUMO_t_RegCsTot"));
    while (q.next())
        e->totali[0].insert(q.value(0).toString(), {q.value(1).toDouble(), q.value(2).toDouble()});
    return secondi;
}

// One SQL aggregate of the same category totals.
double Aggregato(Engine *e)
{
    const auto t0 = std::chrono::steady_clock::now();
    const QList<TLitriRegistro> litri = UT_LMQ_RG_LitriPeriodo(1, QDateTime(QDate(2026, 1, 1), QTime(0, 0)),
                                                               QDateTime(QDate(2026, 12, 31), QTime(0, 0)), false);
    const double secondi = benchruns::Seconds(t0);
    e->totali[1].clear();
    for (const TLitriRegistro &r : litri)
        e->totali[1].insert(r.IdCatVin, {r.Carico, r.Scarico});
    return secondi;
}

// PostgreSQL: a statement with its period written in, as the server runs it.
QString ConPeriodo(const QString &sql)
{
    QString out = SqlTranslator::Translate(sql, DbEngine::PostgreSQL);
    out.replace(out.indexOf(u'?'), 1, QStringLiteral("TIMESTAMP '2026-01-01 00:00:00'"));
    out.replace(out.indexOf(u'?'), 1, QStringLiteral("TIMESTAMP '2026-12-31 23:59:59.999'"));
    return out;
}

// PostgreSQL: the storing floor, what keeping the register's result on the server costs at
// least: CREATE TEMP TABLE AS of the ordered, numbered rows, and of the category totals.
double Pavimento(Engine *e, TXDatabase &db)
{
    const QString righe = ConPeriodo(UT_LMQ_RG_SqlRigheCarico(1));
    QSqlQuery colonne(db.Connection());
    if (!colonne.exec(QStringLiteral("SELECT * FROM (%1) R LIMIT 0").arg(righe)))
        return -1;
    QStringList nomi;
    for (int i = 0; i < colonne.record().count(); ++i)
        nomi << QStringLiteral("c%1").arg(i);
    QString totali = QStringLiteral("SELECT A.UT_LMQ_IdCatVin AS IdCatVin, COALESCE(SUM(%1), 0) AS Carico, "
                                    "COALESCE(SUM(%2), 0) AS Scarico ")
                         .arg(UT_LMQ_RG_SqlLitri(0), UT_LMQ_RG_SqlLitri(1))
                     + UT_LMQ_RG_SqlMovimenti()
                     + QStringLiteral("WHERE M.DataMovimento >= ? AND M.DataMovimento <= ? AND ")
                     + UT_LMQ_RG_SqlCondizione(1) + QStringLiteral(" GROUP BY A.UT_LMQ_IdCatVin");
    totali = ConPeriodo(totali);
    db.ExecSQL(QStringLiteral("DROP TABLE IF EXISTS bench_pav_righe"));
    db.ExecSQL(QStringLiteral("DROP TABLE IF EXISTS bench_pav_tot"));
    const auto t0 = std::chrono::steady_clock::now();
    db.ExecSQL(QStringLiteral("CREATE TEMP TABLE bench_pav_righe AS SELECT ROW_NUMBER() OVER () AS NumeroRiga, R.* "
                              "FROM (%1) AS R(%2)")
                   .arg(righe, nomi.join(u',')));
    db.ExecSQL(QStringLiteral("CREATE TEMP TABLE bench_pav_tot AS ") + totali);
    const double secondi = benchruns::Seconds(t0);
    QSqlQuery conta = db.OpenQuery(QStringLiteral("SELECT COUNT(*) FROM bench_pav_righe"));
    e->righePavimento = conta.next() ? conta.value(0).toInt() : -1;
    return secondi;
}

// The register, the aggregate and (on PostgreSQL) the storing floor, interleaved.
void BenchConfronto(benchmark::State &state, Engine *e)
{
    Globale globale(e);
    for (auto _ : state) {
        std::vector<std::function<double()>> lati{[e] { return Registro(e); }, [e] { return Aggregato(e); }};
        if (e->Postgres())
            lati.emplace_back([e, &globale] { return Pavimento(e, globale.Db()); });
        e->giri = benchmisure::Giri(benchregistri::Motori<Engine>::Giri(*e), lati);
        state.SetIterationTime(benchmisure::Median(e->giri[0]));
    }
}

// What drawing the same pages costs without the engine: a plain QPainter loop over the
// pages, held in memory beforehand, into a PDF.
int LoopSemplice(const ReportDocument &documento, const QString &file)
{
    QPdfWriter writer(file);
    writer.setResolution(1200);
    writer.setPageLayout(QPageLayout(QPageSize(documento.PageSize, QPageSize::Millimeter),
                                     documento.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                     QMarginsF()));
    QPainter painter(&writer);
    const double k = writer.logicalDpiX() / 25.4;
    for (int p = 0; p < documento.Pages.size(); ++p) {
        if (p > 0)
            writer.newPage();
        for (const PageItem &item : documento.Pages[p].Items) {
            const QRectF r(item.Rect.x() * k, item.Rect.y() * k, item.Rect.width() * k, item.Rect.height() * k);
            if (item.kind == PageItem::Kind::Text) {
                painter.setFont(ReportOutput::ToQFont(item.Font));
                painter.drawText(r, item.Align, item.Text);
            } else if (item.kind == PageItem::Kind::Line) {
                painter.drawLine(r.topLeft(), r.bottomRight());
            } else if (item.kind == PageItem::Kind::Frame) {
                painter.drawRect(r);
            }
        }
    }
    return int(documento.Pages.size());
}

// The graphic print as a user starts it (laid out, written out page by page, sent to a PDF
// file in KV8_PRINT_DIR): its memory growth over the resting process after a quarter, half and
// whole year's register run, then the half year's print against the plain loop, interleaved.
void BenchStampa(benchmark::State &state, Engine *e)
{
    Globale globale(e);
    QTemporaryDir cartella;
    qputenv("KV8_PRINT_DIR", cartella.path().toUtf8());
    std::unique_ptr<TFqarn0101d> f;
    auto stampa = [&](bool tieni, ReportDocument *documento) {
        TFqarn0101s s;
        s.InitForm(f->tPars);
        s.InitReport();
        s.ImpostaReport();
        s.ImpostaQuery(s.qMain);
        if (tieni) {
            *documento = s.Prepara();
            return documento->PageCount();
        }
        s.EseguiStampa(false);
        QFile::remove(s.UltimoFile());
        return s.Documento().PageCount();
    };
    for (auto _ : state) {
        e->stampe.clear();
        for (const int mesi : {3, 6, 12}) {
            f.reset(Dialogo(mesi));
            const int righe = f->Elabora();
            int pagine = 0;
            double secondi = 0;
            const double mb =
                benchmisure::CrescitaMb([&] { secondi = benchmisure::Time([&] { pagine = stampa(false, nullptr); }); });
            e->stampe.push_back({righe, pagine, mb, secondi});
        }
        f.reset(Dialogo(6));
        f->Elabora();
        ReportDocument tenuto;
        stampa(true, &tenuto);
        const QString file = cartella.filePath(QStringLiteral("loop.pdf"));
        e->stampa = benchmisure::Alterna(
            benchruns::Rounds("KV8_BENCH_ROUNDS_STAMPA", 2),
            [&] { return benchmisure::Time([&] { e->pagineStampa = stampa(false, nullptr); }); },
            [&] { return benchmisure::Time([&] { e->pagineLoop = LoopSemplice(tenuto, file); }); });
        state.SetIterationTime(e->stampa.LayerMs() / 1000);
    }
    qunsetenv("KV8_PRINT_DIR");
}

// A register's dialog over a period from the first of January, run, then printed to the
// preview and saved from it as a PDF: the register rows and the print's pages and peak growth.
template <class Dialogo>
Engine::Misura StampaRegistro(const std::function<void(TXMemTable *)> &imposta, int giorni, const QString &file)
{
    auto f = std::make_unique<Dialogo>();
    f->DoCreate();
    imposta(f->tPars);
    f->tPars->FieldByName(QStringLiteral("IdRaggMag"))->SetAsInteger(1);
    f->tPars->FieldByName(QStringLiteral("DaData"))->SetAsDateTime(QDateTime(QDate(2026, 1, 1), QTime(0, 0)));
    f->tPars->FieldByName(QStringLiteral("A_Data"))
        ->SetAsDateTime(QDateTime(QDate(2026, 1, 1).addDays(giorni - 1), QTime(0, 0)));
    Engine::Misura m{f->Elabora(), 0, 0, 0};
    ReportOutput::SetPreviewHandler([&](const ReportDocument &documento) {
        m.pagine = documento.PageCount();
        ReportOutput::WritePdf(documento, file);
    });
    m.mb = benchmisure::CrescitaMb([&] { m.secondi = benchmisure::Time([&] { f->Stampa(); }); });
    ReportOutput::SetPreviewHandler(nullptr);
    QFile::remove(file);
    return m;
}

void BenchMemoriaRegistri(benchmark::State &state, Engine *e)
{
    Globale globale(e);
    QTemporaryDir cartella;
    const QString file = cartella.filePath(QStringLiteral("registro.pdf"));
    UT_LMQ_Parametri.FlStaRegCon = UT_LMQ_Parametri.FlStaRegImb = 1;
    const auto nessuno = [](TXMemTable *) {};
    const auto contrassegni = [](TXMemTable *t) {
        t->FieldByName(QStringLiteral("TipoContr"))->SetAsString(QStringLiteral("A"));
        t->FieldByName(QStringLiteral("TipoProd"))->SetAsInteger(0);
    };
    for (auto _ : state) {
        e->registri.clear();
        // periods of about 20 000 and 200 000 register rows on the print's company (bottling:
        // 13 000 and 131 000, its year holding fewer rows)
        e->registri.push_back({"load/unload", StampaRegistro<TFqarn0101d>(nessuno, 18, file),
                               StampaRegistro<TFqarn0101d>(nessuno, 182, file)});
        e->registri.push_back({"stamps", StampaRegistro<TFqarn0110d>(contrassegni, 30, file),
                               StampaRegistro<TFqarn0110d>(contrassegni, 300, file)});
        e->registri.push_back({"bottling", StampaRegistro<TFqarn0106d>(nessuno, 12, file),
                               StampaRegistro<TFqarn0106d>(nessuno, 120, file)});
        state.SetIterationTime(e->registri.back().lungo.secondi);
    }
}

void Prepara()
{
    CFG.Anno = 2026;
    UT_LMQ_Parametri.FlStaRegCs = 1;
    engines.Crea(risposte, QStringLiteral("registro.db"), QStringLiteral("kv8benchregistro"),
                 [](TXDatabase &db) { annomovimenti::Semina(db, kMovimenti); });
    enginesStampa.Crea(risposte, QStringLiteral("stampa.db"), QStringLiteral("kv8benchstampa"),
                       [](TXDatabase &db) { annomovimenti::Semina(db, kMovimentiStampa); });
    for (auto &e : engines.lista)
        benchruns::RegisterOneShot(std::string(e->label) + "/registro/confronto", BenchConfronto, e.get());
    for (auto &e : enginesStampa.lista)
        benchruns::RegisterOneShot(std::string(e->label) + "/registro/stampa", BenchStampa, e.get());
    for (auto &e : enginesStampa.lista)
        benchruns::RegisterOneShot(std::string(e->label) + "/registri/memoria", BenchMemoriaRegistri, e.get());
}

void Riporta()
{
    std::printf(
        "\nload/unload register run / one SQL aggregate of the category totals (median of the per-round "
        "ratios of interleaved rounds, %d movements; target within 3x on SQLite; on PostgreSQL within 1.5x of the "
        "storing floor)\n",
        kMovimenti);
    for (auto &e : engines.lista) {
        if (e->giri.size() < 2 || e->giri[0].empty())
            continue; // filtered out
        std::printf("  %-8s %.2fx (%.0f ms / %.0f ms, %zu rounds), %d register rows%s\n", e->label,
                    benchmisure::RatioMediano(e->giri[0], e->giri[1]), benchmisure::Median(e->giri[0]) * 1000,
                    benchmisure::Median(e->giri[1]) * 1000, e->giri[0].size(), e->righe,
                    benchregistri::Uguali(e->totali[0], e->totali[1]) ? "" : "   CATEGORY TOTALS DIFFER");
        if (e->giri.size() > 2)
            std::printf("  %-8s against the storing floor (CREATE TEMP TABLE AS of the numbered rows and the totals): "
                        "%.2fx (%.0f ms / %.0f ms)%s\n",
                        e->label, benchmisure::RatioMediano(e->giri[0], e->giri[2]),
                        benchmisure::Median(e->giri[0]) * 1000, benchmisure::Median(e->giri[2]) * 1000,
                        e->righePavimento == e->righe
                            ? ""
                            : qPrintable(QStringLiteral("   THE FLOOR STORED %1 ROWS").arg(e->righePavimento)));
    }
    std::printf("\nthe register's graphic print, streamed to a PDF file (%d movements; memory flat in the rows, within "
                "100 MB at 200 000 rows)\n",
                kMovimentiStampa);
    for (auto &e : enginesStampa.lista) {
        for (const Engine::Misura &m : e->stampe)
            std::printf("  %-8s %d register rows, %d pages, in %.0f ms: memory growth over the resting process "
                        "%.0f MB\n",
                        e->label, m.righe, m.pagine, m.secondi * 1000, m.mb);
        if (e->stampa.layer.empty())
            continue;
        e->stampa.Print(e->label,
                        "the half year's print / a plain QPainter loop drawing the same pages (target within 1.5x)");
        if (e->pagineLoop != e->pagineStampa)
            std::printf("  %-8s PAGE COUNTS DIFFER: the print made %d, the plain loop drew %d\n", e->label,
                        e->pagineStampa, e->pagineLoop);
    }
    std::printf("\neach movement register's print, previewed and saved as a PDF: peak resident memory over the resting "
                "process, a short and a long period (target: the long within 20 MB of the short)\n");
    for (auto &e : enginesStampa.lista)
        for (const Engine::Registro &r : e->registri)
            std::printf("  %-8s %-11s %6d rows, %4d pages: %.0f MB (%.0f ms); %6d rows, %5d pages: %.0f MB (%.0f ms); "
                        "growth %+.0f MB\n",
                        e->label, r.nome, r.breve.righe, r.breve.pagine, r.breve.mb, r.breve.secondi * 1000,
                        r.lungo.righe, r.lungo.pagine, r.lungo.mb, r.lungo.secondi * 1000, r.lungo.mb - r.breve.mb);
}

void Chiudi()
{
    engines.Chiudi();
    enginesStampa.Chiudi();
}

const benchparti::Registra parte({Prepara, Riporta, Chiudi});

} // namespace

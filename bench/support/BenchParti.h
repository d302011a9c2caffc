#pragma once
// Benchmark programs made of several files: each file adds its part with a static Registra,
// and the folder's main.cpp calls EseguiParti, which runs in order every part's Prepara
// (after benchmark::Initialize: databases made, benchmarks registered), the benchmarks, every
// part's Riporta (ratios printed) and every part's Chiudi (databases released).
#include <benchmark/benchmark.h>

#include <functional>
#include <vector>

namespace benchparti {

struct Parte {
    std::function<void()> Prepara;
    std::function<void()> Riporta;
    std::function<void()> Chiudi;
};

inline std::vector<Parte> &Parti()
{
    static std::vector<Parte> parti;
    return parti;
}

struct Registra {
    explicit Registra(Parte parte) { Parti().push_back(std::move(parte)); }
};

inline int EseguiParti(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    for (auto &parte : Parti())
        if (parte.Prepara)
            parte.Prepara();
    benchmark::RunSpecifiedBenchmarks();
    for (auto &parte : Parti())
        if (parte.Riporta)
            parte.Riporta();
    for (auto &parte : Parti())
        if (parte.Chiudi)
            parte.Chiudi();
    benchmark::Shutdown();
    return 0;
}

} // namespace benchparti

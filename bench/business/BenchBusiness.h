#pragma once
// The benchmarks of the host's business layer share one program (main.cpp): each file adds
// its part with a static Parte, whose steps main runs in order: every part's Prepara (after
// benchmark::Initialize: databases made, benchmarks registered), the benchmarks, every
// part's Riporta (ratios printed), every part's Chiudi (databases released).
#include <functional>
#include <vector>

namespace benchbusiness {

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

} // namespace benchbusiness

// The program of the business benchmarks: runs the parts the files of this folder add.
#include "bench/business/BenchBusiness.h"

#include <benchmark/benchmark.h>

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    for (auto &parte : benchbusiness::Parti())
        if (parte.Prepara)
            parte.Prepara();
    benchmark::RunSpecifiedBenchmarks();
    for (auto &parte : benchbusiness::Parti())
        if (parte.Riporta)
            parte.Riporta();
    for (auto &parte : benchbusiness::Parti())
        if (parte.Chiudi)
            parte.Chiudi();
    benchmark::Shutdown();
    return 0;
}

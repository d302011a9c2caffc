// The program of this folder's benchmarks: runs the parts its files add.
#include "bench/support/BenchParti.h"

int main(int argc, char **argv)
{
    return benchparti::EseguiParti(argc, argv);
}

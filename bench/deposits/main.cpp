// The program of this folder's benchmarks: runs the parts its files add.
#include "bench/support/BenchParti.h"

#include <QApplication>

int main(int argc, char **argv)
{
    // the deposit jobs run from their windows: the application is made once for the program
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication applicazione(argc, argv);
    return benchparti::EseguiParti(argc, argv);
}

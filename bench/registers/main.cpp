// The program of this folder's benchmarks: runs the parts its files add.
#include "bench/support/BenchParti.h"

#include <QApplication>

int main(int argc, char **argv)
{
    // The registers' dialogs and prints need the application, made once for every part.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication applicazione(argc, argv);
    return benchparti::EseguiParti(argc, argv);
}

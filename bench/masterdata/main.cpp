// The program of this folder's benchmarks: the windows' application, the module's tables and
// questions answered Yes, then the parts its files add.
#include "bench/support/BenchParti.h"
#include "host/db/ModuleData.h"
#include "host/ui/Kmessages.h"
#include "host/ui/ModuleAbi.h"

#include <QApplication>

#include <cstdio>

namespace {

// Questions answered Yes; anything else reported.
class Risposte : public TMessageService {
public:
    int Show(const TKMessage &message) override
    {
        if (message.IsQuestion())
            return mrYes;
        std::fprintf(stderr, "message: %s\n", qPrintable(message.Text));
        return mrOk;
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ModuleData::Use(&ModuleFiles); // the module's tables, as the program takes them from the library
    Risposte risposte;
    Kmessages::SetMessageService(&risposte);
    const int esito = benchparti::EseguiParti(argc, argv);
    Kmessages::SetMessageService(nullptr);
    return esito;
}

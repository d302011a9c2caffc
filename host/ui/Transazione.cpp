#include "host/ui/Transazione.h"

#include "host/db/TXTransaction.h"
#include "host/ui/Kmessages.h"

namespace Funzioni {

bool EseguiInTransazione(TXDatabase &db, const std::function<void()> &corpo)
{
    try {
        TXTransaction transazione(db);
        if (!transazione.Started())
            return false;
        corpo();
        transazione.Commit();
        return true;
    } catch (const std::exception &e) {
        // the scope has rolled back before the message is shown
        Kmessages::ShowException(e);
        return false;
    }
}

} // namespace Funzioni

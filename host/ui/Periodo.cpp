#include "host/ui/Periodo.h"

#include "host/ui/Forms.h"
#include "host/ui/Kmessages.h"

#include <QWidget>

namespace Funzioni {

QString TestoPeriodoInvertito()
{
    return QStringLiteral("La data iniziale supera quella finale: correggere l'intervallo.");
}

bool PeriodoInvertito(const QDateTime &inizio, const QDateTime &fine)
{
    return !inizio.isNull() && !fine.isNull() && fine.date() < inizio.date();
}

bool ControllaPeriodo(const QDateTime &inizio, const QDateTime &fine, QWidget *fuoco, const QString &testo)
{
    if (!PeriodoInvertito(inizio, fine))
        return true;
    Kmessages::KMessage(testo.isEmpty() ? TestoPeriodoInvertito() : testo, mtError, mbOK);
    if (fuoco) {
        if (TForm *form = qobject_cast<TForm *>(fuoco->window()))
            form->SetActiveControl(fuoco);
        else
            fuoco->setFocus(Qt::OtherFocusReason);
    }
    return false;
}

} // namespace Funzioni

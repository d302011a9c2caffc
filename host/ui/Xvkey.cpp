#include "host/ui/Xvkey.h"

namespace Xvkey {

int XGetKEY(int key, TShiftState shift)
{
    const bool ctrl = shift & ssCtrl;
    const bool alt = shift & ssAlt;
    const bool sh = shift & ssShift;
    if (alt)
        return kcNessuno;
    switch (key) {
    case Qt::Key_F2:
        return ctrl || sh ? kcNessuno : kcModifica;
    case Qt::Key_Insert:
        return ctrl || sh ? kcNessuno : kcInserisci;
    case Qt::Key_N:
        return ctrl && !sh ? kcInserisci : kcNessuno;
    case Qt::Key_F8:
        return ctrl || sh ? kcNessuno : kcCancella;
    case Qt::Key_Delete:
        return ctrl && !sh ? kcCancella : kcNessuno;
    case Qt::Key_F10:
        return ctrl || sh ? kcNessuno : kcRegistra;
    case Qt::Key_S:
        return ctrl && !sh ? kcRegistra : kcNessuno;
    case Qt::Key_F7:
        return ctrl || sh ? kcNessuno : kcRicerca;
    case Qt::Key_F9:
        if (ctrl)
            return kcNessuno;
        return sh ? kcAnteprima : kcStampa;
    case Qt::Key_Home:
        return ctrl && !sh ? kcPrimo : kcNessuno;
    case Qt::Key_PageUp:
        return ctrl && !sh ? kcPrecedente : kcNessuno;
    case Qt::Key_PageDown:
        return ctrl && !sh ? kcSuccessivo : kcNessuno;
    case Qt::Key_End:
        return ctrl && !sh ? kcUltimo : kcNessuno;
    default:
        return kcNessuno;
    }
}

QString NomeTasto(int command)
{
    switch (command) {
    case kcRicerca:
        return QStringLiteral("F7");
    case kcModifica:
        return QStringLiteral("F2");
    case kcInserisci:
        return QStringLiteral("Ins");
    case kcCancella:
        return QStringLiteral("F8");
    case kcPrimo:
        return QStringLiteral("Ctrl+Inizio");
    case kcPrecedente:
        return QStringLiteral("Ctrl+PagSu");
    case kcSuccessivo:
        return QStringLiteral("Ctrl+PagGiù");
    case kcUltimo:
        return QStringLiteral("Ctrl+Fine");
    case kcStampa:
        return QStringLiteral("F9");
    case kcRegistra:
        return QStringLiteral("F10");
    case kcAnteprima:
        return QStringLiteral("Maiusc+F9");
    default:
        return QString();
    }
}

} // namespace Xvkey

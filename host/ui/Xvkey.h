#pragma once
// The host's key commands: keys and shift states turned into window commands.
#include "host/ui/Forms.h"

namespace Xvkey {

enum TKeyCommand : int {
    kcNessuno = 0,
    kcRicerca = 1,    // F7
    kcModifica = 2,   // F2
    kcInserisci = 3,  // Ins, Ctrl+N
    kcCancella = 4,   // F8, Ctrl+Del
    kcPrimo = 5,      // Ctrl+Home
    kcPrecedente = 6, // Ctrl+PgUp
    kcSuccessivo = 7, // Ctrl+PgDn
    kcUltimo = 8,     // Ctrl+End
    kcStampa = 9,     // F9
    kcRegistra = 10,  // F10, Ctrl+S
    kcAnteprima = 11  // Shift+F9
};

// The command of a key (a Qt::Key) with its shift state; kcNessuno for any other key.
int XGetKEY(int key, TShiftState shift);
// The key a user presses for a command, as the keyboard names it ("F10", "Ctrl+Fine"); empty
// for kcNessuno.
QString NomeTasto(int command);

} // namespace Xvkey

#pragma once
// A save or batch job of a window, run in one transaction with its error shown once.
#include <functional>

class TXDatabase;

namespace Funzioni {

// Runs the body inside a TXTransaction on the connection and commits it. Answers true when
// committed. False at once, with nothing run or shown, when the connection is already in a
// transaction. On an error the transaction is rolled back and the error's text shown once
// as an error message (an EAbort shows nothing); false.
//
//     if (!Funzioni::EseguiInTransazione(DMIDataBases::Instance().Global(), [&] { Salva(); }))
//         return;
bool EseguiInTransazione(TXDatabase &db, const std::function<void()> &corpo);

} // namespace Funzioni

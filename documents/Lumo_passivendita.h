#pragma once
// The module's own save steps of the customer delivery-note and invoice windows ("DT", "FI"),
// each run by the window's step after the host's: litres, parcels and transport, reservations,
// the deposit summary's registration and the packaging-expense account.
#include <QString>

#include <functional>

class TFDocumento;
class TLumoCastDoc;

namespace LumoPassiVendita {

// The document's litres from its rows.
void TotaleLitri(TFDocumento *f);
// Parcels and transport recalculated unless done on entering the totals page (calcolati, cleared
// at the end whatever happens).
void ColliTrasporto(bool &calcolati, const std::function<void()> &ricalcola);
// The reservation check (99) of a new document whose causal asks for it; false: no save.
bool ControlloPrenotazioni(TFDocumento *f, const QString &sigla);
// The reservations the document fulfils, in the save's transaction.
void EvadiPrenotazioni(TFDocumento *f, const QString &sigla);
// The deposit summary registered with the document.
void RegistraRiepilogo(TFDocumento *f, TLumoCastDoc *castelletto, const QString &sigla);
// The packaging-expense account on the totals, when they are rebuilt.
void CodiceSpeseImballo(TFDocumento *f, const QString &sigla);

} // namespace LumoPassiVendita

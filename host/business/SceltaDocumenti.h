#pragma once
// The host's menu choices of its document windows: "SVEN0001F_C" and "SVEN0001F_F" customer
// delivery notes, "SVEN0008F_F" customer invoices and "SVEN0008F_R" with reversed signs,
// "SACQ0001F" supplier delivery notes. Each window is single: a second choice while it is
// open shows its message and leaves it as it is. A code followed by ";" and a key opens that
// stored document ("SVEN0001F_C;12").
namespace SceltaDocumenti {

void Registra();

} // namespace SceltaDocumenti

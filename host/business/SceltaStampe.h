#pragma once
// The host's menu choices of its document print dialogs and of the warehouse journal:
// "SVEN0002D" delivery-note print, "SVEN0009D" invoice print, "SVEN0012D" delivery-note
// list, "BMAG0001F" warehouse journal (one window at a time; "BMAG0001F;E;P" shows the
// registration of exercise E and protocol P). The program installs them at start; the
// module, asked first, may take a code over.
namespace SceltaStampe {

void Registra();

} // namespace SceltaStampe

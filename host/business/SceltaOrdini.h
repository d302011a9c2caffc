#pragma once
// The host's menu choices of customer orders ("SORC0001F"), quotes ("SOFC0001F") and the
// invoice generation ("SVEN0007D"): each window opened once; "CODE;key" opens a stored
// document.
namespace SceltaOrdini {
void Registra();
}

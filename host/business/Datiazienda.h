#pragma once
// The fields of the company record CFG kept in DatiAzienda beyond those ConfigStore reads
// (the discount sign); read at start-up after ConfigStore::Load.
#include "host/db/TXDatabase.h"

namespace Applvar {

// Reads them into CFG; a field not stored, or out of range, keeps its default.
void CaricaDatiAzienda(TXDatabase &db);

} // namespace Applvar

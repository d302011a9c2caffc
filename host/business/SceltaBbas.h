#pragma once
// The host's menu choices of its master-data windows: "BBAS0055F" articles, "BBAS0030F"
// price-list types, "BBAS0019F" packaging, "BBAS0051F" customers, "BBAS0052F" suppliers,
// "BBAS0058F" destinations, "BBAS0047F" warehouse causals, "BBAS0038F", "BBAS0039F" and
// "BBAS0045F" document causals, and the code tables (TabelleCodici). The program installs
// them at start, before any other handler of those codes; the module, asked first, may take
// a code over.
//
// A code followed by ";" and a code opens the window on that record: "BBAS0051F;C0001"
// the customer C0001. "BBAS0058F;text" limits the destinations to an account (InitForm).
namespace SceltaBbas {

void Registra();

} // namespace SceltaBbas

#pragma once
// The host's configuration in the company database: the company record CFG (DatiAzienda),
// the settings behind KV8Config (ParametriHost), the users behind gUtente (Utenti) and the
// configuration variables (VariabiliConfig); readers for the program, writers for the
// demo loader and the tests.
#include "host/core/Applvar.h"
#include "host/core/Kutfunctions.h"
#include "host/db/TXDatabase.h"

#include <QString>
#include <QVariant>

class ConfigStore {
public:
    // CFG and KV8Config from the database; whatever is not stored keeps its default.
    static void Load(TXDatabase &db);
    static void LoadCompany(TXDatabase &db);
    static void LoadSettings(TXDatabase &db);
    // gUtente from Utenti. An unknown user answers false and becomes a user with that
    // identifier and no privileges.
    static bool LoadUser(TXDatabase &db, const QString &idUtente);

    // Writers: each replaces the stored row of the same key.
    static void SaveCompany(TXDatabase &db, const TCFG &company);
    static void SaveSetting(TXDatabase &db, const QString &section, const QString &name, const QVariant &value);
    static void SaveUser(TXDatabase &db, const TUtente &user);
    static void SaveConfigVar(TXDatabase &db, const QString &group, const QString &number, const QString &name,
                              const QString &value);
};

namespace Funzioni {

// The configuration variable (group, number, name) of the configuration database, as
// stored; "" when it is not stored.
QString LeggiConfigVar(TXDatabase &configuration, const QString &group, const QString &number, const QString &name);

} // namespace Funzioni

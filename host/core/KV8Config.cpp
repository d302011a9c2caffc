#include "host/core/KV8Config.h"

#include <QHash>
#include <QPair>

namespace {

QHash<QString, QVariant> &Settings()
{
    static QHash<QString, QVariant> settings;
    return settings;
}

// Bumped by every change of the settings: what was read before it is read again.
quint64 &Serie()
{
    static quint64 serie = 0;
    return serie;
}

QString Key(const QString &section, const QString &name)
{
    return section.toLower() + QLatin1Char('.') + name.toLower();
}

// The key of a section and a name given as literals, made once (settings are read row after
// row by document routines).
const QString &LiteralKey(const char *section, const char *name)
{
    static QHash<QPair<const char *, const char *>, QString> keys;
    auto it = keys.find(qMakePair(section, name));
    if (it == keys.end())
        it = keys.insert(qMakePair(section, name), Key(QLatin1String(section), QLatin1String(name)));
    return *it;
}

// A stored setting as an integer; the default when missing or not a number.
int Int(const char *section, const char *name, int defaultValue)
{
    const QVariant v = Settings().value(LiteralKey(section, name));
    if (!v.isValid() || v.isNull())
        return defaultValue;
    bool ok = false;
    const int n = v.toString().trimmed().toInt(&ok);
    return ok ? n : defaultValue;
}

QString Text(const char *section, const char *name, const QString &defaultValue = QString())
{
    const QVariant v = Settings().value(LiteralKey(section, name));
    return v.isValid() && !v.isNull() ? v.toString() : defaultValue;
}

// A group of settings as read, kept until the settings change (documents read them row
// after row).
template <typename Gruppo, typename Leggi> Gruppo Letto(Leggi leggi)
{
    static Gruppo gruppo;
    static quint64 serie = 0;
    if (serie != Serie() + 1) {
        gruppo = leggi();
        serie = Serie() + 1;
    }
    return gruppo;
}

} // namespace

QVariant KV8Config::Value(const QString &section, const QString &name, const QVariant &defaultValue)
{
    return Settings().value(Key(section, name), defaultValue);
}

void KV8Config::Set(const QString &section, const QString &name, const QVariant &value)
{
    Settings().insert(Key(section, name), value);
    ++Serie();
}

void KV8Config::Clear()
{
    Settings().clear();
    ++Serie();
}

KV8Config::TFSBAS01 KV8Config::GetFSBAS01()
{
    return Letto<TFSBAS01>([] {
        TFSBAS01 r;
        r.DivisoreVolume = qMax(1, Int("FSBAS01", "DivisoreVolume", r.DivisoreVolume));
        r.FlSpeseCliente = Int("FSBAS01", "FlSpeseCliente", r.FlSpeseCliente);
        r.FlDettaglioQta = Int("FSBAS01", "FlDettaglioQta", r.FlDettaglioQta);
        return r;
    });
}

KV8Config::TFSBAS03 KV8Config::GetFSBAS03()
{
    return Letto<TFSBAS03>([] {
        TFSBAS03 r;
        r.IdIvaRidotta = Text("FSBAS03", "IdIvaRidotta");
        return r;
    });
}

KV8Config::TFBPRA01 KV8Config::GetFBPRA01()
{
    return Letto<TFBPRA01>([] {
        TFBPRA01 r;
        r.FlProvvigioni = Int("FBPRA01", "FlProvvigioni", r.FlProvvigioni);
        return r;
    });
}

KV8Config::TFSVED01 KV8Config::GetFSVED01()
{
    return Letto<TFSVED01>([] {
        TFSVED01 r;
        r.FlArrotondaSconti = Int("FSVED01", "FlArrotondaSconti", r.FlArrotondaSconti);
        return r;
    });
}

KV8Config::TFBBAS00 KV8Config::GetFBBAS00()
{
    return Letto<TFBBAS00>([] {
        TFBBAS00 r;
        r.FlIvaManodopera = Int("FBBAS00", "FlIvaManodopera", r.FlIvaManodopera);
        return r;
    });
}

KV8Config::TFBBAS07 KV8Config::GetFBBAS07()
{
    return Letto<TFBBAS07>([] {
        TFBBAS07 r;
        r.LimiteRicerca = qMax(0, Int("FBBAS07", "LimiteRicerca", r.LimiteRicerca));
        return r;
    });
}

KV8Config::TFBBAS08 KV8Config::GetFBBAS08()
{
    return Letto<TFBBAS08>([] {
        TFBBAS08 r;
        r.TipoRigoRAEE = Int("FBBAS08", "TipoRigoRAEE", r.TipoRigoRAEE);
        return r;
    });
}

KV8Config::TFSCON01 KV8Config::GetFSCON01()
{
    return Letto<TFSCON01>([] {
        TFSCON01 r;
        r.TipoRigoCONAI1 = Int("FSCON01", "TipoRigoCONAI1", r.TipoRigoCONAI1);
        r.TipoRigoCONAI2 = Int("FSCON01", "TipoRigoCONAI2", r.TipoRigoCONAI2);
        return r;
    });
}

KV8Config::TFSLOT01 KV8Config::GetFSLOT01()
{
    return Letto<TFSLOT01>([] {
        TFSLOT01 r;
        r.FlQtaZeroLotti = Int("FSLOT01", "FlQtaZeroLotti", r.FlQtaZeroLotti);
        return r;
    });
}

KV8Config::TFSDBA01 KV8Config::GetFSDBA01()
{
    return Letto<TFSDBA01>([] {
        TFSDBA01 r;
        r.LivelliEsplosione = qMax(0, Int("FSDBA01", "LivelliEsplosione", r.LivelliEsplosione));
        r.FlComponentiValidi = Int("FSDBA01", "FlComponentiValidi", r.FlComponentiValidi);
        return r;
    });
}

KV8Config::TFMBAS01 KV8Config::GetFMBAS01()
{
    return Letto<TFMBAS01>([] {
        TFMBAS01 r;
        r.FlGestDimensioni = Int("FMBAS01", "FlGestDimensioni", r.FlGestDimensioni);
        r.LivelloPartite = Int("FMBAS01", "LivelloPartite", r.LivelloPartite);
        r.FlMatricole = Int("FMBAS01", "FlMatricole", r.FlMatricole);
        return r;
    });
}

KV8Config::TFSCLV01 KV8Config::GetFSCLV01()
{
    return Letto<TFSCLV01>([] {
        TFSCLV01 r;
        r.FlContoLavoro = Int("FSCLV01", "FlContoLavoro", r.FlContoLavoro);
        r.TipoRigoContoLavoro = Int("FSCLV01", "TipoRigoContoLavoro", r.TipoRigoContoLavoro);
        return r;
    });
}

KV8Config::TFSORC01 KV8Config::GetFSORC01()
{
    return Letto<TFSORC01>([] {
        TFSORC01 r;
        r.FlControlloEccedenza = Int("FSORC01", "FlControlloEccedenza", r.FlControlloEccedenza);
        r.FlRifOrdine = Int("FSORC01", "FlRifOrdine", r.FlRifOrdine);
        r.TestoRifOrdine = Text("FSORC01", "TestoRifOrdine", r.TestoRifOrdine);
        r.FlPesiOrdine = Int("FSORC01", "FlPesiOrdine", r.FlPesiOrdine);
        return r;
    });
}

KV8Config::TFSVEN01 KV8Config::GetFSVEN01()
{
    return Letto<TFSVEN01>([] {
        TFSVEN01 r;
        r.FlDurata = Int("FSVEN01", "FlDurata", r.FlDurata);
        r.TipoRigoReso1 = Int("FSVEN01", "TipoRigoReso1", r.TipoRigoReso1);
        r.TipoRigoReso2 = Int("FSVEN01", "TipoRigoReso2", r.TipoRigoReso2);
        return r;
    });
}

KV8Config::TFBCGE01 KV8Config::GetFBCGE01()
{
    return Letto<TFBCGE01>([] {
        TFBCGE01 r;
        r.FlContatoreRegistro = Int("FBCGE01", "FlContatoreRegistro", r.FlContatoreRegistro);
        return r;
    });
}

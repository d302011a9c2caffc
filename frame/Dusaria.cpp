// The module library: entry points, start-up registrations and the menu-choice dispatcher.
#include "frame/Dusaria.h"

#include "frame/Dmilumo.h"
#include "frame/Dmilumo_reg.h"
#include "frame/Dmiqarnsce.h"
#include "frame/Lumo_funzioni.h"
#include "frame/Lumo_parametri.h"
#include "frame/Raskdmupdatedb.h"
#include "host/business/Riferimenti.h"
#include "host/core/Kutfunctions.h"
#include "host/data/TDataSource.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/Kmessages.h"
#include "host/ui/WindowFactory.h"

#include <algorithm>
#include <map>

namespace {

// ---- the catalogue

std::map<QString, Dusaria::TClasseModulo> &Catalogo()
{
    static std::map<QString, Dusaria::TClasseModulo> catalogo; // keys lower case
    return catalogo;
}

// ---- start-up registrations, in the order of the module's units

enum class Registro { Stampe, DataModuleBase, DataModuleComponenti, Dialoghi };

struct TRegistrazione {
    Registro registro;
    const char *nome;   // the host class name it replaces, as registered
    const char *classe; // the module class
};

const TRegistrazione Registrazioni[] = {
    {Registro::Stampe, "TFSVEN0002S", "TfSven0002s_p"},
    {Registro::DataModuleBase, "TfSVen0007d_DM", "TfSVen0007d_DM_p"},
    {Registro::DataModuleBase, "TDMICalcoloTotaliDocs", "TDMICalcoloTotaliDocs_p"},
    {Registro::Stampe, "TfSVen0009s", "TfSVen0009s_p"},
    {Registro::DataModuleComponenti, "TDMIBMag", "TDMIBMag_p"},
    {Registro::DataModuleComponenti, "TDMISBAS", "TDMISBas_p"},
    {Registro::DataModuleComponenti, "TDMISOrc", "TDMISOrc_p"},
    {Registro::Stampe, "TFSacq0002s", "TfSAcq0002s_p"},
    {Registro::Dialoghi, "TFsven0001f_001", "TFSVen0001f_001p"},
    {Registro::Dialoghi, "TfSVen0904f", "TfSVen0904f_p"},
};

// Columns of the host's articles, movements and document rows, and of the deposit journal,
// holding codes: a code still held there is not deleted.
struct TCodiceUsato {
    const char *tabella;
    const char *colonna;
    const char *riferita;
    const char *chiave;
};

const TCodiceUsato CodiciUsati[] = {
    {"Articoli", "UT_LMQ_IdConIva", "LUMO_ConIva", "IdConIva"},
    {"Articoli", "UT_LMQ_IdCatVin", "LUMO_CatVin", "IdCatVin"},
    {"Articoli", "UT_LMQ_IdSpecifica", "LUMO_Specifica", "IdSpecifica"},
    {"Articoli", "UT_LMQ_IdBottiglia", "LUMO_Bottiglie", "IdBottiglia"},
    {"Articoli", "UT_LMQ_IdNatura", "LUMO_Natura", "IdNatura"},
    {"Articoli", "UT_LMQ_IdColore", "LUMO_Colori", "IdColore"},
    {"Articoli", "UT_LMQ_IdTipologia", "LUMO_Tipologie", "IdTipologia"},
    {"Articoli", "UT_LMQ_IdZonaProd", "LUMO_ZonaProd", "IdZonaProd"},
    {"Articoli", "UT_LMQ_IdRegione", "LUMO_Regioni", "IdRegione"},
    {"Articoli", "UT_LMQ_IdTipologiaOmaggi", "LUMO_TipologieOmaggiArt", "IdTipologia"},
    {"Articoli", "UT_LMQ_IdImballo2", "Imballi", "IdImballo"},
    {"Articoli", "UT_LMQ_IdImballo3", "Imballi", "IdImballo"},
    {"Articoli", "UT_LMQ_IdNazione", "Nazioni", "IdNazione"},
    {"MovMagazzino", "UT_LMQ_IdVasca", "LUMO_Vasche", "IdVasca"},
    {"BolleCliRighe", "UT_LMQ_IdImballo1", "Imballi", "IdImballo"},
    {"BolleCliRighe", "UT_LMQ_IdImballo2", "Imballi", "IdImballo"},
    {"FattureCliRighe", "UT_LMQ_IdImballo1", "Imballi", "IdImballo"},
    {"FattureCliRighe", "UT_LMQ_IdImballo2", "Imballi", "IdImballo"},
    {"BolleForRighe", "UT_LMQ_IdImballo1", "Imballi", "IdImballo"},
    {"BolleForRighe", "UT_LMQ_IdImballo2", "Imballi", "IdImballo"},
    {"OrdiniCliRighe", "UT_LMQ_IdImballo1", "Imballi", "IdImballo"},
    {"OrdiniCliRighe", "UT_LMQ_IdImballo2", "Imballi", "IdImballo"},
    {"OfferteCliRighe", "UT_LMQ_IdImballo1", "Imballi", "IdImballo"},
    {"OfferteCliRighe", "UT_LMQ_IdImballo2", "Imballi", "IdImballo"},
    {"LUMO_MovCauR", "IdImballo", "Imballi", "IdImballo"},
    {"LUMO_MovResR", "IdImballo", "Imballi", "IdImballo"},
};

// ---- the dispatch tables

enum class Confronto { Intero = 0, Primi9 = 9, Primi11 = 11 };

// When InitForm is called after the window factory.
enum class Dopo {
    Nulla,
    SeAperta, // only when the factory answered true
    SeEsiste, // when the window's reference is set afterwards
};

enum class Extra {
    Nessuno,
    PosizionaCliente, // then locate the customer of the code in the main dataset
    SoloConChiave,    // InitForm only when the code holds ";"
};

enum class Cancello {
    Nessuno,
    Trasporto1, // FlAbilTrasporto = 1
    Trasporto,  // FlAbilTrasporto <> 0
    SchedaPro1, // FlAbilSchedaPro = 1
    RegCs,      // FlStaRegCs <> 0
    RegImb,     // FlStaRegImb <> 0
    RegCon,     // FlStaRegCon <> 0
    Cauzioni,   // FlAbilCauz <> 0
    Accisa,     // FlAbilAccisa <> 0
    Privilegio, // the user's privilege flag = 1
};

struct TScelta {
    const char *codice;
    Confronto confronto;
    const char *classe; // nullptr: the configuration window, shown modally
    int modo;
    Cancello cancello;
    const char *messaggio; // single instance: shown when the window is open
    int tipoMessaggio;
    Dopo dopo;
    // InitForm's arguments, comma-separated: 0 and 1 as they stand, K the key, A and B the
    // two numbers, S the text after the first ";", 'xx' the text xx; empty: no arguments.
    const char *argomenti;
    bool chiudeSeFalso; // InitForm answering false closes the window
    Extra extra;
};

constexpr int N = mtInformation; // unused message type of the rows without a message

// Host windows (the module's subclasses), in the order of comparison.
const TScelta SceltePrimarie[] = {
    {"BBAS0030F", Confronto::Intero, "TFBBas0030f_p", taNormale, Cancello::Nessuno, nullptr, N, Dopo::Nulla, "", false,
     Extra::Nessuno},
    {"BBAS0055F", Confronto::Intero, "TFbbas0055f_p", taNormale, Cancello::Nessuno, nullptr, N, Dopo::SeEsiste, "",
     false, Extra::Nessuno},
    {"BBAS0051F", Confronto::Primi9, "TFBbas0051f_p", taNormale, Cancello::Nessuno, nullptr, N, Dopo::SeAperta, "",
     false, Extra::PosizionaCliente},
    {"BBAS0052F", Confronto::Intero, "TFBbas0052f_p", taNormale, Cancello::Nessuno, nullptr, N, Dopo::SeEsiste, "",
     false, Extra::Nessuno},
    {"BBAS0047F", Confronto::Intero, "TFBBas0047f_p", taNormale, Cancello::Nessuno, nullptr, N, Dopo::Nulla, "", false,
     Extra::Nessuno},
    {"BBAS0019F", Confronto::Intero, "TFBBas0019f_p", taNormale, Cancello::Nessuno, nullptr, N, Dopo::Nulla, "", false,
     Extra::Nessuno},
    {"BBAS0058F", Confronto::Primi9, "TFBBas0058f_p", taNormale, Cancello::Nessuno, nullptr, N, Dopo::SeEsiste, "S",
     false, Extra::SoloConChiave},
    {"BBAS0038F", Confronto::Intero, "TFBbas0038f_p", taNormale, Cancello::Nessuno, nullptr, N, Dopo::Nulla, "", false,
     Extra::Nessuno},
    {"BBAS0039F", Confronto::Intero, "TFBBas0039f_p", taNormale, Cancello::Nessuno, nullptr, N, Dopo::Nulla, "", false,
     Extra::Nessuno},
    {"BBAS0045F", Confronto::Intero, "TFBbas0045f_p", taNormale, Cancello::Nessuno, nullptr, N, Dopo::Nulla, "", false,
     Extra::Nessuno},
    {"BMAG0001F", Confronto::Primi9, "TFBMag0001f_p", taDialogo, Cancello::Nessuno,
     "Gestione prima nota magazzino già attiva", mtError, Dopo::SeEsiste, "A,B", true, Extra::Nessuno},
    {"SVEN0001F_C", Confronto::Primi11, "TFSVen0001f_p", taDialogo, Cancello::Nessuno,
     "Gestione bolle uscita già attiva", mtError, Dopo::SeEsiste, "0,K,0", true, Extra::Nessuno},
    {"SVEN0001F_F", Confronto::Primi11, "TFSVen0001f_p", taDialogo, Cancello::Nessuno,
     "Gestione bolle uscita già attiva", mtError, Dopo::SeEsiste, "1,K,0", true, Extra::Nessuno},
    {"SVEN0002D", Confronto::Intero, "TFSven0002d_p", taDialogo, Cancello::Nessuno, nullptr, N, Dopo::Nulla, "", false,
     Extra::Nessuno},
    {"SVEN0007D", Confronto::Intero, "TFSVen0007d_p", taDialogo, Cancello::Nessuno, nullptr, N, Dopo::Nulla, "", false,
     Extra::Nessuno},
    {"SVEN0008F_F", Confronto::Primi11, "TFSVen0008f_p", taDialogo, Cancello::Nessuno, "Gestione fatture già attiva",
     mtError, Dopo::SeEsiste, "0,K", true, Extra::Nessuno},
    {"SVEN0008F_R", Confronto::Primi11, "TFSVen0008f_p", taDialogo, Cancello::Nessuno, "Gestione fatture già attiva",
     mtWarning, Dopo::SeAperta, "1,K", true, Extra::Nessuno},
    // the host's own windows
    {"SVEN0009D", Confronto::Intero, "TFSven0009d", taDialogo, Cancello::Nessuno, nullptr, N, Dopo::Nulla, "", false,
     Extra::Nessuno},
    {"SVEN0012D", Confronto::Intero, "TFSven0012d", taDialogo, Cancello::Nessuno, nullptr, N, Dopo::Nulla, "", false,
     Extra::Nessuno},
    {"SOFC0001F", Confronto::Primi9, "TFSOfc0001f_p", taDialogo, Cancello::Nessuno,
     "Gestione offerte clienti già attiva", mtWarning, Dopo::SeAperta, "K", true, Extra::Nessuno},
    {"SORC0001F", Confronto::Primi9, "TFSOrc0001f_p", taDialogo, Cancello::Nessuno,
     "Gestione ordini clienti già attiva", mtError, Dopo::SeEsiste, "0,K,0", true, Extra::Nessuno},
    {"SACQ0001F", Confronto::Primi9, "TFSAcq0001f_p", taDialogo, Cancello::Nessuno,
     "Gestione bolle fornitori già attiva", mtWarning, Dopo::SeAperta, "1,K", true, Extra::Nessuno},
};

#define QARN(codice, classe, modo, cancello)                                                                           \
    {                                                                                                                  \
        codice, Confronto::Intero, classe, modo, Cancello::cancello, nullptr, N, Dopo::Nulla, "", false,               \
            Extra::Nessuno                                                                                             \
    }

// The module's own windows; each code compared as a whole.
const TScelta ScelteModulo[] = {
    QARN("QARN0002F", "TFqarn0002f", taNormale, Nessuno),
    QARN("QARN0003F", "TFqarn0003f", taNormale, Nessuno),
    QARN("QARN0004F", "TFqarn0004f", taNormale, Nessuno),
    QARN("QARN0005F", "TFqarn0005f", taNormale, Nessuno),
    QARN("QARN0006F", "TFqarn0006f", taNormale, Nessuno),
    QARN("QARN0007F", "TFqarn0007f", taNormale, Nessuno),
    QARN("QARN0009F", "TFqarn0009f", taNormale, Nessuno),
    QARN("QARN0010F", "TFqarn0010f", taNormale, Nessuno),
    QARN("QARN0011F", "TFqarn0011f", taNormale, Nessuno),
    QARN("QARN0012F", "TFqarn0012f", taNormale, Nessuno),
    QARN("QARN0013F", "TFqarn0013f", taNormale, Nessuno),
    QARN("QARN0100F", "TFqarn0100f", taNormale, Nessuno),
    QARN("QARN0802F", "TFqarn0802f", taNormale, Nessuno),
    QARN("QARNVIEWTIPOLOGIEOMAGGI", "TFQarnViewTipologieOmaggi", taNormale, Nessuno),
    QARN("QARN0112D", "TFqarn0112d", taDialogo, Nessuno),
    QARN("QARN0154D", "TFqarn0154d", taDialogo, Nessuno),
    QARN("QARN0155D", "TFqarn0155d", taDialogo, Nessuno),
    QARN("QARN0156D", "TFqarn0156d", taDialogo, Nessuno),
    QARN("QARN0213D", "TFqarn0213d", taDialogo, Nessuno),
    QARN("QARN0500D", "TFqarn0500d", taDialogo, Nessuno),
    QARN("QARN0801D", "TFqarn0801d", taDialogo, Nessuno),
    QARN("QARN0014F", "TFqarn0014f", taNormale, Trasporto1),
    QARN("QARN0014D", "TFqarn0014d", taDialogo, Trasporto),
    QARN("QARN0014D_001", "TFqarn0014d_001", taDialogo, Trasporto),
    QARN("QARN0300D", "TFqarn0300d", taDialogo, SchedaPro1),
    QARN("QARN0301D", "TFqarn0301d", taDialogo, SchedaPro1),
    QARN("QARN0302D", "TFqarn0302d", taDialogo, SchedaPro1),
    QARN("QARN0102F", "TFqarn0102f", taNormale, RegCs),
    QARN("QARN0104F", "TFqarn0104f", taMassimizzata, RegCs),
    QARN("QARN0101D", "TFqarn0101d", taDialogo, RegCs),
    QARN("QARN0103D", "TFqarn0103d", taDialogo, RegCs),
    QARN("QARN0105D", "TFqarn0105d", taDialogo, RegCs),
    QARN("QARN0106D", "TFqarn0106d", taDialogo, RegImb),
    QARN("QARN0110D", "TFqarn0110d", taDialogo, RegCon),
    QARN("QARN0111F", "TFqarn0111f", taDialogo, RegCon),
    QARN("QARN0201F", "TFqarn0201f", taNormale, Cauzioni),
    QARN("QARN0209F", "TFqarn0209f", taNormale, Cauzioni),
    {"QARN0202F_C", Confronto::Intero, "TFqarn0202f", taNormale, Cancello::Cauzioni, "Gestione progressivi già attiva",
     mtError, Dopo::SeEsiste, "'CL'", true, Extra::Nessuno},
    {"QARN0202F_F", Confronto::Intero, "TFqarn0202f", taNormale, Cancello::Cauzioni, "Gestione progressivi già attiva",
     mtError, Dopo::SeEsiste, "'FO'", true, Extra::Nessuno},
    QARN("QARN0204F", "TFqarn0204f", taMassimizzata, Cauzioni),
    QARN("QARN0203D", "TFqarn0203d", taDialogo, Cauzioni),
    QARN("QARN0205D", "TFqarn0205d", taDialogo, Cauzioni),
    QARN("QARN0206D", "TFqarn0206d", taDialogo, Cauzioni),
    QARN("QARN0207D", "TFqarn0207d", taDialogo, Cauzioni),
    QARN("QARN0208D", "TFqarn0208d", taDialogo, Cauzioni),
    QARN("QARN0210D", "TFqarn0210d", taDialogo, Cauzioni),
    QARN("QARN0211D", "TFqarn0211d", taDialogo, Cauzioni),
    QARN("QARN0212D", "TFqarn0212d", taDialogo, Cauzioni),
    QARN("QARN0400F", "TFqarn0400f", taNormale, Accisa),
    QARN("QARN0403F", "TFqarn0403f", taNormale, Accisa),
    QARN("QARN0401D", "TFqarn0401d", taDialogo, Accisa),
    QARN("QARN0402D", "TFqarn0402d", taDialogo, Accisa),
    QARN("QARN0404D", "TFqarn0404d", taDialogo, Accisa),
    // the configuration window, shown modally without the window factory
    {"QARN0001F", Confronto::Intero, nullptr, taModale, Cancello::Privilegio, nullptr, N, Dopo::Nulla, "", false,
     Extra::Nessuno},
};

#undef QARN

bool Corrisponde(const TScelta &s, const QString &code)
{
    const QLatin1String codice(s.codice);
    if (s.confronto == Confronto::Intero)
        return code == codice;
    const qsizetype n = qsizetype(s.confronto);
    return code.size() >= n && QStringView(code).left(n) == codice;
}

bool Aperto(Cancello c)
{
    const TUT_PLMQ_Parametri &p = UT_LMQ_Parametri;
    switch (c) {
    case Cancello::Nessuno:
        return true;
    case Cancello::Trasporto1:
        return p.FlAbilTrasporto == 1;
    case Cancello::Trasporto:
        return p.FlAbilTrasporto != 0;
    case Cancello::SchedaPro1:
        return p.FlAbilSchedaPro == 1;
    case Cancello::RegCs:
        return p.FlStaRegCs != 0;
    case Cancello::RegImb:
        return p.FlStaRegImb != 0;
    case Cancello::RegCon:
        return p.FlStaRegCon != 0;
    case Cancello::Cauzioni:
        return p.FlAbilCauz != 0;
    case Cancello::Accisa:
        return p.FlAbilAccisa != 0;
    case Cancello::Privilegio:
        return gUtente.FlPrivilegi == 1;
    }
    return false;
}

// Digits with an optional leading minus, within 32 bits; anything else (blanks, "+") is 0.
qint32 Intero(QStringView testo)
{
    const QStringView cifre = testo.startsWith(u'-') ? testo.mid(1) : testo;
    if (cifre.isEmpty() || !std::all_of(cifre.begin(), cifre.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return 0;
    bool ok = false;
    const qint32 v = testo.toInt(&ok);
    return ok ? v : 0;
}

QVariantList Argomenti(const TScelta &s, const QString &code)
{
    QVariantList out;
    const QString elenco = QLatin1String(s.argomenti);
    if (elenco.isEmpty())
        return out;
    qint32 a = 0;
    qint32 b = 0;
    Dusaria::NumeriScelta(code, a, b);
    for (const QString &t : elenco.split(QLatin1Char(','))) {
        if (t == QLatin1String("K"))
            out << QVariant(Dusaria::ChiaveScelta(code));
        else if (t == QLatin1String("A"))
            out << QVariant(a);
        else if (t == QLatin1String("B"))
            out << QVariant(b);
        else if (t == QLatin1String("S"))
            out << QVariant(code.section(QLatin1Char(';'), 1));
        else if (t.startsWith(QLatin1Char('\'')))
            out << QVariant(t.mid(1, t.size() - 2));
        else
            out << QVariant(qint32(t.toInt()));
    }
    return out;
}

// Handles a code that matched a row whose gate is open.
void Esegui(const TScelta &s, const Dusaria::TClasseModulo &c, const QString &code)
{
    if (s.messaggio && Funzioni::FinestraAperta(c.Finestra())) {
        Kmessages::KMessage(QString::fromUtf8(s.messaggio), s.tipoMessaggio, mbOK, 0);
        return;
    }
    const bool aperta = Funzioni::CreaFinestraProt(c.Classe, c.Finestra, c.ImpostaFinestra, s.modo);
    const bool haChiave = code.contains(QLatin1Char(';'));
    bool chiama = false;
    switch (s.dopo) {
    case Dopo::Nulla:
        break;
    case Dopo::SeAperta:
        chiama = aperta;
        break;
    case Dopo::SeEsiste:
        chiama = Funzioni::FinestraAperta(c.Finestra()) != nullptr;
        break;
    }
    if (s.extra == Extra::SoloConChiave && !haChiave)
        chiama = false;
    if (!chiama)
        return;
    const bool esito = c.InitForm(Funzioni::FinestraAperta(c.Finestra()), Argomenti(s, code));
    if (s.chiudeSeFalso && !esito) {
        if (TForm *f = Funzioni::FinestraAperta(c.Finestra()))
            f->Close();
        return;
    }
    if (s.extra == Extra::PosizionaCliente && haChiave) {
        TForm *f = Funzioni::FinestraAperta(c.Finestra());
        TDataSource *ds = f ? f->FindDataSource(QStringLiteral("DSMain")) : nullptr;
        if (ds && ds->DataSet())
            ds->DataSet()->Locate(QStringLiteral("IdContoTp;IdConto"),
                                  QVariantList{QStringLiteral("CL"), code.section(QLatin1Char(';'), 1)});
    }
}

// Answers whether a row took the code.
bool Confronta(const TScelta *righe, qsizetype quante, const QString &code, bool &gestito)
{
    for (qsizetype i = 0; i < quante; ++i) {
        const TScelta &s = righe[i];
        if (!Corrisponde(s, code))
            continue;
        gestito = false;
        if (!Aperto(s.cancello))
            return true;
        if (!s.classe) {
            UT_LUMO_ParametriModulo();
            gestito = true;
            return true;
        }
        const Dusaria::TClasseModulo *c = Dusaria::ClasseModulo(QLatin1String(s.classe));
        if (!c || !c->IsFinestra())
            return true; // its unit is not built yet
        Esegui(s, *c, code);
        gestito = true;
        return true;
    }
    return false;
}

} // namespace

// ---- catalogue

namespace Dusaria {

TClasseModulo RegistraClasse(const QString &nome, const TClasseModulo &classe)
{
    auto &catalogo = Catalogo();
    const QString chiave = nome.toLower();
    TClasseModulo precedente;
    if (auto it = catalogo.find(chiave); it != catalogo.end())
        precedente = it->second;
    catalogo[chiave] = classe;
    return precedente;
}

void RimuoviClasse(const QString &nome)
{
    Catalogo().erase(nome.toLower());
}

const TClasseModulo *ClasseModulo(const QString &nome)
{
    const auto &catalogo = Catalogo();
    const auto it = catalogo.find(nome.toLower());
    return it == catalogo.end() || it->second.Classe.IsNull() ? nullptr : &it->second;
}

qint32 ChiaveScelta(const QString &code)
{
    const qsizetype at = code.indexOf(QLatin1Char(';'));
    return at < 0 ? 0 : Intero(QStringView(code).mid(at + 1));
}

void NumeriScelta(const QString &code, qint32 &primo, qint32 &secondo)
{
    primo = 0;
    secondo = 0;
    const qsizetype uno = code.indexOf(QLatin1Char(';'));
    const qsizetype due = uno < 0 ? -1 : code.indexOf(QLatin1Char(';'), uno + 1);
    if (due < 0)
        return;
    primo = Intero(QStringView(code).mid(uno + 1, due - uno - 1));
    secondo = Intero(QStringView(code).mid(due + 1));
}

} // namespace Dusaria

// ---- entry points

KV8_MODULE_EXPORT void Initialize()
{
    for (const TCodiceUsato &u : CodiciUsati)
        Riferimenti::Registra({QLatin1String(u.tabella),
                               {QLatin1String(u.colonna)},
                               QLatin1String(u.riferita),
                               {QLatin1String(u.chiave)}});
    for (const TRegistrazione &r : Registrazioni) {
        const Dusaria::TClasseModulo *c = Dusaria::ClasseModulo(QLatin1String(r.classe));
        if (!c)
            continue; // its unit is not built yet
        const QString nome = QLatin1String(r.nome);
        switch (r.registro) {
        case Registro::Stampe:
            Kv8reportb::XRegisterReportClass(nome, c->Classe, false, true);
            break;
        case Registro::DataModuleBase:
            Kv8datamodule::XRegisterDataModuleClass(nome, c->Classe, false, true);
            break;
        case Registro::DataModuleComponenti:
            Xforms::XRegisterDMClass(nome, c->Classe, false, true);
            break;
        case Registro::Dialoghi:
            Dbchilddlg::XRegisterCDialogClass(nome, c->Classe, false, true);
            break;
        }
    }
}

KV8_MODULE_EXPORT void Finalize()
{
    UT_LMQ_Parametri.Password.clear();
    UT_LMQ_Parametri.PathCarImg.clear();
    UT_LMQ_Parametri.LMQ_CodAcc.clear();
    UT_LMQ_RG_ProgressiviRegistri.IdRegistro.clear();
}

KV8_MODULE_EXPORT bool EseguiScelta(QWidget *mainForm, const char16_t *code)
{
    return Dusaria::Scelta(mainForm, code ? QString::fromUtf16(code) : QString());
}

bool Dusaria::Scelta(QWidget *mainForm, const QString &code)
{
    if (code.startsWith(QLatin1String("BNAV")))
        return false;
    if (!DMILUMO)
        Application->CreateForm(ClassRef::Of<TDMILUMO>(), DMILUMO);
    if (!DMILUMO_reg)
        Application->CreateForm(ClassRef::Of<TDMILUMO_reg>(), DMILUMO_reg);
    if (!DMIQARNSCE)
        Application->CreateForm(ClassRef::Of<TDMIQARNSCE>(), DMIQARNSCE);
    RaskAggiornaUpdateDatabase();
    UT_LMQ_GEN_LeggoParametri();
    if (DMIQARNSCE->QARN_EseguiScelta(mainForm, code))
        return true;
    if (code == QLatin1String("PERS....X"))
        return true;
    bool gestito = false;
    if (Confronta(SceltePrimarie, std::size(SceltePrimarie), code, gestito))
        return gestito;
    if (Confronta(ScelteModulo, std::size(ScelteModulo), code, gestito))
        return gestito;
    return false;
}

// Every master-data window as the user keeps its table: opened from its menu code, a new
// code typed and saved, the same code refused, the description changed (the key staying
// read-only), the code deleted.
#include "tests/host/business/FinestreFixture.h"

#include "host/db/Dictionary.h"

using namespace kv8test;

namespace {

struct TCaso {
    const char *codice;   // menu code
    const char *tabella;  // company table
    const char *dataset;  // the window's main dataset
    const char *chiave;   // the key column typed
    const char *edChiave; // its edit
    const char *valore;   // the code typed
    const char *edDescrizione;
    const char *descrizione; // the description column
    bool numerica = false;   // the key is a number
};

void PrintTo(const TCaso &c, std::ostream *os)
{
    *os << c.codice << ' ' << c.tabella;
}

const TCaso Casi[] = {
    {"BBAS0055F", "Articoli", "TArticoli", "IdProdotto", "edIdProdotto", "PROVA'1", "edDsProdotto", "DsProdotto"},
    {"BBAS0030F", "TipiListino", "TTipiListino", "IdListino", "edIdListino", "L'9", "edDsListino", "DsListino"},
    {"BBAS0019F", "Imballi", "TImballi", "IdImballo", "edIdImballo", "BOX", "edDsImballo", "DsImballo"},
    {"BBAS0051F", "Clienti", "TMain", "IdConto", "edIdConto", "C9000", "edRagioneSociale", "RagioneSociale"},
    {"BBAS0052F", "Fornitori", "TMain", "IdConto", "edIdConto", "F9000", "edRagioneSociale", "RagioneSociale"},
    {"BBAS0047F", "CausaliMagaz", "TCausMagaz", "IdCausale", "edIdCausale", "X%1", "edDsCausale", "DsCausale"},
    {"BBAS0038F", "CausaliBolleCli", "TCausBolleCli", "IdCausale", "edIdCausale", "DX", "edDsCausale", "DsCausale"},
    {"BBAS0039F", "CausaliFattCli", "TCausFattCli", "IdCausale", "edIdCausale", "FX", "edDsCausale", "DsCausale"},
    {"BBAS0045F", "CausaliBolleFor", "TCausBolleFor", "IdCausale", "edIdCausale", "AX", "edDsCausale", "DsCausale"},
    {"BBAS0010F", "Nazioni", "tMain", "IdNazione", "edIdNazione", "XY", "edDsNazione", "DsNazione"},
    {"BBAS0011F", "Divise", "tMain", "IdDivisa", "edIdDivisa", "CHF", "edDsDivisa", "DsDivisa"},
    {"BBAS0012F", "CodiciIva", "tMain", "IdIva", "edIdIva", "99", "edDsIva", "DsIva"},
    {"BBAS0013F", "Pagamenti", "tMain", "IdPagamento", "edIdPagamento", "BB60", "edDsPagamento", "DsPagamento"},
    {"BBAS0014F", "UnitaMisura", "tMain", "IdUM", "edIdUM", "KG", "edDsUM", "DsUM"},
    {"BBAS0015F", "Zone", "tMain", "IdZona", "edIdZona", "SU", "edDsZona", "DsZona"},
    {"BBAS0016F", "Agenti", "tMain", "IdAgente", "edIdAgente", "AG9", "edRagioneSociale", "RagioneSociale"},
    {"BBAS0017F", "Spedizionieri", "tMain", "IdSpedizione", "edIdSpedizione", "S9", "edDsSpedizione1", "DsSpedizione1"},
    {"BBAS0018F", "CategorieMerc", "tMain", "IdCategoria", "edIdCategoria", "CAT'9", "edDsCategoria", "DsCategoria"},
    {"BBAS0020F", "Magazzini", "tMain", "IdMagazzino", "edIdMagazzino", "7", "edRagioneSociale", "RagioneSociale",
     true},
    {"BBAS0022F", "TipiMovPagamento", "tMain", "IdTipoMovimento", "edIdTipoMovimento", "BO", "edDsTipoMovimento",
     "DsTipoMovimento"},
    {"BBAS0024F", "Porti", "tMain", "IdPorto", "edIdPorto", "A", "edDsPorto", "DsPorto"},
    {"BBAS0025F", "TipiTrasporto", "tMain", "IdTipoTrasporto", "edIdTipoTrasporto", "V", "edDsTipoTrasporto",
     "DsTipoTrasporto"},
    {"BBAS0026F", "Lingue", "tMain", "IdLingua", "edIdLingua", "DEU", "edDsLingua", "DsLingua"},
};

class Manutenzione : public Finestre, public ::testing::WithParamInterface<TCaso> {
protected:
    QVariant Chiave() const
    {
        const TCaso &c = GetParam();
        return c.numerica ? QVariant(QString::fromUtf8(c.valore).toInt()) : QVariant(QString::fromUtf8(c.valore));
    }
    QVariant Descrizione()
    {
        const TCaso &c = GetParam();
        return Valore(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?").arg(c.descrizione, c.tabella, c.chiave),
                      {Chiave()});
    }
};

} // namespace

TEST_P(Manutenzione, InsertDuplicateEditDelete)
{
    const TCaso &c = GetParam();
    const QString codice = QString::fromUtf8(c.valore);
    TFDBTabChild *f = Apri(QLatin1String(c.codice));
    ASSERT_NE(f, nullptr);
    TDataSet *ds = DataSetOf(f, QLatin1String(c.dataset));
    EXPECT_TRUE(ds->Active());
    EXPECT_EQ(f->DSMain->DataSet(), ds);
    EXPECT_EQ(f->PageControl->currentIndex(), 0) << "the list in front";

    Premi(f, nbInsert);
    ASSERT_EQ(ds->State(), dsInsert);
    EXPECT_EQ(f->PageControl->currentWidget(), f->tsDettaglio);
    EXPECT_FALSE(f->Control<TDBEdit>(QLatin1String(c.edChiave))->isReadOnly());
    EXPECT_TRUE(Scrivi(f, QLatin1String(c.edChiave), codice));
    EXPECT_TRUE(Scrivi(f, QLatin1String(c.edDescrizione), QStringLiteral("Prima descrizione")));
    Premi(f, nbPost);
    ASSERT_EQ(ds->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Descrizione().toString(), QStringLiteral("Prima descrizione"));

    // the same code again: refused in Italian, nothing stored, the record kept for correcting
    script.ClearMessages();
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QLatin1String(c.edChiave), codice));
    EXPECT_TRUE(Scrivi(f, QLatin1String(c.edDescrizione), QStringLiteral("Doppione")));
    Premi(f, nbPost);
    EXPECT_EQ(ds->State(), dsInsert);
    EXPECT_EQ(script.LastText(), QStringLiteral("Il codice %1 è già presente in %2: sceglierne un altro.")
                                     .arg(codice, Dictionary::Instance().Table(QLatin1String(c.tabella))->label));
    EXPECT_EQ(Conta(QLatin1String(c.tabella), QStringLiteral("%1 = ?").arg(QLatin1String(c.chiave)), {Chiave()}), 1);
    EXPECT_EQ(Descrizione().toString(), QStringLiteral("Prima descrizione"));
    Premi(f, nbCancel);

    // a stored code is edited with its key read-only
    ASSERT_TRUE(ds->Locate(QLatin1String(c.chiave), Chiave()));
    // browsing: a key changes nothing
    Scrivi(f, QLatin1String(c.edDescrizione), QStringLiteral("Seconda descrizione"));
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(f->Control<TDBEdit>(QLatin1String(c.edDescrizione))->text(), QStringLiteral("Prima descrizione"));
    Premi(f, nbEdit);
    EXPECT_TRUE(Scrivi(f, QLatin1String(c.edDescrizione), QStringLiteral("Seconda descrizione")));
    EXPECT_EQ(ds->State(), dsEdit);
    EXPECT_TRUE(f->Control<TDBEdit>(QLatin1String(c.edChiave))->isReadOnly());
    Premi(f, nbPost);
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(Descrizione().toString(), QStringLiteral("Seconda descrizione"));

    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QLatin1String(c.tabella), QStringLiteral("%1 = ?").arg(QLatin1String(c.chiave)), {Chiave()}), 0);
}

TEST_P(Manutenzione, AnEmptyCodeIsRefused)
{
    const TCaso &c = GetParam();
    TFDBTabChild *f = Apri(QLatin1String(c.codice));
    ASSERT_NE(f, nullptr);
    TDataSet *ds = DataSetOf(f, QLatin1String(c.dataset));
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QLatin1String(c.edDescrizione), QStringLiteral("Senza codice")));
    Premi(f, nbPost);
    EXPECT_EQ(ds->State(), dsInsert);
    const QString etichetta = ds->FieldByName(QLatin1String(c.chiave))->DisplayLabel();
    EXPECT_EQ(script.LastText(), etichetta + QStringLiteral(" mancante: indicarlo prima di salvare."));
    EXPECT_EQ(Conta(QLatin1String(c.tabella)), 0);
}

INSTANTIATE_TEST_SUITE_P(Finestre, Manutenzione, ::testing::ValuesIn(Casi),
                         [](const ::testing::TestParamInfo<TCaso> &info) {
                             return std::string(info.param.codice) + "_" + info.param.tabella;
                         });

TEST_F(Finestre, CausalsStillUsedAreKept)
{
    TXDatabase &db = company.Database();
    db.ExecSQL(QStringLiteral("INSERT INTO CausaliMagaz (IdCausale, DsCausale) VALUES ('VEN', 'Vendita')"));
    db.ExecSQL(QStringLiteral(
        "INSERT INTO CausaliMagaz (IdCausale, DsCausale, IdContropartita) VALUES ('TRS', 'Trasferimento', 'TRC')"));
    db.ExecSQL(
        QStringLiteral("INSERT INTO CausaliMagaz (IdCausale, DsCausale) VALUES ('TRC', 'Trasferimento carico')"));
    db.ExecSQL(QStringLiteral(
        "INSERT INTO CausaliBolleCli (IdCausale, DsCausale, IdCausaleMaga) VALUES ('DDT', 'DDT', 'VEN')"));
    db.ExecSQL(QStringLiteral(
        "INSERT INTO BolleCliTeste (KBolleCliT, IdCausale, IdClienteTp, IdCliente) VALUES (1, 'DDT', 'CL', 'C1')"));
    const auto etichetta = [](const char *tabella) {
        return Dictionary::Instance().Table(QLatin1String(tabella))->label;
    };

    TFDBTabChild *magazzino = Apri(QStringLiteral("BBAS0047F"));
    ASSERT_NE(magazzino, nullptr);
    for (const auto &caso : {std::pair{"VEN", "CausaliBolleCli"}, std::pair{"TRC", "CausaliMagaz"}}) {
        ASSERT_TRUE(magazzino->DSMain->DataSet()->Locate(QStringLiteral("IdCausale"), QLatin1String(caso.first)));
        script.Yes(QStringLiteral("Conferma Cancellazione ?"));
        Premi(magazzino, nbDelete);
        EXPECT_EQ(script.LastText(), QStringLiteral("Codice %1 usato in %2: impossibile cancellarlo")
                                         .arg(QLatin1String(caso.first), etichetta(caso.second)));
    }
    EXPECT_EQ(Conta(QStringLiteral("CausaliMagaz")), 3);
    // a counterpart typed must be a warehouse causal
    ASSERT_TRUE(magazzino->DSMain->DataSet()->Locate(QStringLiteral("IdCausale"), QStringLiteral("VEN")));
    Premi(magazzino, nbEdit);
    EXPECT_FALSE(Scrivi(magazzino, QStringLiteral("edIdContropartita"), QStringLiteral("DDT")));
    Premi(magazzino, nbCancel);

    TFDBTabChild *ddt = Apri(QStringLiteral("BBAS0038F"));
    ASSERT_NE(ddt, nullptr);
    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    Premi(ddt, nbDelete);
    EXPECT_EQ(script.LastText(),
              QStringLiteral("Codice DDT usato in %1: impossibile cancellarlo").arg(etichetta("BolleCliTeste")));
    EXPECT_EQ(Conta(QStringLiteral("CausaliBolleCli")), 1);
}

#pragma once
// A company with deposits on: packaging B01, C01, G01 in use (X99 not), customers C1 (one set
// of cards) and C2 (cards per destination) on deposit list L1, supplier F1, delivery-note
// causals V (loads, journal movement) and R (returns), and the datasets a deposit-carrying
// document window holds: head, rows, local summary, stored-rows query and client table.
#include "EngineTest.h"

#include "host/business/Funzionibase.h"
#include "host/business/Funzionidoc.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXQuery.h"

#include <QSqlQuery>
#include <QSqlRecord>

class CauzioniDocTest : public EngineDbTest {
protected:
    void SetUp() override
    {
        EngineDbTest::SetUp();
        if (IsSkipped())
            return;
        CFG.IdDivisa = QStringLiteral("EUR");
        UT_LMQ_Parametri.FlAbilCauz = 1;
        UT_LMQ_Parametri.FlGestEcc = 0;
        Esegui(QStringLiteral("INSERT INTO Divise (IdDivisa, DsDivisa, DecPrezzo, DecValore) VALUES "
                              "('EUR', 'Euro', 4, 2), ('USD', 'Dollaro', 3, 2)"));
        Esegui(QStringLiteral("INSERT INTO Imballi (IdImballo, DsImballo, FlUtilizzo, UT_LMQ_DsDescDoc) VALUES "
                              "('B01', 'Bottiglia', 0, 'Bott.'), ('C01', 'Cassa', 0, 'Cassa'), "
                              "('G01', 'Gabbia', 0, 'Gabbia'), ('X99', 'Vecchio', 1, 'Vecchio')"));
        Esegui(QStringLiteral("INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale, UT_LMQ_FlCauz, "
                              "UT_LMQ_IdListCau, UT_LMQ_FlCauDes, UT_LMQ_ContoCau) VALUES "
                              "('CL', 'C1', 'Cliente 1', 1, 'L1', 0, '4010'), "
                              "('CL', 'C2', 'Cliente 2', 1, 'L1', 1, ''), "
                              "('CL', 'C3', 'Cliente 3', 0, 'L1', 0, '')"));
        Esegui(QStringLiteral(
            "INSERT INTO Fornitori (IdContoTp, IdConto, RagioneSociale, UT_LMQ_FlCauz, UT_LMQ_IdListCau) "
            "VALUES ('FO', 'F1', 'Fornitore 1', 1, 'L1')"));
        for (const char *tabella : {"CausaliBolleCli", "CausaliBolleFor"})
            Esegui(QStringLiteral("INSERT INTO %1 (IdCausale, DsCausale, UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau, "
                                  "UT_LMQ_FlAggCauF, UT_LMQ_FlAggCauB, UT_LMQ_FlAggMovC, UT_LMQ_FlReso) VALUES "
                                  "('V', 'Vendita', 1, 1, 0, 1, 1, 0), ('N', 'Senza prima nota', 1, 1, 0, 0, 0, 0), "
                                  "('R', 'Reso', 1, 1, 0, 1, 1, 1), ('Z', 'Senza cauzioni', 0, 1, 0, 0, 1, 0)")
                       .arg(QLatin1String(tabella)));
        Esegui(QStringLiteral("INSERT INTO LUMO_LisCauzT (KContaT, IdListino, IdDivisa) VALUES (1, 'L1', 'EUR')"));
        Esegui(QStringLiteral("INSERT INTO LUMO_LisCauzR (KContaR, KContaT, IdImballo, Prezzo) VALUES "
                              "(1, 1, 'B01', 0.25), (2, 1, 'C01', 1.5)"));
    }

    void TearDown() override
    {
        archivio.reset();
        registrate.reset();
        cauz.reset();
        EngineDbTest::TearDown();
    }

    struct Tipo {
        QString sigla, testata, chiave, righe, origineRighe, tabella, locale, contoTp, conto;
    };
    static Tipo TipoDi(const QString &sigla)
    {
        if (sigla == QLatin1String("FI"))
            return {sigla,
                    "FattureCliTeste",
                    "KFattCliT",
                    "t_RigheFattCli",
                    "FattureCliRighe",
                    "LUMO_CauzDocFatt",
                    "LUMO_t_CauzDocFatt",
                    "IdClienteTp",
                    "IdCliente"};
        if (sigla == QLatin1String("DTA"))
            // the rows of a supplier delivery note in the customer rows' work table: same columns read
            return {sigla,
                    "BolleForTeste",
                    "KBolleForT",
                    "t_RigheBolleCli",
                    "BolleCliRighe",
                    "LUMO_CauzDocBollAcq",
                    "LUMO_t_CauzDocBollAcq",
                    "IdFornitoreTp",
                    "IdFornitore"};
        return {sigla,           "BolleCliTeste",    "KBolleCliT",         "t_RigheBolleCli",
                "BolleCliRighe", "LUMO_CauzDocBoll", "LUMO_t_CauzDocBoll", "IdClienteTp",
                "IdCliente"};
    }

    // A new document of the account under the causal, in insert with its key drawn, and its
    // empty rows and summary.
    void Documento(const QString &conto, const QString &causale, const QString &sigla = QStringLiteral("DT"))
    {
        tipo = TipoDi(sigla);
        TDMIBase *base = TDMIBase::Crea();
        TXlkTable *causali = sigla == QLatin1String("FI")    ? base->lkCausFattCli
                             : sigla == QLatin1String("DTA") ? base->lkCausBolleFor
                                                             : base->lkCausBolleCli;
        TXlkTable *conti = sigla == QLatin1String("DTA") ? base->lkFornitori : base->lkClienti;
        testa = std::make_unique<TXClientTable>();
        testa->SetName(QStringLiteral("tTesta"));
        testa->SetTableName(tipo.testata);
        testa->SetUsaDizionario(true);
        testa->SetXWhereVuoto(tipo.chiave + QStringLiteral(" = 0"));
        testa->AddLookupField(QStringLiteral("_UT_LMQ_FlCauzioni"), ftSmallint, 0, causali, QStringLiteral("IdCausale"),
                              QStringLiteral("IdCausale"), QStringLiteral("UT_LMQ_FlCauzioni"));
        testa->AddLookupField(QStringLiteral("_UT_LMQ_ListCauz"), ftString, 3, conti, tipo.contoTp + ";" + tipo.conto,
                              QStringLiteral("IdContoTp;IdConto"), QStringLiteral("UT_LMQ_IdListCau"));
        for (TXlkTable *t : {causali, conti}) {
            t->Close();
            t->Open();
        }
        // choosing the account fills the head as the document windows do
        const QString tipoConto = sigla == QLatin1String("DTA") ? QStringLiteral("FO") : QStringLiteral("CL");
        testa->Open();
        testa->FieldByName(tipo.conto)->OnChange = [tipoConto](TField *f) {
            if (Funzioni::DatiContoTesta(f->DataSet(), tipoConto, f->AsString()))
                Funzioni::CambioTesta(f->DataSet());
        };
        NuovaTesta(conto, causale);
        ApriRighe(tipo.righe, tipo.origineRighe);
        TabellaLocale(tipo.locale, QString());
        cauz = std::make_unique<TXTable>();
        cauz->SetDatabaseName(QStringLiteral("LocalDatabase"));
        cauz->SetTableName(tipo.locale);
        cauz->SetUsaDizionario(true);
        cauz->Open();
        registrate = std::make_unique<TXQuery>();
        registrate->SQL = QStringList{QStringLiteral("SELECT CDB.*"), QStringLiteral("FROM %1 CDB").arg(tipo.tabella),
                                      QStringLiteral("WHERE CDB.%1 = :%1").arg(tipo.chiave),
                                      QStringLiteral("ORDER BY CDB.%1 , CDB.IdImballo").arg(tipo.chiave)};
        archivio = std::make_unique<TXClientTable>();
        archivio->SetTableName(tipo.tabella);
        archivio->SetUsaDizionario(true);
        archivio->SetXWhereVuoto(tipo.chiave + QStringLiteral(" = 0"));
        archivio->Open();
    }

    // A new head of the document's kind: the account chosen, the causal and the date typed.
    void NuovaTesta(const QString &conto, const QString &causale)
    {
        testa->Append();
        Testa({{qPrintable(tipo.contoTp), tipo.sigla == QLatin1String("DTA") ? "FO" : "CL"},
               {"IdCausale", causale},
               {"DataDocumento", QDateTime(QDate(2025, 3, 14), QTime(0, 0))},
               {"Anno", 2025},
               {qPrintable(tipo.conto), conto}});
    }

    qint64 Chiave() const { return testa->FieldByName(tipo.chiave)->AsInteger(); }

    // A document row with its two packaging codes.
    void RigaImballi(int numero, const QString &articolo, const QString &imballo1, double casse,
                     const QString &imballo2, double pezzi)
    {
        Riga({{"NumOrdine", numero},
              {"IdProdotto", articolo},
              {"UT_LMQ_IdImballo1", Testo(imballo1)},
              {"UT_LMQ_IdImballo2", Testo(imballo2)},
              {"Lunghezza", casse},
              {"Quantita", pezzi}});
    }

    void Crea() { UT_LMQ_DVEN_CreaCasteCauz(testa.get(), righe.get(), nullptr, cauz.get(), tipo.sigla); }
    // The registration as a save runs it: a new document numbered first, as the host numbers it.
    void Registra(int modo)
    {
        TField *numero = testa->FieldByName(QStringLiteral("Numero"));
        if (modo == 0 && numero->AsInteger() <= 0)
            numero->SetAsInteger(Funzioni::NumeroSuccessivo(tipo.testata,
                                                            testa->FieldByName(QStringLiteral("Anno"))->AsInteger(),
                                                            testa->FieldByName(QStringLiteral("Serie"))->AsInteger()));
        UT_LMQ_DVEN_RegCastCauz(testa.get(), cauz.get(), archivio.get(), modo, tipo.sigla);
    }

    // A field of the summary row of the packaging code.
    double DiCauz(const QString &imballo, const char *campo)
    {
        EXPECT_TRUE(cauz->Locate(QStringLiteral("IdImballo"), imballo)) << imballo.toStdString();
        return cauz->FieldByName(QLatin1String(campo))->AsFloat();
    }
    QStringList CodiciCauz()
    {
        QStringList codici;
        cauz->First();
        while (!cauz->Eof()) {
            codici << cauz->FieldByName(QStringLiteral("IdImballo"))->AsString();
            cauz->Next();
        }
        return codici;
    }

    // The stored rows reloaded into the local summary, unchanged (state 0).
    void RicaricaCauz()
    {
        cauz->Close();
        cauz->SetFiltered(false);
        cauz->Open();
        while (!cauz->IsEmpty()) {
            cauz->First();
            cauz->Delete();
        }
        registrate->Close();
        registrate->Params(0)->SetAsInteger(Chiave());
        registrate->Open();
        registrate->First();
        while (!registrate->Eof()) {
            cauz->Append();
            Funzioni::CopiaDati(cauz.get(), registrate.get());
            cauz->FieldByName(QStringLiteral("Stato"))->SetAsInteger(0);
            cauz->Post();
            registrate->Next();
        }
        registrate->Close();
    }

    // A card as stored (lower-case columns), empty when there is none.
    QVariantMap Scheda(const QString &tp, const QString &conto, int destinazione, int tipoScheda,
                       const QString &imballo)
    {
        QSqlQuery q =
            db->OpenQuery(QStringLiteral("SELECT * FROM LUMO_ProgCauz WHERE IdContoTp = ? AND IdConto = ? AND "
                                         "IdDestinazione = ? AND FlTipoScheda = ? AND IdImballo = ?"),
                          {tp, conto, destinazione, tipoScheda, imballo});
        QVariantMap row;
        if (q.next())
            for (int i = 0; i < q.record().count(); ++i)
                row.insert(q.record().fieldName(i).toLower(), q.value(i));
        return row;
    }
    void SchedaIniziale(const QString &tp, const QString &conto, int destinazione, const QString &imballo, double car,
                        double res, double valCar, double valRes, double esiEcc = 0)
    {
        for (int tipoScheda : {0, 1})
            Esegui(QStringLiteral(
                       "INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, IdImballo, FlTipoScheda, "
                       "IdDivisa, ProgQtaCar, ProgQtaRes, ProgValCar, ProgValRes, ProgQtaCarB, ProgQtaResB, "
                       "ProgValCarB, ProgValResB, ProgQtaCarF, ProgQtaResF, ProgValCarF, ProgValResF, "
                       "QtaCarEcc, QtaResEcc, EsiAttEcc) VALUES (?, ?, ?, ?, ?, 'EUR', ?, ?, ?, ?, ?, ?, ?, ?, "
                       "0, 0, 0, 0, 0, ?, ?)"),
                   {tp, conto, tipoScheda == 1 ? 0 : destinazione, imballo, tipoScheda, car, res, valCar, valRes, car,
                    res, valCar, valRes, esiEcc, esiEcc});
    }
    // A pending return movement of the account.
    void Reso(int chiave, const QString &conto, int destinazione, const QString &imballo, double qta)
    {
        Esegui(QStringLiteral(
                   "INSERT INTO LUMO_MovResT (KMovResT, KDocT, FlTipoDocColl, IdContoTp, IdConto, IdDestinazione) "
                   "VALUES (?, 0, 0, 'CL', ?, ?)"),
               {chiave, conto, destinazione});
        Esegui(QStringLiteral("INSERT INTO LUMO_MovResR (KMovResR, KMovResT, IdImballo, QtaRes) VALUES (?, ?, ?, ?)"),
               {chiave, chiave, imballo, qta});
    }

    Tipo tipo;
    std::unique_ptr<TXTable> cauz;
    std::unique_ptr<TXQuery> registrate;
    std::unique_ptr<TXClientTable> archivio;
};

inline double V(const QVariantMap &card, const char *column)
{
    return card.value(QString::fromLatin1(column).toLower()).toDouble();
}

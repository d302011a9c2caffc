// The dataset core, driven through memory tables: states, events, fields, filters, Locate,
// bookmarks, order, master/detail and data sources.
#include "host/data/TDataSource.h"
#include "host/data/TXMemTable.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A memory table of articles: code, description, price, date, state.
std::unique_ptr<TXMemTable> Articles()
{
    auto t = std::make_unique<TXMemTable>();
    t->SetName(QStringLiteral("tArticoli"));
    t->AddField(QStringLiteral("IdProdotto"), ftString, 8);
    t->AddField(QStringLiteral("DsProdotto"), ftString, 30);
    t->AddField(QStringLiteral("Prezzo"), ftFloat);
    t->AddField(QStringLiteral("DataIns"), ftDateTime);
    t->AddField(QStringLiteral("Stato"), ftSmallint);
    return t;
}

void Add(TDataSet &t, const QString &code, const QString &ds, double price, const QVariant &stato = QVariant())
{
    t.Append();
    t.FieldByName(QStringLiteral("IdProdotto"))->SetAsString(code);
    t.FieldByName(QStringLiteral("DsProdotto"))->SetAsString(ds);
    t.FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(price);
    if (stato.isValid())
        t.FieldByName(QStringLiteral("Stato"))->SetValue(stato);
    t.Post();
}

QStringList Codes(TDataSet &t)
{
    QStringList out;
    const TBookmark b = t.GetBookmark();
    t.DisableControls();
    for (t.First(); !t.Eof(); t.Next())
        out << t.FieldByName(QStringLiteral("IdProdotto"))->AsString();
    if (t.BookmarkValid(b))
        t.GotoBookmark(b);
    t.EnableControls();
    return out;
}

// Records every dataset event by name.
struct EventLog {
    QStringList events;
    void Attach(TDataSet &t)
    {
        auto rec = [this](const char *name) {
            return [this, name](TDataSet *) { events << QString::fromLatin1(name); };
        };
        t.BeforeInsert = rec("BeforeInsert");
        t.OnNewRecord = rec("OnNewRecord");
        t.AfterInsert = rec("AfterInsert");
        t.BeforeEdit = rec("BeforeEdit");
        t.AfterEdit = rec("AfterEdit");
        t.BeforePost = rec("BeforePost");
        t.AfterPost = rec("AfterPost");
        t.BeforeCancel = rec("BeforeCancel");
        t.AfterCancel = rec("AfterCancel");
        t.BeforeDelete = rec("BeforeDelete");
        t.AfterDelete = rec("AfterDelete");
        t.BeforeScroll = rec("BeforeScroll");
        t.AfterScroll = rec("AfterScroll");
    }
    QString Take()
    {
        QString s = events.join(QLatin1Char(','));
        events.clear();
        return s;
    }
};

} // namespace

TEST(DataSetEvents, InsertEditPostCancelDeleteFollowDelphiOrder)
{
    auto t = Articles();
    t->Open();
    Add(*t, "A", "Uno", 1);
    EventLog log;
    log.Attach(*t);
    TDataSource ds;
    ds.SetDataSet(t.get());
    ds.OnStateChange = [&](TDataSource *s) { log.events << QStringLiteral("State%1").arg(int(s->State())); };

    t->Insert();
    EXPECT_EQ(log.Take(), "BeforeInsert,BeforeScroll,State3,OnNewRecord,AfterInsert,AfterScroll");
    t->FieldByName("IdProdotto")->SetAsString("B");
    t->Post();
    EXPECT_EQ(log.Take(), "BeforePost,State1,AfterPost");

    t->Edit();
    EXPECT_EQ(log.Take(), "BeforeEdit,State2,AfterEdit");
    t->Cancel();
    EXPECT_EQ(log.Take(), "BeforeCancel,State1,AfterCancel");

    t->Delete();
    EXPECT_EQ(log.Take(), "BeforeDelete,BeforeScroll,AfterDelete,AfterScroll");
    EXPECT_EQ(Codes(*t), QStringList{"A"});
}

TEST(DataSetEvents, ScrollingEventsAndEofBof)
{
    auto t = Articles();
    t->Open();
    EXPECT_TRUE(t->Eof());
    EXPECT_TRUE(t->Bof());
    EXPECT_TRUE(t->IsEmpty());
    Add(*t, "A", "", 1);
    Add(*t, "B", "", 2);
    EventLog log;
    log.Attach(*t);
    t->First();
    EXPECT_EQ(log.Take(), "BeforeScroll,AfterScroll");
    EXPECT_TRUE(t->Bof());
    t->Next();
    EXPECT_EQ(log.Take(), "BeforeScroll,AfterScroll");
    EXPECT_FALSE(t->Eof());
    EXPECT_EQ(t->RecNo(), 2);
    t->Next(); // past the last: the events still fire, Eof becomes true
    EXPECT_EQ(log.Take(), "BeforeScroll,AfterScroll");
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(t->FieldByName("IdProdotto")->AsString(), "B");
    t->Next(); // at Eof: nothing happens
    EXPECT_EQ(log.Take(), "");
    t->Prior();
    EXPECT_EQ(t->FieldByName("IdProdotto")->AsString(), "A");
    // a silent abort in BeforeScroll keeps the cursor where it is
    t->BeforeScroll = [](TDataSet *) { throw EAbort(); };
    EXPECT_THROW(t->Next(), EAbort);
    EXPECT_EQ(t->RecNo(), 1);
    EXPECT_FALSE(t->Eof());
}

TEST(DataSetEvents, AbortInBeforePostAndBeforeDeleteCancelsSilently)
{
    auto t = Articles();
    t->Open();
    Add(*t, "A", "Uno", 1);
    t->BeforePost = [](TDataSet *) { throw EAbort(); };
    t->Append();
    t->FieldByName("IdProdotto")->SetAsString("B");
    EXPECT_THROW(t->Post(), EAbort);
    EXPECT_EQ(t->State(), dsInsert); // the record stays to be corrected
    t->Cancel();
    EXPECT_EQ(t->RecordCount(), 1);

    t->BeforePost = nullptr;
    t->BeforeDelete = [](TDataSet *) { throw EAbort(); };
    EXPECT_THROW(t->Delete(), EAbort);
    EXPECT_EQ(t->RecordCount(), 1);
    EXPECT_EQ(t->State(), dsBrowse);

    t->BeforeDelete = [](TDataSet *) { throw Exception("Operazione Non Consentita"); };
    try {
        t->Delete();
        FAIL();
    } catch (const EAbort &) {
        FAIL() << "a refusal is no silent abort";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message, "Operazione Non Consentita");
    }
    EXPECT_EQ(t->RecordCount(), 1);
}

TEST(DataSetFields, ValidationRefusalKeepsOldValueAndSeesTheNewOne)
{
    auto t = Articles();
    t->Open();
    Add(*t, "A", "Uno", 5);
    QVariant seen;
    int changes = 0;
    TField *price = t->FieldByName("Prezzo");
    price->OnValidate = [&](TField *f) {
        seen = f->Value();
        if (f->AsFloat() < 0)
            throw Exception("Prezzo negativo");
    };
    price->OnChange = [&](TField *) { ++changes; };
    t->Edit();
    EXPECT_THROW(price->SetAsFloat(-1), Exception);
    EXPECT_EQ(seen.toDouble(), -1.0);
    EXPECT_EQ(price->AsFloat(), 5.0);
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(t->Modified());
    price->SetAsFloat(7);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(t->Modified());
    EXPECT_EQ(price->OldValue().toDouble(), 5.0);
    t->Post();
    EXPECT_EQ(price->AsFloat(), 7.0);
}

TEST(DataSetFields, EmptyValuesReadAsZeroOrEmptyAndTextsAreCut)
{
    auto t = Articles();
    t->Open();
    t->Append();
    EXPECT_EQ(t->FieldByName("Prezzo")->AsFloat(), 0.0);
    EXPECT_EQ(t->FieldByName("Stato")->AsInteger(), 0);
    EXPECT_EQ(t->FieldByName("DsProdotto")->AsString(), "");
    EXPECT_FALSE(t->FieldByName("DataIns")->AsDateTime().isValid());
    EXPECT_TRUE(t->FieldByName("Stato")->IsNull());
    t->FieldByName("IdProdotto")->SetAsString("ABCDEFGHIJ");
    EXPECT_EQ(t->FieldByName("IdProdotto")->AsString(), "ABCDEFGH");
    t->FieldByName("Stato")->SetAsString("");
    EXPECT_TRUE(t->FieldByName("Stato")->IsNull());
    EXPECT_THROW(t->FieldByName("Stato")->SetAsString("x1"), Exception);
    t->FieldByName("Prezzo")->SetText("1.234,5");
    EXPECT_DOUBLE_EQ(t->FieldByName("Prezzo")->AsFloat(), 1234.5);
    t->FieldByName("DataIns")->SetText("31/01/2024");
    EXPECT_EQ(t->FieldByName("DataIns")->AsDateTime().date(), QDate(2024, 1, 31));
    EXPECT_THROW(t->FieldByName("DataIns")->SetText("31/02/2024"), Exception);
    EXPECT_EQ(t->FieldByName("DataIns")->AsDateTime().date(), QDate(2024, 1, 31));
    t->FieldByName("Prezzo")->SetDisplayFormat("#,0.00");
    EXPECT_EQ(t->FieldByName("Prezzo")->DisplayText(), "1.234,50");
    EXPECT_EQ(t->FieldByName("prezzo")->FieldName(), "Prezzo"); // by name without regard to case
    EXPECT_EQ(t->FindField("NonEsiste"), nullptr);
    EXPECT_THROW(t->FieldByName("NonEsiste"), EDatabaseError);
    t->Cancel();
    EXPECT_THROW(t->FieldByName("Prezzo")->SetAsFloat(1), EDatabaseError); // not editing
}

TEST(DataSetFields, LookupAndCalculatedFieldsFollowScrollAndPost)
{
    TXMemTable bottles;
    bottles.AddField("IdBottiglia", ftString, 3);
    bottles.AddField("Capacita", ftFloat);
    bottles.Open();
    for (auto [id, cap] : {std::pair{"B07", 0.75}, std::pair{"B15", 1.5}}) {
        bottles.Append();
        bottles.FieldByName("IdBottiglia")->SetAsString(id);
        bottles.FieldByName("Capacita")->SetAsFloat(cap);
        bottles.Post();
    }
    TXMemTable articles;
    articles.AddField("IdProdotto", ftString, 8);
    articles.AddField("IdBottiglia", ftString, 3);
    articles.Open();
    for (auto [p, b] : {std::pair{"VINO1", "B07"}, std::pair{"VINO2", "B15"}}) {
        articles.Append();
        articles.FieldByName("IdProdotto")->SetAsString(p);
        articles.FieldByName("IdBottiglia")->SetAsString(b);
        articles.Post();
    }

    TXMemTable rows;
    rows.AddField("IdProdotto", ftString, 8);
    rows.AddField("Quantita", ftFloat);
    // chained: the capacity is looked up by a looked-up bottle code
    rows.AddLookupField("_UT_LMQ_IdBottiglia", ftString, 3, &articles, "IdProdotto", "IdProdotto", "IdBottiglia");
    rows.AddLookupField("_UT_LMQ_Capacita", ftFloat, 0, &bottles, "_UT_LMQ_IdBottiglia", "IdBottiglia", "Capacita");
    rows.AddCalcField("_Litri", ftFloat);
    int calcRuns = 0;
    rows.OnCalcFields = [&](TDataSet *d) {
        ++calcRuns;
        EXPECT_EQ(d->State(), dsCalcFields);
        d->FieldByName("_Litri")->SetAsFloat(d->FieldByName("Quantita")->AsFloat()
                                             * d->FieldByName("_UT_LMQ_Capacita")->AsFloat());
    };
    rows.Open();
    rows.Append();
    rows.FieldByName("IdProdotto")->SetAsString("VINO1");
    rows.FieldByName("Quantita")->SetAsFloat(12);
    EXPECT_DOUBLE_EQ(rows.FieldByName("_Litri")->AsFloat(), 9.0); // recalculated while editing
    rows.Post();
    rows.Append();
    rows.FieldByName("IdProdotto")->SetAsString("VINO2");
    rows.FieldByName("Quantita")->SetAsFloat(2);
    rows.Post();
    EXPECT_EQ(rows.FieldByName("_UT_LMQ_IdBottiglia")->AsString(), "B15");
    EXPECT_DOUBLE_EQ(rows.FieldByName("_Litri")->AsFloat(), 3.0);
    rows.First();
    EXPECT_DOUBLE_EQ(rows.FieldByName("_UT_LMQ_Capacita")->AsFloat(), 0.75);
    EXPECT_DOUBLE_EQ(rows.FieldByName("_Litri")->AsFloat(), 9.0);
    EXPECT_GT(calcRuns, 0);
    // a row without a bottle: empty lookup, 0 litres
    rows.Append();
    rows.FieldByName("IdProdotto")->SetAsString("NESSUNO");
    rows.Post();
    EXPECT_TRUE(rows.FieldByName("_UT_LMQ_Capacita")->IsNull());
    EXPECT_EQ(rows.FieldByName("_Litri")->AsFloat(), 0.0);
    // grids read other rows' calculated values without moving
    EXPECT_DOUBLE_EQ(rows.ValueAt(0, rows.FieldByName("_Litri")).toDouble(), 9.0);
    EXPECT_EQ(rows.RecNo(), 3);

    // worked out when read: a pass over the rows runs no calculation, a read runs its row's
    rows.CalcFieldsOnScroll = false;
    const int prima = calcRuns;
    for (rows.First(); !rows.Eof(); rows.Next()) {
    }
    EXPECT_EQ(calcRuns, prima);
    rows.First();
    EXPECT_DOUBLE_EQ(rows.FieldByName("_Litri")->AsFloat(), 9.0);
    EXPECT_EQ(calcRuns, prima + 1);
    rows.Next();
    EXPECT_DOUBLE_EQ(rows.FieldByName("_Litri")->AsFloat(), 3.0);
    // a value set on a row not worked out yet stays, the others worked out beside it
    rows.First();
    rows.FieldByName("_Litri")->SetAsFloat(1);
    EXPECT_DOUBLE_EQ(rows.FieldByName("_Litri")->AsFloat(), 1.0);
    EXPECT_EQ(rows.FieldByName("_UT_LMQ_IdBottiglia")->AsString(), "B07");
}

TEST(DataSetFields, MultiFieldLookupKey)
{
    TXMemTable accounts;
    accounts.AddField("IdContoTp", ftString, 2);
    accounts.AddField("IdConto", ftString, 8);
    accounts.AddField("RagioneSociale", ftString, 40);
    accounts.Open();
    for (auto [tp, c, n] : {std::tuple{"CL", "001", "Cliente Uno"}, std::tuple{"FO", "001", "Fornitore Uno"}}) {
        accounts.Append();
        accounts.FieldByName("IdContoTp")->SetAsString(tp);
        accounts.FieldByName("IdConto")->SetAsString(c);
        accounts.FieldByName("RagioneSociale")->SetAsString(n);
        accounts.Post();
    }
    TXMemTable heads;
    heads.AddField("IdFornitoreTp", ftString, 2);
    heads.AddField("IdFornitore", ftString, 8);
    heads.AddLookupField("_RagioneSociale", ftString, 50, &accounts, "IdFornitoreTp;IdFornitore", "IdContoTp;IdConto",
                         "RagioneSociale");
    heads.Open();
    heads.Append();
    heads.FieldByName("IdFornitoreTp")->SetAsString("FO");
    heads.FieldByName("IdFornitore")->SetAsString("001");
    EXPECT_EQ(heads.FieldByName("_RagioneSociale")->AsString(), "Fornitore Uno");
    EXPECT_EQ(accounts.RecNo(), 2); // Lookup does not move the lookup table
}

TEST(DataSetFilter, StateFilterReadsEmptyAsZeroAndSwitchesWhileOpen)
{
    auto t = Articles();
    t->Open();
    Add(*t, "A", "", 1); // Stato empty: reads 0
    Add(*t, "B", "", 1, 1);
    Add(*t, "C", "", 1, 3);
    Add(*t, "D", "x", 1, 2);
    t->SetFilter("Stato < 3 "); // trailing blank as the module writes it
    t->SetFiltered(true);
    EXPECT_EQ(Codes(*t), (QStringList{"A", "B", "D"}));
    EXPECT_EQ(t->RecordCount(), 3);
    t->SetFiltered(false);
    EXPECT_EQ(t->RecordCount(), 4);
    t->SetFilter("(Stato = 1 OR DsProdotto = 'x') AND NOT IdProdotto = 'B'");
    t->SetFiltered(true);
    EXPECT_EQ(Codes(*t), QStringList{"D"});
    t->SetFilter("IdProdotto IN ('A', 'C') AND Stato <> 3");
    EXPECT_EQ(Codes(*t), QStringList{"A"});
    EXPECT_THROW(t->SetFilter("Stato < "), EDatabaseError);
    EXPECT_THROW(t->SetFilter("Ignoto = 1"), EDatabaseError);
    EXPECT_EQ(Codes(*t), QStringList{"A"}); // a bad filter changes nothing
    // "up to" and "from" a value take the rows equal to it
    t->SetFilter("Stato <= 2");
    EXPECT_EQ(Codes(*t), (QStringList{"A", "B", "D"}));
    t->SetFilter("Stato >= 2 AND IdProdotto >= 'C'");
    EXPECT_EQ(Codes(*t), (QStringList{"C", "D"}));
    t->SetFilter("IdProdotto <= 'B' AND Prezzo >= 1 AND Prezzo <= 1");
    EXPECT_EQ(Codes(*t), (QStringList{"A", "B"}));
    t->SetFilter(QString());
    ASSERT_TRUE(t->Locate("IdProdotto", "D"));
    t->Edit();
    t->FieldByName("DataIns")->SetAsDateTime(QDateTime(QDate(2024, 4, 30), QTime(0, 0)));
    t->Post();
    t->SetFilter("DataIns >= '2024-04-30' AND DataIns <= '2024-04-30'");
    EXPECT_EQ(Codes(*t), QStringList{"D"});
    t->SetFilter("DsProdotto = 'x*' OR IdProdotto LIKE 'b%'");
    EXPECT_EQ(Codes(*t), (QStringList{"D"}));
    t->SetFilterOptions(foCaseInsensitive);
    EXPECT_EQ(Codes(*t), (QStringList{"B", "D"}));
    t->SetFilterOptions(0);
    t->SetFilter(QString());
    t->OnFilterRecord = [](TDataSet *d, bool &accept) { accept = d->FieldByName("Stato")->AsInteger() == 2; };
    t->SetFiltered(false);
    t->SetFiltered(true);
    EXPECT_EQ(Codes(*t), QStringList{"D"});
}

TEST(DataSetFilter, PostedRecordLeavesTheFilteredView)
{
    auto t = Articles();
    t->Open();
    Add(*t, "A", "", 1, 0);
    Add(*t, "B", "", 1, 0);
    Add(*t, "C", "", 1, 0);
    t->SetFilter("Stato < 3");
    t->SetFiltered(true);
    ASSERT_TRUE(t->Locate("IdProdotto", "B"));
    t->Edit();
    t->FieldByName("Stato")->SetAsInteger(3);
    t->Post();
    EXPECT_EQ(t->RecordCount(), 2);
    EXPECT_EQ(t->FieldByName("IdProdotto")->AsString(), "C"); // the next record becomes current
    t->SetFiltered(false);
    EXPECT_EQ(Codes(*t), (QStringList{"A", "B", "C"}));
}

TEST(DataSetLocate, ExactCaseSensitiveByDefaultAndAFailureLeavesTheCursor)
{
    auto t = Articles();
    t->Open();
    for (int i = 0; i < 60; ++i) // enough records for the keyed search
        Add(*t, QStringLiteral("P%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("Art %1").arg(i), i, i % 3);
    ASSERT_TRUE(t->Locate("IdProdotto", "P010"));
    EXPECT_EQ(t->RecNo(), 11);
    EXPECT_FALSE(t->Locate("IdProdotto", "p020"));
    EXPECT_EQ(t->RecNo(), 11);
    EXPECT_TRUE(t->Locate("IdProdotto", "p020", loCaseInsensitive));
    EXPECT_EQ(t->RecNo(), 21);
    EXPECT_TRUE(t->Locate("DsProdotto", "Art 5", loPartialKey));
    EXPECT_EQ(t->FieldByName("IdProdotto")->AsString(), "P005");
    EXPECT_TRUE(t->Locate("Stato;Prezzo", QVariantList{2, 41}));
    EXPECT_EQ(t->FieldByName("IdProdotto")->AsString(), "P041");
    EXPECT_FALSE(t->Locate("Stato;Prezzo", QVariantList{1, 41}));
    EXPECT_EQ(t->FieldByName("IdProdotto")->AsString(), "P041");
    EXPECT_TRUE(t->Locate("Prezzo", "7")); // a text value against a number field
    EXPECT_EQ(t->FieldByName("IdProdotto")->AsString(), "P007");
    EXPECT_FALSE(t->Locate("Prezzo", "not a number"));
    EXPECT_EQ(t->FieldByName("IdProdotto")->AsString(), "P007");
    EXPECT_THROW(t->Locate("Stato;Prezzo", 1), EDatabaseError);
    EXPECT_EQ(t->Lookup("IdProdotto", "P030", "DsProdotto").toString(), "Art 30");
    EXPECT_FALSE(t->Lookup("IdProdotto", "X", "DsProdotto").isValid());
    EXPECT_EQ(t->FieldByName("IdProdotto")->AsString(), "P007");
    // the index follows changes
    t->Edit();
    t->FieldByName("IdProdotto")->SetAsString("NUOVO");
    t->Post();
    EXPECT_FALSE(t->Locate("IdProdotto", "P007"));
    EXPECT_TRUE(t->Locate("IdProdotto", "NUOVO"));
    // appends and changes in place keep the keyed search right; the first match wins
    Add(*t, "P100", "", 100);
    EXPECT_TRUE(t->Locate("IdProdotto", "P100"));
    EXPECT_EQ(t->RecNo(), 61);
    ASSERT_TRUE(t->Locate("IdProdotto", "P010"));
    t->Edit();
    t->FieldByName("IdProdotto")->SetAsString("P011");
    t->Post();
    EXPECT_FALSE(t->Locate("IdProdotto", "P010"));
    EXPECT_TRUE(t->Locate("IdProdotto", "P011"));
    EXPECT_EQ(t->RecNo(), 11);
    EXPECT_EQ(t->FieldByName("Prezzo")->AsFloat(), 10.0);
    t->Delete();
    EXPECT_TRUE(t->Locate("IdProdotto", "P011"));
    EXPECT_EQ(t->FieldByName("Prezzo")->AsFloat(), 11.0);
}

// Deletes among many records, first, last and in between, with Locate between them: every
// record left is found where it stands, a deleted one no more; with a key held twice the
// first record left wins.
TEST(DataSetLocate, KeyedSearchFollowsDeletes)
{
    auto t = Articles();
    t->Open();
    for (int i = 0; i < 80; ++i)
        Add(*t, QStringLiteral("P%1").arg(i, 3, 10, QLatin1Char('0')), QString(), i, i % 4);
    QStringList left;
    for (int i = 0; i < 80; ++i)
        left << QStringLiteral("P%1").arg(i, 3, 10, QLatin1Char('0'));
    for (const char *gone : {"P000", "P079", "P040", "P041", "P010", "P078"}) {
        ASSERT_TRUE(t->Locate("IdProdotto", gone));
        t->Delete();
        left.removeOne(QLatin1String(gone));
        EXPECT_FALSE(t->Locate("IdProdotto", gone)) << gone;
        for (qsizetype i = 0; i < left.size(); i += 7) {
            ASSERT_TRUE(t->Locate("IdProdotto", left[i])) << left[i].toStdString();
            EXPECT_EQ(t->RecNo(), i + 1) << left[i].toStdString();
            EXPECT_EQ(t->FieldByName("Prezzo")->AsFloat(), left[i].mid(1).toDouble());
        }
    }
    // Stato repeats: the first record of each value, then the next one once it is deleted
    ASSERT_TRUE(t->Locate("Stato", 1));
    EXPECT_EQ(t->FieldByName("IdProdotto")->AsString(), "P001");
    t->Delete();
    ASSERT_TRUE(t->Locate("Stato", 1));
    EXPECT_EQ(t->FieldByName("IdProdotto")->AsString(), "P005");
    ASSERT_TRUE(t->Locate("Stato", 3));
    EXPECT_EQ(t->FieldByName("IdProdotto")->AsString(), "P003");
}

TEST(DataSetNavigation, BookmarksOrderAndUntouchedInserts)
{
    auto t = Articles();
    t->Open();
    Add(*t, "C", "", 3);
    Add(*t, "A", "", 1);
    Add(*t, "B", "", 2);
    ASSERT_TRUE(t->Locate("IdProdotto", "A"));
    const TBookmark b = t->GetBookmark();
    t->SetIndexFieldNames("IdProdotto");
    EXPECT_EQ(t->FieldByName("IdProdotto")->AsString(), "A"); // the current record stays
    EXPECT_EQ(Codes(*t), (QStringList{"A", "B", "C"}));
    Add(*t, "AB", "", 0); // placed in index order
    EXPECT_EQ(Codes(*t), (QStringList{"A", "AB", "B", "C"}));
    t->Last();
    t->GotoBookmark(b);
    EXPECT_EQ(t->FieldByName("IdProdotto")->AsString(), "A");

    // a new record left untouched is dropped when the user moves away
    t->Insert();
    t->Next();
    EXPECT_EQ(t->State(), dsBrowse);
    EXPECT_EQ(t->RecordCount(), 4);
    // a touched one is posted
    t->Insert();
    t->FieldByName("IdProdotto")->SetAsString("D");
    t->First();
    EXPECT_EQ(t->RecordCount(), 5);
    // Edit of an empty dataset inserts
    TXMemTable e;
    e.AddField("X", ftInteger);
    e.Open();
    e.Edit();
    EXPECT_EQ(e.State(), dsInsert);
    e.Delete(); // deleting the record being inserted cancels it
    EXPECT_EQ(e.State(), dsBrowse);
    EXPECT_THROW(e.Delete(), EDatabaseError);
}

TEST(DataSetMaster, DetailFollowsMasterAndNewRowsTakeItsKey)
{
    TXMemTable heads;
    heads.AddField("KContaT", ftInteger);
    heads.Open();
    for (int k : {1, 2}) {
        heads.Append();
        heads.FieldByName("KContaT")->SetAsInteger(k);
        heads.Post();
    }
    TDataSource dsHead;
    dsHead.SetDataSet(&heads);
    TXMemTable rows;
    rows.AddField("KContaT", ftInteger);
    rows.AddField("IdImballo", ftString, 3);
    rows.SetIndexFieldNames("KContaT;IdImballo");
    rows.Open();
    for (auto [k, i] : {std::pair{1, "X"}, std::pair{2, "Y"}, std::pair{1, "Z"}}) {
        rows.Append();
        rows.FieldByName("KContaT")->SetAsInteger(k);
        rows.FieldByName("IdImballo")->SetAsString(i);
        rows.Post();
    }
    rows.SetMasterFields("KContaT");
    rows.SetMasterSource(&dsHead);
    heads.First();
    EXPECT_EQ(rows.RecordCount(), 2);
    heads.Next();
    EXPECT_EQ(rows.RecordCount(), 1);
    rows.Append();
    EXPECT_EQ(rows.FieldByName("KContaT")->AsInteger(), 2);
    rows.FieldByName("IdImballo")->SetAsString("W");
    rows.Post();
    EXPECT_EQ(rows.RecordCount(), 2);
    // a master moving with controls disabled does not drag the detail until enabled again
    heads.DisableControls();
    heads.First();
    EXPECT_EQ(rows.RecordCount(), 2);
    EXPECT_EQ(rows.FieldByName("KContaT")->AsInteger(), 2);
    heads.EnableControls();
    EXPECT_EQ(rows.FieldByName("KContaT")->AsInteger(), 1);
    // unlinking at run time shows every row
    rows.SetMasterSource(nullptr);
    EXPECT_EQ(rows.RecordCount(), 4);
}

TEST(DataSource, RepointAutoEditListenersAndDisabledControls)
{
    auto a = Articles();
    auto b = Articles();
    a->Open();
    b->Open();
    Add(*a, "A", "", 1);
    Add(*b, "B", "", 1);
    Add(*b, "BB", "", 1);

    struct Listener : TDataLink {
        int changes = 0;
        int records = 0;
        int activeChanges = 0;
        int updates = 0;
        void DataSetChanged() override { ++changes; }
        void RecordChanged(TField *) override { ++records; }
        void ActiveChanged() override { ++activeChanges; }
        void UpdateData() override { ++updates; }
    } listener;
    TDataSource ds;
    int dataChanges = 0;
    ds.OnDataChange = [&](TDataSource *, TField *) { ++dataChanges; };
    listener.SetDataSource(&ds);
    ds.SetDataSet(a.get());
    EXPECT_TRUE(listener.Active());
    EXPECT_EQ(listener.DataSet(), a.get());
    ds.SetDataSet(b.get());
    EXPECT_EQ(listener.DataSet(), b.get());
    listener.changes = 0;
    b->First();
    b->Next();
    EXPECT_EQ(listener.changes, 2);
    b->DisableControls();
    EXPECT_TRUE(b->ControlsDisabled());
    b->First();
    b->Next();
    EXPECT_EQ(listener.changes, 2);
    b->EnableControls();
    EXPECT_EQ(listener.changes, 3);
    // typing into a control: the source puts the dataset into edit
    EXPECT_TRUE(listener.Edit());
    EXPECT_EQ(b->State(), dsEdit);
    b->FieldByName("DsProdotto")->SetAsString("x");
    EXPECT_EQ(listener.records, 2); // the edit, then the field
    b->Post();
    EXPECT_EQ(listener.updates, 1);
    ds.SetAutoEdit(false);
    EXPECT_FALSE(listener.Edit());
    ds.SetEnabled(false);
    EXPECT_FALSE(listener.Active());
    EXPECT_EQ(ds.State(), dsInactive);
    ds.SetEnabled(true);
    b.reset(); // a destroyed dataset leaves the source empty
    EXPECT_EQ(ds.DataSet(), nullptr);
    EXPECT_FALSE(listener.Active());
    EXPECT_GT(dataChanges, 0);
}

TEST(MemTable, KeepsItsRecordBetweenInstances)
{
    TXMemTable::ForgetKeptRecords();
    {
        TXMemTable pars;
        pars.SetTableName("LUMO_StaLisTra");
        pars.AddField("Da_IdListino", ftString, 3);
        pars.AddField("Anno", ftInteger);
        pars.Open();
        pars.Append();
        pars.FieldByName("Da_IdListino")->SetAsString("L'1");
        pars.FieldByName("Anno")->SetAsInteger(2024);
        pars.Post();
        pars.Edit();
        pars.FieldByName("Anno")->SetAsInteger(2025); // still being edited when the dialog goes
    }
    TXMemTable again;
    again.SetTableName("lumo_stalistra");
    again.AddField("Da_IdListino", ftString, 3);
    again.AddField("Anno", ftInteger);
    again.Open();
    ASSERT_EQ(again.RecordCount(), 1);
    EXPECT_EQ(again.FieldByName("Da_IdListino")->AsString(), "L'1");
    EXPECT_EQ(again.FieldByName("Anno")->AsInteger(), 2025);
    again.EmptyTable();
    EXPECT_TRUE(again.IsEmpty());
    TXMemTable unnamed;
    unnamed.AddField("X", ftInteger);
    unnamed.Open();
    EXPECT_TRUE(unnamed.IsEmpty());
}

TEST(DataSetFields, StoredValuesReadAsTheyWereWritten)
{
    auto t = Articles();
    t->AddField(QStringLiteral("Codice"), ftInteger);
    t->Open();
    Add(*t, "A", QString::fromUtf8("Caffè"), 2.5, 3);
    Add(*t, "B", QString::fromUtf8("Σίγμα €"), -0.125, -7);
    Add(*t, "", QString(), 0);
    t->First();
    EXPECT_EQ(t->FieldByName("DsProdotto")->AsString(), QString::fromUtf8("Caffè"));
    EXPECT_EQ(t->FieldByName("Prezzo")->AsFloat(), 2.5);
    EXPECT_EQ(t->FieldByName("Stato")->AsInteger(), 3);
    EXPECT_EQ(t->FieldByName("Stato")->AsFloat(), 3.0);  // an integer read as a number
    EXPECT_EQ(t->FieldByName("Codice")->AsInteger(), 0); // never set
    EXPECT_EQ(t->FieldByName("Codice")->AsString(), "");
    t->Next();
    EXPECT_EQ(t->FieldByName("DsProdotto")->AsString(), QString::fromUtf8("Σίγμα €"));
    EXPECT_EQ(t->FieldByName("Prezzo")->AsFloat(), -0.125);
    EXPECT_EQ(t->FieldByName("Stato")->AsLargeInt(), -7);
    t->Next();
    EXPECT_EQ(t->FieldByName("IdProdotto")->AsString(), "");
    EXPECT_EQ(t->FieldByName("DsProdotto")->AsString(), "");
    EXPECT_FALSE(t->FieldByName("DsProdotto")->AsString().isNull());
    EXPECT_EQ(t->FieldByName("Stato")->AsLargeInt(), 0);
    // in edit the value set is read, and a validation sees the value being set
    t->First();
    t->Edit();
    t->FieldByName("Prezzo")->SetAsFloat(9);
    EXPECT_EQ(t->FieldByName("Prezzo")->AsFloat(), 9.0);
    EXPECT_EQ(t->FieldByName("Prezzo")->OldValue().toDouble(), 2.5);
    t->Cancel();
    EXPECT_EQ(t->FieldByName("Prezzo")->AsFloat(), 2.5);
    double seen = 0;
    t->FieldByName("Stato")->OnValidate = [&](TField *f) { seen = f->AsFloat(); };
    t->Edit();
    t->FieldByName("Stato")->SetAsInteger(12);
    EXPECT_EQ(seen, 12.0);
    t->Post();
    EXPECT_EQ(t->FieldByName("Stato")->AsInteger(), 12);
    t->Close();
    EXPECT_EQ(t->FieldByName("Prezzo")->AsFloat(), 0.0); // a closed dataset reads empty
    EXPECT_EQ(t->FieldByName("DsProdotto")->AsString(), "");
}

TEST(DataSetFields, FieldChangesReachSourcesOnlyWhileControlsAreEnabled)
{
    auto t = Articles();
    t->Open();
    TDataSource ds;
    QStringList changed;
    ds.OnDataChange = [&](TDataSource *, TField *f) { changed << (f ? f->FieldName() : QStringLiteral("-")); };
    ds.SetDataSet(t.get());
    t->Append();
    changed.clear();
    t->FieldByName("IdProdotto")->SetAsString("ABCDEFGHIJK");
    t->FieldByName("Prezzo")->SetValue(4);
    EXPECT_EQ(changed, QStringList({"IdProdotto", "Prezzo"}));
    t->DisableControls();
    t->FieldByName("Stato")->SetAsInteger(1);
    EXPECT_EQ(changed.size(), 2);
    t->EnableControls();
    t->Post();
    EXPECT_EQ(t->FieldByName("IdProdotto")->AsString(), "ABCDEFGH");
    ds.SetDataSet(nullptr);
    changed.clear();
    t->Edit();
    t->FieldByName("Stato")->SetAsInteger(2); // no source: nothing to tell
    t->Post();
    EXPECT_TRUE(changed.isEmpty());
    EXPECT_EQ(t->FieldByName("Stato")->AsInteger(), 2);
}

// The records of a dataset through a long mixed run of appends, inserts, edits, deletes,
// order and filter changes: Locate, the record count and the order always agree with what
// a plain scan of the records shows. Also Locate through many deletes between inserts,
// appends and key changes, each key held once, against the positions the rows have; and what
// a keyed search costs while records are inserted among the others.
#include "host/data/TXMemTable.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct Row {
    QString code;
    int group;
};

QList<Row> Scan(TDataSet &t)
{
    QList<Row> rows;
    for (t.First(); !t.Eof(); t.Next())
        rows.append({t.FieldByName("Codice")->AsString(), t.FieldByName("Gruppo")->AsInteger()});
    return rows;
}

QString Code(std::mt19937 &rng)
{
    return QStringLiteral("K%1").arg(int(rng() % 40), 2, 10, QLatin1Char('0'));
}

TEST(RecordStore, LocateCountAndOrderAgreeWithAScanThroughAMixedRun)
{
    TXMemTable t;
    t.AddField("Codice", ftString, 6);
    t.AddField("Gruppo", ftInteger);
    t.Open();
    std::mt19937 rng(20240611);
    for (int step = 0; step < 700; ++step) {
        const unsigned op = rng() % 8;
        if (op <= 2 || t.IsEmpty()) {
            op == 1 ? t.Insert() : t.Append();
            t.FieldByName("Codice")->SetAsString(Code(rng));
            t.FieldByName("Gruppo")->SetAsInteger(int(rng() % 4));
            t.Post();
        } else if (op <= 4) {
            t.SetRecNo(1 + int(rng() % unsigned(t.RecordCount())));
            t.Edit();
            if (rng() % 2)
                t.FieldByName("Codice")->SetAsString(Code(rng));
            else
                t.FieldByName("Gruppo")->SetAsInteger(int(rng() % 4));
            t.Post();
        } else if (op == 5) {
            t.SetRecNo(1 + int(rng() % unsigned(t.RecordCount())));
            t.Delete();
        }
        if (step % 90 == 45)
            t.SetIndexFieldNames(t.IndexFieldNames().isEmpty() ? QStringLiteral("Codice;Gruppo") : QString());
        if (step % 120 == 60) {
            t.SetFilter(QStringLiteral("Gruppo <> 1"));
            t.SetFiltered(!t.Filtered());
        }

        const QList<Row> rows = Scan(t);
        ASSERT_EQ(t.RecordCount(), rows.size()) << "step " << step;
        for (int i = 1; i < rows.size() && !t.IndexFieldNames().isEmpty(); ++i)
            ASSERT_LE(rows[i - 1].code, rows[i].code) << "step " << step;
        for (const Row &r : rows)
            ASSERT_FALSE(t.Filtered() && r.group == 1) << "step " << step;
        const QString sought = Code(rng);
        const int group = int(rng() % 4);
        int first = -1, firstPair = -1;
        for (int i = rows.size() - 1; i >= 0; --i) {
            if (rows[i].code == sought)
                first = i;
            if (rows[i].code == sought && rows[i].group == group)
                firstPair = i;
        }
        ASSERT_EQ(t.Locate("Codice", sought), first >= 0) << "step " << step << ' ' << sought.toStdString();
        if (first >= 0) {
            ASSERT_EQ(t.RecNo(), first + 1) << "step " << step;
        }
        ASSERT_EQ(t.Locate("Gruppo;Codice", QVariantList{group, sought}), firstPair >= 0) << "step " << step;
        if (firstPair >= 0) {
            ASSERT_EQ(t.RecNo(), firstPair + 1) << "step " << step;
        }
    }
}

TEST(LocateAfterDeletes, FindsEachRowWhereItIsThroughDeletesInsertsAppendsAndKeyChanges)
{
    TXMemTable t;
    t.AddField("Codice", ftInteger);
    t.AddField("Gruppo", ftInteger);
    t.Open();
    QList<int> codes; // the rows in view order
    int next = 0;
    auto append = [&] {
        t.Append();
        t.FieldByName("Codice")->SetAsInteger(next);
        t.FieldByName("Gruppo")->SetAsInteger(next % 3);
        t.Post();
        codes << next++;
    };
    for (int i = 0; i < 4000; ++i)
        append();
    auto check = [&](int code, int step) {
        const int at = int(codes.indexOf(code));
        ASSERT_EQ(t.Locate("Codice", code), at >= 0) << "step " << step << " code " << code;
        if (at >= 0) {
            ASSERT_EQ(t.RecNo(), at + 1) << "step " << step << " code " << code;
        }
        ASSERT_EQ(t.Locate("Gruppo;Codice", QVariantList{code % 3, code}), at >= 0) << "step " << step;
        if (at >= 0) {
            ASSERT_EQ(t.RecNo(), at + 1) << "step " << step << " code " << code;
        }
    };
    std::mt19937 rng(20261209);
    // more deletes and inserts than an index keeps apart before it rewrites its positions
    for (int step = 0; step < 4000; ++step) {
        const unsigned op = rng() % 10;
        const int row = int(rng() % unsigned(codes.size()));
        if (op < 5) {
            t.SetRecNo(row + 1);
            t.Delete();
            codes.removeAt(row);
        } else if (op < 6) {
            // before the current record, as a user inserts
            t.SetRecNo(row + 1);
            t.Insert();
            t.FieldByName("Codice")->SetAsInteger(next);
            t.FieldByName("Gruppo")->SetAsInteger(next % 3);
            t.Post();
            codes.insert(row, next++);
        } else if (op < 8) {
            append();
        } else {
            t.SetRecNo(row + 1);
            t.Edit();
            t.FieldByName("Codice")->SetAsInteger(next);
            t.FieldByName("Gruppo")->SetAsInteger(next % 3);
            t.Post();
            codes[row] = next++;
        }
        check(codes[int(rng() % unsigned(codes.size()))], step);
        check(int(rng() % unsigned(next)), step);
        if (step % 1000 == 999)
            for (int code : std::as_const(codes))
                check(code, step);
    }
}

// Each key sought, then inserted where the cursor stands when missing (a batch filling the
// records it lacks): the index takes every insert, each record's key worked out a few times
// in all, not once per search.
TEST(LocateAfterDeletes, InsertsAmongTheRecordsKeepTheIndex)
{
    TXMemTable t;
    t.AddField("Codice", ftInteger);
    t.AddCalcField("Chiave", ftInteger);
    int calcoli = 0;
    t.OnCalcFields = [&](TDataSet *d) {
        ++calcoli;
        d->FieldByName("Chiave")->SetAsInteger(d->FieldByName("Codice")->AsInteger() * 2);
    };
    t.Open();
    constexpr int kRecords = 600;
    for (int i = 0; i < kRecords; ++i) {
        const int code = (i * 7919) % kRecords;
        ASSERT_FALSE(t.Locate("Chiave", code * 2));
        t.Insert();
        t.FieldByName("Codice")->SetAsInteger(code);
        t.Post();
        ASSERT_TRUE(t.Locate("Chiave", code * 2));
        EXPECT_EQ(t.FieldByName("Codice")->AsInteger(), code);
    }
    EXPECT_LT(calcoli, 10 * kRecords);
    for (int code = 0; code < kRecords; code += 37) {
        ASSERT_TRUE(t.Locate("Chiave", code * 2));
        EXPECT_EQ(t.FieldByName("Codice")->AsInteger(), code);
    }
}

} // namespace

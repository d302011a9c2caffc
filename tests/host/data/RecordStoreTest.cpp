// The records of a dataset through a long mixed run of appends, inserts, edits, deletes,
// order and filter changes: Locate, the record count and the order always agree with what
// a plain scan of the records shows.
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

} // namespace

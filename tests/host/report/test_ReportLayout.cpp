// Layout files: the host base layout, inheritance, and clear errors for bad files.
#include "host/core/Errors.h"
#include "host/report/ReportLayout.h"
#include "tests/host/core/Printers.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

std::unique_ptr<ReportLayout> Parse(const char *json)
{
    return ReportLayout::FromJson(QByteArray(json), QStringLiteral("prova"));
}

QString ErrorOf(const char *json)
{
    try {
        Parse(json);
    } catch (const Exception &e) {
        return e.Message;
    }
    return QString();
}

TEST(ReportLayout, HostBaseLayoutIsCompiledIn)
{
    const QString path = ReportLayout::Find(QStringLiteral("KV8Standard"));
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(path.startsWith(QStringLiteral(":/layouts/host/")));
    EXPECT_EQ(ReportLayout::Find(QStringLiteral("kv8standard")), path); // any letter case
    EXPECT_TRUE(ReportLayout::Find(QStringLiteral("NoSuchLayout")).isEmpty());

    const auto base = ReportLayout::Load(QStringLiteral("KV8Standard"));
    ASSERT_TRUE(base->PageHeader && base->PageFooter);
    for (const char *name : {"ppDitta", "ppData", "ppTitolo", "ppPagina", "ppDataPiede", "ppDittaPiede",
                             "ppPaginaPiede", "ppPagineTotali"})
        EXPECT_NE(base->Item(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_DOUBLE_EQ(base->BandWidth(), 190);
}

TEST(ReportLayout, DerivedLayoutInheritsAndOverrides)
{
    const auto layout = Parse(R"({
        "name": "Figlio", "base": "KV8Standard", "title": "Elenco",
        "page": { "orientation": "landscape" },
        "bands": { "detail": { "height": 5, "items": [ { "type": "field", "name": "fdCod", "field": "Codice", "x": 0, "w": 20, "h": 5 } ] },
                   "pageFooter": { "height": 4, "visible": false } } })");
    EXPECT_EQ(layout->Name, QStringLiteral("Figlio"));
    EXPECT_EQ(layout->Title, QStringLiteral("Elenco"));
    EXPECT_TRUE(layout->Landscape);
    EXPECT_EQ(layout->PrintedPageSize().toSize(), QSize(297, 210));
    EXPECT_DOUBLE_EQ(layout->BandWidth(), 277);
    ASSERT_TRUE(layout->PageHeader);
    EXPECT_NE(layout->Item(QStringLiteral("ppTitolo")), nullptr); // from the base
    ASSERT_TRUE(layout->PageFooter);
    EXPECT_FALSE(layout->PageFooter->Visible); // replaced
    EXPECT_EQ(layout->Item(QStringLiteral("ppPaginaPiede")), nullptr);
    EXPECT_EQ(layout->Band(QStringLiteral("DETAIL")), layout->Detail.get());
    EXPECT_EQ(layout->Item(QStringLiteral("fdcod"))->FieldName, QStringLiteral("Codice"));
}

TEST(ReportLayout, ReadsEveryPart)
{
    const auto layout = Parse(R"({
        "name": "Tutto", "dataset": "qTeste", "font": { "size": 7 },
        "page": { "size": [100, 150], "margins": [5, 6, 7, 8] },
        "queries": { "qTeste": ["SELECT *", "FROM T {WHERE XWHERE}"] },
        "groups": [ { "name": "g1", "field": "A", "newPage": true, "keepTogether": true,
                      "header": { "height": 3 }, "footer": { "height": 4 } } ],
        "bands": {
          "title": { "height": 10, "items": [ { "type": "label", "name": "lbT", "text": "T", "x": 1, "y": 2, "w": 3, "h": 4, "font": { "bold": true } } ] },
          "detail": { "height": 5, "subreports": [ { "name": "sr", "dataset": "qRighe", "visible": false,
                        "params": { "Chiave": "IdTesta" }, "detail": { "height": 4 } } ] },
          "summary": { "height": 6, "newPage": true } },
        "text": { "pageLength": 20, "heading": ["H {#page,3}"], "sections": { "1": ["a", "b"], "2": "c" }, "tail": ["z"] } })");
    EXPECT_EQ(layout->DataSet, QStringLiteral("qTeste"));
    EXPECT_EQ(layout->PageSize, QSizeF(100, 150));
    EXPECT_EQ(layout->Margins, QMarginsF(5, 6, 7, 8));
    EXPECT_EQ(layout->Query(QStringLiteral("QTESTE")), QStringLiteral("SELECT *\nFROM T {WHERE XWHERE}"));
    ASSERT_EQ(layout->Groups.size(), 1u);
    EXPECT_TRUE(layout->Groups[0]->NewPage && layout->Groups[0]->KeepTogether);
    EXPECT_EQ(layout->Groups[0]->Header->Name, QStringLiteral("g1Header"));
    const ReportItem *label = layout->Item(QStringLiteral("lbT"));
    EXPECT_TRUE(label->Font.Bold);
    EXPECT_DOUBLE_EQ(label->Font.Size, 7); // inherited from the layout
    ReportSubReport *sub = layout->SubReport(QStringLiteral("sr"));
    ASSERT_NE(sub, nullptr);
    EXPECT_FALSE(sub->Visible);
    EXPECT_EQ(sub->Params.value(0), qMakePair(QStringLiteral("Chiave"), QStringLiteral("IdTesta")));
    EXPECT_TRUE(layout->Summary->NewPage);
    EXPECT_EQ(layout->Text.PageLength, 20);
    EXPECT_EQ(layout->Text.Sections.value(1), (QStringList{"a", "b"}));
    EXPECT_EQ(layout->Text.Sections.value(2), QStringList{"c"});
    EXPECT_EQ(layout->Text.Tail, QStringList{"z"});
}

TEST(ReportLayout, BadFilesAreRefusedWithTheirReason)
{
    EXPECT_TRUE(ErrorOf("{ \"name\": ").contains(QStringLiteral("JSON non valido")));
    EXPECT_TRUE(ErrorOf(R"({ "bands": { "detial": {} } })").contains(QStringLiteral("\"detial\"")));
    EXPECT_TRUE(ErrorOf(R"({ "bands": { "detail": { "items": [ { "type": "lable" } ] } } })")
                    .contains(QStringLiteral("\"lable\"")));
    EXPECT_TRUE(ErrorOf(R"({ "bands": { "detail": { "items": [ { "type": "field", "name": "f" } ] } } })")
                    .contains(QStringLiteral("campo")));
    EXPECT_TRUE(ErrorOf(R"({ "bands": { "detail": { "items": [ { "type": "label", "x": "uno" } ] } } })")
                    .contains(QStringLiteral("\"x\"")));
    EXPECT_TRUE(ErrorOf(R"({ "groups": [ {"field":"a"}, {"field":"b"}, {"field":"c"}, {"field":"d"} ] })")
                    .contains(QStringLiteral("tre gruppi")));
    EXPECT_TRUE(ErrorOf(R"({ "bands": { "title": { "name": "x" }, "detail": { "name": "x" } } })")
                    .contains(QStringLiteral("più volte")));
    EXPECT_TRUE(ErrorOf(R"({ "base": "Inesistente" })").contains(QStringLiteral("Inesistente")));
    EXPECT_TRUE(ErrorOf(R"({ "page": { "size": "B7" } })").contains(QStringLiteral("B7")));
    EXPECT_TRUE(ErrorOf(R"({ "bands": { "detail": { "items": [ { "type": "system", "value": "ora" } ] } } })")
                    .contains(QStringLiteral("ora")));
    EXPECT_TRUE(
        ErrorOf(R"({ "text": { "pageLength": 1, "heading": ["a", "b"] } })").contains(QStringLiteral("intestazione")));
    EXPECT_THROW(ReportLayout::Load(QStringLiteral("NoSuchLayout")), Exception);
}

TEST(ReportLayout, LoadsFromAFileAndFindsItsBaseInResources)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Stampa.rpt.json"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({ "base": "KV8Standard", "bands": { "detail": { "height": 4 } } })");
    file.close();
    const auto layout = ReportLayout::Load(path);
    EXPECT_EQ(layout->Name, QStringLiteral("Stampa")); // from the file name
    EXPECT_TRUE(layout->PageHeader && layout->Detail);
}

} // namespace

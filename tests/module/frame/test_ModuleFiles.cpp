// The module library hands the host the files of its field dictionary and of its part of the
// demo company.
#include "host/db/Dictionary.h"
#include "host/db/ModuleData.h"
#include "host/ui/ModuleAbi.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

QStringList Listed(const char16_t *kind)
{
    return QString::fromUtf16(ModuleFiles(kind)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QByteArray Content(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(ModuleFiles, TheLibraryListsEveryFileOfItsDictionaryAndDemo)
{
    const struct {
        const char16_t *kind;
        const char *folder;
    } kinds[] = {{u"dictionary", "dictionary"}, {u"demo", "demo"}};
    for (const auto &k : kinds) {
        SCOPED_TRACE(k.folder);
        const QStringList files = Listed(k.kind);
        const QStringList sources = Dictionary::JsonFiles(QStringLiteral(KV8_SOURCE_DIR "/") + QLatin1String(k.folder));
        ASSERT_FALSE(sources.isEmpty());
        ASSERT_EQ(files.size(), sources.size()) << files.join(u' ').toStdString();
        for (qsizetype i = 0; i < files.size(); ++i) {
            EXPECT_TRUE(files[i].startsWith(QStringLiteral(":/dusaria/"))) << files[i].toStdString();
            EXPECT_EQ(QFileInfo(files[i]).fileName(), QFileInfo(sources[i]).fileName());
            EXPECT_EQ(Content(files[i]), Content(sources[i])) << files[i].toStdString();
        }
    }
    EXPECT_TRUE(Listed(u"layouts").isEmpty());
    EXPECT_TRUE(Listed(nullptr).isEmpty());
}

TEST(ModuleFiles, TheHostsDictionaryTakesThemFromTheExport)
{
    ModuleData::Use(&ModuleFiles);
    const DictTable *cards = Dictionary::Instance().Table(QStringLiteral("LUMO_ProgCauz"));
    ASSERT_NE(cards, nullptr);
    EXPECT_TRUE(cards->origin.startsWith(QStringLiteral(":/dusaria/dictionary/"))) << cards->origin.toStdString();
    const DictTable *articles = Dictionary::Instance().Table(QStringLiteral("Articoli"));
    ASSERT_NE(articles, nullptr);
    EXPECT_TRUE(articles->origin.startsWith(QStringLiteral(":/host/dictionary/")));
    ASSERT_NE(articles->Column(QStringLiteral("UT_LMQ_FlGesSian")), nullptr);
    EXPECT_EQ(ModuleData::DemoFiles(), Listed(u"demo"));
}

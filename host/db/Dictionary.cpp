#include "host/db/Dictionary.h"

#include "host/core/Errors.h"
#include "host/core/KFormati.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QSet>

#include <atomic>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>

namespace {

// A fault in one file, optionally in one table; rethrown with both named.
struct Fault {
    QString message;
};

[[noreturn]] void Fail(const QString &message)
{
    throw Fault{message};
}

bool IsIdentifier(const QString &name)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return re.match(name).hasMatch();
}

void CheckKeys(const QJsonObject &object, const QStringList &allowed, const QString &what)
{
    for (auto it = object.begin(); it != object.end(); ++it)
        if (!allowed.contains(it.key()))
            Fail(QStringLiteral("unknown key \"%1\" in %2").arg(it.key(), what));
}

QString StringMember(const QJsonObject &object, const QString &key, const QString &what)
{
    const QJsonValue v = object.value(key);
    if (v.isUndefined())
        return QString();
    if (!v.isString())
        Fail(QStringLiteral("\"%1\" of %2 must be a text").arg(key, what));
    return v.toString();
}

bool BoolMember(const QJsonObject &object, const QString &key, const QString &what)
{
    const QJsonValue v = object.value(key);
    if (v.isUndefined())
        return false;
    if (!v.isBool())
        Fail(QStringLiteral("\"%1\" of %2 must be true or false").arg(key, what));
    return v.toBool();
}

QJsonArray ArrayMember(const QJsonObject &object, const QString &key, const QString &what)
{
    const QJsonValue v = object.value(key);
    if (v.isUndefined())
        return QJsonArray();
    if (!v.isArray())
        Fail(QStringLiteral("\"%1\" of %2 must be a list").arg(key, what));
    return v.toArray();
}

// A JSON value as a value of the column's type; what names it in messages.
QVariant TypedValue(const QJsonValue &v, FieldType type, const QString &what)
{
    switch (type) {
    case FieldType::String:
    case FieldType::Memo:
        if (!v.isString())
            Fail(QStringLiteral("%1 must be a text").arg(what));
        return v.toString();
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::AutoInc: {
        if (v.isBool())
            return v.toBool() ? 1 : 0;
        if (!v.isDouble())
            Fail(QStringLiteral("%1 must be a whole number").arg(what));
        const double d = v.toDouble();
        const double limit = type == FieldType::SmallInt ? 32767.0 : 2147483647.0;
        if (d != std::floor(d) || d > limit || d < -limit - 1)
            Fail(QStringLiteral("%1 must be a whole number in range").arg(what));
        return static_cast<int>(d);
    }
    case FieldType::Float:
        if (v.isBool())
            return v.toBool() ? 1.0 : 0.0;
        if (!v.isDouble())
            Fail(QStringLiteral("%1 must be a number").arg(what));
        return v.toDouble();
    case FieldType::DateTime: {
        if (v.isString()) {
            const QString text = v.toString();
            QDateTime dt = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
            if (!dt.isValid()) {
                const QDate d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
                if (d.isValid())
                    dt = QDateTime(d, QTime(0, 0));
            }
            if (dt.isValid())
                return dt;
        }
        Fail(QStringLiteral("%1 must be a date \"yyyy-MM-dd\"").arg(what));
    }
    }
    Fail(QStringLiteral("%1 has an unknown type").arg(what));
}

// The number kind a column's "kind" names; fnNessuno for a name that is none.
KFormati::TFormatoNumero NumberKindOf(const QString &name)
{
    static const QHash<QString, KFormati::TFormatoNumero> kinds{
        {QStringLiteral("integer"), KFormati::fnIntero},
        {QStringLiteral("quantity"), KFormati::fnQuantita},
        {QStringLiteral("quantity2"), KFormati::fnQuantita2},
        {QStringLiteral("price"), KFormati::fnPrezzoES},
        {QStringLiteral("value"), KFormati::fnValoreES},
        {QStringLiteral("nationalPrice"), KFormati::fnPrezzoIT},
        {QStringLiteral("nationalValue"), KFormati::fnValoreIT},
        {QStringLiteral("percentage"), KFormati::fnPercentuale}};
    return kinds.value(name, KFormati::fnNessuno);
}

DictColumn ParseColumn(const QJsonValue &value, const QString &origin)
{
    if (!value.isObject())
        Fail(QStringLiteral("a column must be an object"));
    const QJsonObject o = value.toObject();
    DictColumn c;
    c.origin = origin;
    c.name = StringMember(o, QStringLiteral("name"), QStringLiteral("a column"));
    if (!IsIdentifier(c.name))
        Fail(c.name.isEmpty() ? QStringLiteral("a column has no name")
                              : QStringLiteral("column name \"%1\" is not a plain identifier").arg(c.name));
    const QString what = QStringLiteral("column ") + c.name;
    CheckKeys(o,
              {QStringLiteral("name"), QStringLiteral("type"), QStringLiteral("label"), QStringLiteral("default"),
               QStringLiteral("displayFormat"), QStringLiteral("editFormat"), QStringLiteral("items"),
               QStringLiteral("autokey"), QStringLiteral("required"), QStringLiteral("null"), QStringLiteral("kind")},
              what);

    const QString typeText = StringMember(o, QStringLiteral("type"), what);
    try {
        c.type = Dictionary::ParseType(typeText, &c.size);
    } catch (const Exception &e) {
        Fail(what + QStringLiteral(": ") + e.Message);
    }
    c.label = StringMember(o, QStringLiteral("label"), what);
    c.displayFormat = StringMember(o, QStringLiteral("displayFormat"), what);
    c.editFormat = StringMember(o, QStringLiteral("editFormat"), what);
    c.autokey = BoolMember(o, QStringLiteral("autokey"), what);
    c.required = BoolMember(o, QStringLiteral("required"), what);
    c.nullable = BoolMember(o, QStringLiteral("null"), what) || c.type == FieldType::DateTime;
    const QString kind = StringMember(o, QStringLiteral("kind"), what);
    if (kind == QLatin1String("flag")) {
        if (c.type != FieldType::SmallInt && c.type != FieldType::Integer)
            Fail(what + QStringLiteral(": only an integer column can be a flag"));
        c.flag = true;
    } else if (!kind.isEmpty()) {
        c.numberKind = NumberKindOf(kind);
        if (c.numberKind == KFormati::fnNessuno)
            Fail(what + QStringLiteral(": unknown kind \"%1\"").arg(kind));
        if (c.type == FieldType::String || c.type == FieldType::DateTime || c.type == FieldType::Memo)
            Fail(what + QStringLiteral(": only a number column has a number kind"));
    }

    if (c.autokey && c.type != FieldType::Integer && c.type != FieldType::SmallInt)
        Fail(what + QStringLiteral(": only an integer column can be an autokey"));
    if (c.type == FieldType::AutoInc && c.nullable)
        Fail(what + QStringLiteral(": an autoinc column cannot be null"));

    const QJsonValue def = o.value(QStringLiteral("default"));
    if (!def.isUndefined() && !def.isNull()) {
        if (c.type == FieldType::AutoInc)
            Fail(what + QStringLiteral(": an autoinc column takes no default"));
        c.defaultValue = TypedValue(def, c.type, what + QStringLiteral(": the default"));
        if (c.type == FieldType::String && c.defaultValue.toString().size() > c.size)
            Fail(what + QStringLiteral(": the default is longer than the column"));
    } else if (def.isNull() && !c.nullable) {
        Fail(what + QStringLiteral(": a null default needs \"null\": true"));
    }

    const QJsonArray items = ArrayMember(o, QStringLiteral("items"), what);
    for (const auto &item : items) {
        const QJsonArray pair = item.toArray();
        if (!item.isArray() || pair.size() != 2 || !pair.at(1).isString())
            Fail(what + QStringLiteral(": each item must be a pair [value, \"text\"]"));
        c.items.append(
            DictItem{TypedValue(pair.at(0), c.type, what + QStringLiteral(": an item value")), pair.at(1).toString()});
    }
    return c;
}

void AddColumn(DictTable &table, DictColumn column)
{
    if (table.Column(column.name))
        Fail(QStringLiteral("duplicate column %1").arg(column.name));
    table.columns.append(std::move(column));
}

// A list of column names, checked against the table and spelled as the table spells them.
QStringList ColumnList(const DictTable &table, const QJsonValue &value, const QString &what)
{
    if (!value.isArray())
        Fail(QStringLiteral("%1 must be a list of column names").arg(what));
    QStringList names;
    QSet<QString> seen;
    for (const auto &v : value.toArray()) {
        if (!v.isString())
            Fail(QStringLiteral("%1 must be a list of column names").arg(what));
        const DictColumn *c = table.Column(v.toString());
        if (!c)
            Fail(QStringLiteral("%1 names the missing column %2").arg(what, v.toString()));
        if (seen.contains(c->name.toLower()))
            Fail(QStringLiteral("%1 names column %2 twice").arg(what, c->name));
        seen.insert(c->name.toLower());
        names.append(c->name);
    }
    if (names.isEmpty())
        Fail(QStringLiteral("%1 names no column").arg(what));
    return names;
}

QList<QStringList> IndexLists(const DictTable &table, const QJsonObject &o, const QString &key)
{
    QList<QStringList> lists;
    const QJsonArray array = ArrayMember(o, key, QStringLiteral("the table"));
    for (qsizetype i = 0; i < array.size(); ++i)
        lists.append(ColumnList(table, array.at(i), QStringLiteral("%1 index %2").arg(key).arg(i + 1)));
    return lists;
}

QJsonObject ReadFile(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        Fail(QStringLiteral("cannot be read (%1)").arg(f.errorString()));
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &error);
    if (error.error != QJsonParseError::NoError)
        Fail(QStringLiteral("bad JSON at offset %1: %2").arg(error.offset).arg(error.errorString()));
    if (!doc.isObject())
        Fail(QStringLiteral("bad JSON: the file must hold an object"));
    QJsonObject root = doc.object();
    CheckKeys(root, {QStringLiteral("tables"), QStringLiteral("columns")}, QStringLiteral("the file"));
    return root;
}

struct Extension {
    QString file;
    QString table;
    QJsonArray columns;
};

} // namespace

const DictColumn *DictTable::Column(const QString &column) const
{
    if (indexed_ == columns.size()) {
        qsizetype at = bySpelling_.value(column, -1);
        if (at < 0)
            at = byFolded_.value(column.toCaseFolded(), -1);
        return at < 0 ? nullptr : &columns[at];
    }
    // while the dictionary is being read
    for (const DictColumn &c : columns)
        if (c.name.compare(column, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

void DictTable::Index()
{
    bySpelling_.clear();
    byFolded_.clear();
    bySpelling_.reserve(columns.size());
    byFolded_.reserve(columns.size());
    for (qsizetype i = 0; i < columns.size(); ++i) {
        bySpelling_.insert(columns[i].name, i);
        byFolded_.insert(columns[i].name.toCaseFolded(), i); // names are unique without regard to case
    }
    indexed_ = columns.size();
}

namespace {

// The program's dictionary and the module files it was made with. The dictionaries made
// before stay: references to them are held across the program.
struct ProgramDictionary {
    std::mutex mutex;
    std::atomic<const Dictionary *> current{nullptr};
    std::vector<std::unique_ptr<const Dictionary>> made;
    QStringList moduleFiles;
};

ProgramDictionary &Program()
{
    static ProgramDictionary program;
    return program;
}

// Makes the dictionary of the host's files and the module's; the caller holds the mutex.
void Make(ProgramDictionary &program, const QStringList &moduleFiles)
{
    auto made = std::make_unique<const Dictionary>(
        Dictionary::Load(Dictionary::JsonFiles(QStringLiteral(":/host/dictionary")) + moduleFiles));
    program.moduleFiles = moduleFiles;
    program.current.store(made.get(), std::memory_order_release);
    program.made.push_back(std::move(made));
}

} // namespace

const Dictionary &Dictionary::Instance()
{
    ProgramDictionary &program = Program();
    if (const Dictionary *d = program.current.load(std::memory_order_acquire))
        return *d;
    const std::lock_guard lock(program.mutex);
    if (!program.current.load(std::memory_order_relaxed))
        Make(program, program.moduleFiles);
    return *program.current.load(std::memory_order_relaxed);
}

void Dictionary::UseModuleFiles(const QStringList &files)
{
    ProgramDictionary &program = Program();
    const std::lock_guard lock(program.mutex);
    if (program.current.load(std::memory_order_relaxed) && files == program.moduleFiles)
        return;
    Make(program, files);
}

QStringList Dictionary::JsonFiles(const QString &folder)
{
    const QDir dir(folder);
    QStringList files;
    for (const QString &name : dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name))
        files.append(dir.filePath(name));
    return files;
}

Dictionary Dictionary::Load(const QStringList &files)
{
    std::map<QString, DictTable> tables; // keys lower case
    QList<Extension> extensions;
    QString file;
    QString table;
    const auto raise = [&](const QString &message) -> Exception {
        QString text = QStringLiteral("Dictionary file %1").arg(file);
        if (!table.isEmpty())
            text += QStringLiteral(", table %1").arg(table);
        return Exception(text + QStringLiteral(": ") + message);
    };

    try {
        for (const QString &f : files) {
            file = f;
            table.clear();
            const QJsonObject root = ReadFile(file);

            for (const auto &tv : ArrayMember(root, QStringLiteral("tables"), QStringLiteral("the file"))) {
                table.clear();
                if (!tv.isObject())
                    Fail(QStringLiteral("a table must be an object"));
                const QJsonObject o = tv.toObject();
                DictTable t;
                t.origin = file;
                t.name = StringMember(o, QStringLiteral("name"), QStringLiteral("a table"));
                table = t.name;
                if (!IsIdentifier(t.name))
                    Fail(t.name.isEmpty() ? QStringLiteral("a table has no name")
                                          : QStringLiteral("the name is not a plain identifier"));
                CheckKeys(o,
                          {QStringLiteral("name"), QStringLiteral("database"), QStringLiteral("label"),
                           QStringLiteral("columns"), QStringLiteral("primaryKey"), QStringLiteral("unique"),
                           QStringLiteral("indexes")},
                          QStringLiteral("the table"));
                const auto same = tables.find(t.name.toLower());
                if (same != tables.end())
                    Fail(QStringLiteral("duplicate table, already defined in %1").arg(same->second.origin));
                if (o.contains(QStringLiteral("database")))
                    t.database = StringMember(o, QStringLiteral("database"), QStringLiteral("the table"));
                if (t.database != QLatin1String("global") && t.database != QLatin1String("local")
                    && t.database != QLatin1String("memory"))
                    Fail(QStringLiteral("unknown database \"%1\" (global, local or memory)").arg(t.database));
                t.label = StringMember(o, QStringLiteral("label"), QStringLiteral("the table"));
                for (const auto &cv : ArrayMember(o, QStringLiteral("columns"), QStringLiteral("the table")))
                    AddColumn(t, ParseColumn(cv, file));
                if (t.columns.isEmpty())
                    Fail(QStringLiteral("the table has no columns"));
                if (o.contains(QStringLiteral("primaryKey")))
                    t.primaryKey = ColumnList(t, o.value(QStringLiteral("primaryKey")), QStringLiteral("primaryKey"));
                t.unique = IndexLists(t, o, QStringLiteral("unique"));
                t.indexes = IndexLists(t, o, QStringLiteral("indexes"));
                tables.emplace(t.name.toLower(), std::move(t));
            }

            table.clear();
            for (const auto &ev : ArrayMember(root, QStringLiteral("columns"), QStringLiteral("the file"))) {
                if (!ev.isObject())
                    Fail(QStringLiteral("a \"columns\" entry must be an object"));
                const QJsonObject o = ev.toObject();
                CheckKeys(o, {QStringLiteral("table"), QStringLiteral("columns")},
                          QStringLiteral("a \"columns\" entry"));
                Extension e{file, StringMember(o, QStringLiteral("table"), QStringLiteral("a \"columns\" entry")),
                            ArrayMember(o, QStringLiteral("columns"), QStringLiteral("a \"columns\" entry"))};
                if (e.table.isEmpty())
                    Fail(QStringLiteral("a \"columns\" entry names no table"));
                extensions.append(std::move(e));
            }
        }

        // Columns added to tables of other files, once every table is known.
        for (const Extension &e : extensions) {
            file = e.file;
            table = e.table;
            const auto it = tables.find(e.table.toLower());
            if (it == tables.end())
                Fail(QStringLiteral("\"columns\" extends an unknown table"));
            for (const auto &cv : e.columns)
                AddColumn(it->second, ParseColumn(cv, file));
        }

        // Rules on the finished tables.
        for (auto &[key, t] : tables) {
            file = t.origin;
            table = t.name;
            if (t.IsStored() && t.primaryKey.isEmpty())
                Fail(QStringLiteral("a table of the company database needs a primary key"));
            for (DictColumn &c : t.columns) {
                const bool inKey = t.primaryKey.contains(c.name);
                if (c.type == FieldType::AutoInc && !t.primaryKey.isEmpty() && t.primaryKey != QStringList{c.name}) {
                    file = c.origin;
                    Fail(QStringLiteral("the autoinc column %1 must be the whole primary key").arg(c.name));
                }
                if (inKey && c.nullable) {
                    if (c.type != FieldType::DateTime) {
                        file = c.origin;
                        Fail(QStringLiteral("the primary key column %1 cannot be null").arg(c.name));
                    }
                    c.nullable = false; // a date in a key always holds a value
                }
            }
        }
    } catch (const Fault &fault) {
        throw raise(fault.message);
    }

    Dictionary dict;
    dict.tables_.reserve(tables.size());
    dict.bySpelling_.reserve(qsizetype(tables.size()));
    dict.byFolded_.reserve(qsizetype(tables.size()));
    for (auto &entry : tables) {
        DictTable &t = dict.tables_.emplace_back(std::move(entry.second));
        t.Index();
        const qsizetype at = qsizetype(dict.tables_.size()) - 1;
        dict.bySpelling_.insert(t.name, at);
        dict.byFolded_.insert(t.name.toCaseFolded(), at);
    }
    return dict;
}

const DictTable *Dictionary::Table(const QString &name) const
{
    qsizetype at = bySpelling_.value(name, -1);
    if (at < 0)
        at = byFolded_.value(name.toCaseFolded(), -1);
    return at < 0 ? nullptr : &tables_[size_t(at)];
}

QList<const DictTable *> Dictionary::Tables() const
{
    QList<const DictTable *> list;
    list.reserve(static_cast<qsizetype>(tables_.size()));
    for (const DictTable &t : tables_)
        list.append(&t);
    return list;
}

FieldType Dictionary::ParseType(const QString &text, int *size)
{
    const QString t = text.trimmed().toLower();
    if (size)
        *size = 0;
    static const QRegularExpression stringType(QStringLiteral("^string\\s*\\(\\s*(\\d+)\\s*\\)$"));
    const QRegularExpressionMatch m = stringType.match(t);
    if (m.hasMatch()) {
        bool ok = false;
        const int n = m.captured(1).toInt(&ok);
        if (!ok || n <= 0 || n > 10485760)
            throw Exception(QStringLiteral("bad text length in type \"%1\"").arg(text));
        if (size)
            *size = n;
        return FieldType::String;
    }
    if (t == QLatin1String("smallint"))
        return FieldType::SmallInt;
    if (t == QLatin1String("integer"))
        return FieldType::Integer;
    if (t == QLatin1String("float"))
        return FieldType::Float;
    if (t == QLatin1String("datetime"))
        return FieldType::DateTime;
    if (t == QLatin1String("memo"))
        return FieldType::Memo;
    if (t == QLatin1String("autoinc"))
        return FieldType::AutoInc;
    throw Exception(QStringLiteral("unknown type \"%1\"").arg(text));
}

QString Dictionary::TypeText(FieldType type, int size)
{
    switch (type) {
    case FieldType::String:
        return QStringLiteral("string(%1)").arg(size);
    case FieldType::SmallInt:
        return QStringLiteral("smallint");
    case FieldType::Integer:
        return QStringLiteral("integer");
    case FieldType::Float:
        return QStringLiteral("float");
    case FieldType::DateTime:
        return QStringLiteral("datetime");
    case FieldType::Memo:
        return QStringLiteral("memo");
    case FieldType::AutoInc:
        return QStringLiteral("autoinc");
    }
    return QString();
}

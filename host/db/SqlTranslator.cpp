#include "host/db/SqlTranslator.h"

#include "host/core/Errors.h"
#include "host/db/TXDatabase.h"

#include <QHash>
#include <QSet>

#include <mutex>
#include <vector>

namespace {

enum class Tk {
    Space,
    Comment,
    Word,
    Bracketed,
    Quoted,
    String,
    Number,
    Param,
    Punct,
    LParen,
    RParen,
    Comma,
    Dot,
    Semicolon
};

struct Token {
    Tk kind;
    QString text; // Bracketed: the name inside; String: the literal with its quotes (no N prefix)
};

using Tokens = std::vector<Token>;

bool IsWordStart(QChar c)
{
    return c.isLetter() || c == u'_' || c == u'@' || c == u'#';
}

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$';
}

bool IsPlainIdentifier(const QString &s)
{
    if (s.isEmpty() || !(s[0].isLetter() || s[0] == u'_'))
        return false;
    for (QChar c : s)
        if (!(c.isLetterOrNumber() || c == u'_'))
            return false;
    return true;
}

// Index just past a quoted run starting at i (quote char q, doubled q inside).
qsizetype QuotedEnd(const QString &s, qsizetype i, QChar q)
{
    const qsizetype n = s.size();
    ++i;
    while (i < n) {
        if (s[i] == q) {
            if (i + 1 < n && s[i + 1] == q) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return n;
}

Tokens Tokenize(const QString &s)
{
    Tokens out;
    const qsizetype n = s.size();
    qsizetype i = 0;
    auto push = [&](Tk kind, qsizetype from, qsizetype to) { out.push_back({kind, s.mid(from, to - from)}); };
    while (i < n) {
        const QChar c = s[i];
        const qsizetype start = i;
        const QChar next = i + 1 < n ? s[i + 1] : QChar();
        if (c.isSpace()) {
            while (i < n && s[i].isSpace())
                ++i;
            push(Tk::Space, start, i);
        } else if (c == u'-' && next == u'-') {
            while (i < n && s[i] != u'\n' && s[i] != u'\r')
                ++i;
            push(Tk::Comment, start, i);
        } else if (c == u'/' && next == u'*') {
            const qsizetype end = s.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            push(Tk::Comment, start, i);
        } else if (c == u'\'') {
            i = QuotedEnd(s, i, u'\'');
            push(Tk::String, start, i);
        } else if (c == u'"') {
            i = QuotedEnd(s, i, u'"');
            push(Tk::Quoted, start, i);
        } else if (c == u'[') {
            qsizetype j = i + 1;
            QString inner;
            while (j < n) {
                if (s[j] == u']') {
                    if (j + 1 < n && s[j + 1] == u']') {
                        inner += u']';
                        j += 2;
                        continue;
                    }
                    break;
                }
                inner += s[j++];
            }
            i = j < n ? j + 1 : n;
            out.push_back({Tk::Bracketed, inner});
        } else if (IsWordStart(c)) {
            while (i < n && IsWordChar(s[i]))
                ++i;
            // N'text': the wide-string prefix is dropped.
            if (i - start == 1 && (c == u'N' || c == u'n') && i < n && s[i] == u'\'') {
                const qsizetype from = i;
                i = QuotedEnd(s, i, u'\'');
                push(Tk::String, from, i);
            } else {
                push(Tk::Word, start, i);
            }
        } else if (c.isDigit() || (c == u'.' && next.isDigit())) {
            while (i < n && (s[i].isDigit() || s[i] == u'.'))
                ++i;
            if (i < n && (s[i] == u'e' || s[i] == u'E')) {
                qsizetype j = i + 1;
                if (j < n && (s[j] == u'+' || s[j] == u'-'))
                    ++j;
                if (j < n && s[j].isDigit()) {
                    i = j;
                    while (i < n && s[i].isDigit())
                        ++i;
                }
            }
            push(Tk::Number, start, i);
        } else if (c == u':' && next == u':') {
            i += 2;
            push(Tk::Punct, start, i);
        } else if (c == u':' && (next.isLetter() || next == u'_')) {
            ++i;
            while (i < n && (s[i].isLetterOrNumber() || s[i] == u'_'))
                ++i;
            push(Tk::Param, start, i);
        } else if (c == u'?') {
            ++i;
            push(Tk::Param, start, i);
        } else if (c == u'(' || c == u')' || c == u',' || c == u'.' || c == u';') {
            ++i;
            const Tk kind = c == u'('   ? Tk::LParen
                            : c == u')' ? Tk::RParen
                            : c == u',' ? Tk::Comma
                            : c == u'.' ? Tk::Dot
                                        : Tk::Semicolon;
            push(kind, start, i);
        } else {
            static const QLatin1String pairs[] = {QLatin1String("<="), QLatin1String(">="), QLatin1String("<>"),
                                                  QLatin1String("!="), QLatin1String("||")};
            i += 1;
            for (const auto &p : pairs)
                if (c == p[0] && next == p[1]) {
                    i = start + 2;
                    break;
                }
            push(Tk::Punct, start, i);
        }
    }
    return out;
}

QString TokenText(const Token &t)
{
    if (t.kind == Tk::Bracketed) {
        if (IsPlainIdentifier(t.text))
            return t.text;
        return u'"' + QString(t.text).replace(u'"', QLatin1String("\"\"")) + u'"';
    }
    return t.text;
}

QString Join(const Tokens &tokens, size_t from = 0, size_t to = size_t(-1))
{
    QString out;
    to = std::min(to, tokens.size());
    for (size_t i = from; i < to; ++i)
        out += TokenText(tokens[i]);
    return out;
}

bool Significant(const Token &t)
{
    return t.kind != Tk::Space && t.kind != Tk::Comment;
}

bool Is(const Token &t, QLatin1String keyword)
{
    return t.kind == Tk::Word && t.text.compare(keyword, Qt::CaseInsensitive) == 0;
}

// Index of the next significant token at or after i (tokens.size() when none).
size_t NextSig(const Tokens &t, size_t i)
{
    while (i < t.size() && !Significant(t[i]))
        ++i;
    return i;
}

// Index of the parenthesis closing the one at i (tokens.size() when unbalanced).
size_t Closing(const Tokens &t, size_t i)
{
    int depth = 0;
    for (; i < t.size(); ++i) {
        if (t[i].kind == Tk::LParen)
            ++depth;
        else if (t[i].kind == Tk::RParen && --depth == 0)
            return i;
    }
    return t.size();
}

QString Trimmed(const Tokens &t, size_t from, size_t to)
{
    return Join(t, from, to).trimmed();
}

// Brackets off plain names, "dbo." dropped.
Tokens Normalize(const Tokens &in)
{
    Tokens out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        const Token &t = in[i];
        const bool isDbo = (t.kind == Tk::Bracketed || t.kind == Tk::Word)
                           && t.text.compare(QLatin1String("dbo"), Qt::CaseInsensitive) == 0;
        if (isDbo && i + 2 < in.size() && in[i + 1].kind == Tk::Dot
            && (in[i + 2].kind == Tk::Word || in[i + 2].kind == Tk::Bracketed)) {
            ++i; // skip the dot too
            continue;
        }
        if (t.kind == Tk::Bracketed && IsPlainIdentifier(t.text))
            out.push_back({Tk::Word, t.text});
        else
            out.push_back(t);
    }
    return out;
}

// A T-SQL column or cast type in the engine's words; empty when it needs no change.
QString MapType(const QString &name, const QStringList &args, DbEngine engine, bool forCast)
{
    const bool pg = engine == DbEngine::PostgreSQL;
    const QString t = name.toLower();
    const bool max = args.size() == 1 && args[0].compare(QLatin1String("max"), Qt::CaseInsensitive) == 0;
    const QString argText = args.isEmpty() ? QString() : u'(' + args.join(QLatin1String(", ")) + u')';
    if (t == QLatin1String("nvarchar") || t == QLatin1String("varchar") || t == QLatin1String("nchar")
        || t == QLatin1String("char")) {
        if (max || (forCast && !pg))
            return QStringLiteral("TEXT");
        const bool fixed = t.endsWith(QLatin1String("char")) && !t.contains(QLatin1String("var"));
        return (fixed ? QStringLiteral("CHAR") : QStringLiteral("VARCHAR")) + argText;
    }
    if (t == QLatin1String("ntext") || t == QLatin1String("text"))
        return QStringLiteral("TEXT");
    if (t == QLatin1String("float"))
        return pg ? QStringLiteral("DOUBLE PRECISION") : QStringLiteral("REAL");
    if (t == QLatin1String("real"))
        return QStringLiteral("REAL");
    if (t == QLatin1String("smallint") || t == QLatin1String("tinyint") || t == QLatin1String("bit"))
        return QStringLiteral("SMALLINT");
    if (t == QLatin1String("int") || t == QLatin1String("integer"))
        return QStringLiteral("INTEGER");
    if (t == QLatin1String("bigint"))
        return QStringLiteral("BIGINT");
    if (t == QLatin1String("datetime") || t == QLatin1String("datetime2") || t == QLatin1String("smalldatetime"))
        return pg ? QStringLiteral("TIMESTAMP") : forCast ? QStringLiteral("TEXT") : QStringLiteral("DATETIME");
    if (t == QLatin1String("date"))
        return pg || !forCast ? QStringLiteral("DATE") : QStringLiteral("TEXT");
    if (t == QLatin1String("money"))
        return QStringLiteral("NUMERIC(19, 4)");
    if (t == QLatin1String("decimal") || t == QLatin1String("numeric"))
        return QStringLiteral("NUMERIC") + argText;
    return QString();
}

// Type at tokens [from, to): a name and an optional parenthesised argument list.
// Returns false when the tokens are something else.
bool ReadType(const Tokens &t, size_t from, size_t to, QString *name, QStringList *args, size_t *end)
{
    size_t i = NextSig(t, from);
    if (i >= to || t[i].kind != Tk::Word)
        return false;
    *name = t[i].text;
    args->clear();
    size_t j = NextSig(t, i + 1);
    if (j < to && t[j].kind == Tk::LParen) {
        const size_t close = Closing(t, j);
        if (close >= to)
            return false;
        QString arg;
        for (size_t k = j + 1; k < close; ++k) {
            if (t[k].kind == Tk::Comma) {
                args->append(arg.trimmed());
                arg.clear();
            } else {
                arg += TokenText(t[k]);
            }
        }
        args->append(arg.trimmed());
        i = close;
    }
    *end = i + 1;
    return true;
}

// ISNULL( and GETDATE() and CAST(x AS type).
Tokens Functions(Tokens t, DbEngine engine)
{
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind != Tk::Word)
            continue;
        const size_t p = NextSig(t, i + 1);
        if (p >= t.size() || t[p].kind != Tk::LParen)
            continue;
        if (Is(t[i], QLatin1String("ISNULL"))) {
            t[i].text = QStringLiteral("COALESCE");
        } else if (Is(t[i], QLatin1String("GETDATE"))) {
            const size_t q = NextSig(t, p + 1);
            if (q < t.size() && t[q].kind == Tk::RParen) {
                t[i].text = engine == DbEngine::PostgreSQL ? QStringLiteral("CURRENT_TIMESTAMP")
                                                           : QStringLiteral("datetime('now', 'localtime')");
                t.erase(t.begin() + i + 1, t.begin() + q + 1);
            }
        } else if (Is(t[i], QLatin1String("CAST"))) {
            const size_t close = Closing(t, p);
            if (close >= t.size())
                continue;
            size_t as = 0;
            int depth = 0;
            for (size_t k = p + 1; k < close; ++k) {
                if (t[k].kind == Tk::LParen)
                    ++depth;
                else if (t[k].kind == Tk::RParen)
                    --depth;
                else if (depth == 0 && Is(t[k], QLatin1String("AS")))
                    as = k;
            }
            QString name;
            QStringList args;
            size_t end = 0;
            if (as == 0 || !ReadType(t, as + 1, close, &name, &args, &end) || NextSig(t, end) != close)
                continue;
            const QString mapped = MapType(name, args, engine, true);
            if (mapped.isEmpty())
                continue;
            const size_t typeStart = NextSig(t, as + 1);
            t[i].text = QStringLiteral("CAST");
            t[as].text = QStringLiteral("AS");
            t.erase(t.begin() + typeStart, t.begin() + end);
            t.insert(t.begin() + typeStart, Token{Tk::Word, mapped});
        }
    }
    return t;
}

// SELECT [DISTINCT] TOP n ... -> SELECT [DISTINCT] ... LIMIT n, also in subqueries.
Tokens Top(const Tokens &t)
{
    struct Pending {
        int depth;
        QString limit;
    };
    Tokens out;
    std::vector<Pending> pending;
    int depth = 0;
    auto flush = [&](int atDepth) {
        while (!pending.empty() && pending.back().depth >= atDepth) {
            size_t at = out.size();
            while (at > 0 && !Significant(out[at - 1]))
                --at;
            out.insert(out.begin() + at, Token{Tk::Word, QStringLiteral(" LIMIT ") + pending.back().limit});
            pending.pop_back();
        }
    };
    for (size_t i = 0; i < t.size(); ++i) {
        const Token &tok = t[i];
        if (tok.kind == Tk::LParen) {
            ++depth;
        } else if (tok.kind == Tk::RParen) {
            flush(depth);
            --depth;
        } else if (Is(tok, QLatin1String("SELECT"))) {
            size_t top = NextSig(t, i + 1);
            if (top < t.size() && (Is(t[top], QLatin1String("DISTINCT")) || Is(t[top], QLatin1String("ALL"))))
                top = NextSig(t, top + 1);
            if (top < t.size() && Is(t[top], QLatin1String("TOP"))) {
                const size_t n = NextSig(t, top + 1);
                size_t last = n;
                QString limit;
                if (n < t.size() && (t[n].kind == Tk::Number || t[n].kind == Tk::Param)) {
                    limit = t[n].text;
                } else if (n < t.size() && t[n].kind == Tk::LParen) {
                    last = Closing(t, n);
                    limit = Join(t, n, last + 1);
                }
                const size_t after = NextSig(t, last + 1);
                const bool unsupported =
                    after < t.size() && (Is(t[after], QLatin1String("PERCENT")) || Is(t[after], QLatin1String("WITH")));
                if (!limit.isEmpty() && last < t.size() && !unsupported) {
                    out.insert(out.end(), t.begin() + i, t.begin() + top);
                    pending.push_back({depth, limit});
                    i = last;
                    if (i + 1 < t.size() && t[i + 1].kind == Tk::Space)
                        ++i;
                    continue;
                }
            }
        }
        out.push_back(tok);
    }
    flush(0);
    return out;
}

// What a recogniser made of a statement.
enum class Form { Other, Translated, Refused };

// SQLite cannot give an existing column a default. The definitions (type and constraints,
// after the name) of the columns ALTER TABLE ... ADD added without one, by "table.column" in
// lower case, so that a default constraint arriving for one of them adds it again with it.
struct AddedColumns {
    std::mutex mutex;
    QHash<QString, QString> definitions;
};

AddedColumns &Added()
{
    static AddedColumns added;
    return added;
}

QString ColumnKey(const QString &table, const QString &column)
{
    return table.toLower() + u'.' + column.toLower();
}

// Column name followed by a type, from an ALTER TABLE ... ADD list: the name, and the type
// with what follows it; withDefault tells whether a DEFAULT is among them.
bool ColumnDefinition(const Tokens &t, size_t from, size_t to, DbEngine engine, QString *name, QString *def,
                      bool *withDefault)
{
    const size_t c = NextSig(t, from);
    if (c >= to || t[c].kind != Tk::Word)
        return false;
    QString type;
    QStringList args;
    size_t end = 0;
    if (!ReadType(t, c + 1, to, &type, &args, &end))
        return false;
    *name = t[c].text;
    *def = MapType(type, args, engine, false);
    if (def->isEmpty())
        *def = Trimmed(t, NextSig(t, c + 1), end);
    const QString rest = Trimmed(t, end, to);
    if (!rest.isEmpty())
        *def += u' ' + rest;
    *withDefault = false;
    for (size_t k = end; k < to; ++k)
        *withDefault = *withDefault || Is(t[k], QLatin1String("DEFAULT"));
    return true;
}

// Whether [from, to) is one plain value: a string, a number with an optional sign, or NULL.
bool PlainValue(const Tokens &t, size_t from, size_t to)
{
    size_t i = NextSig(t, from);
    if (i < to && t[i].kind == Tk::Punct && (t[i].text == QLatin1String("-") || t[i].text == QLatin1String("+"))) {
        i = NextSig(t, i + 1);
        if (i >= to || t[i].kind != Tk::Number)
            return false;
    } else if (i >= to || !(t[i].kind == Tk::String || t[i].kind == Tk::Number || Is(t[i], QLatin1String("NULL")))) {
        return false;
    }
    return NextSig(t, i + 1) >= to;
}

// The schema patch's DDL: ALTER TABLE t [WITH NOCHECK] ADD column | CONSTRAINT n DEFAULT (v) FOR c.
// On SQLite a default constraint adds its column again with the default, keeping its values.
Form AlterTable(const Tokens &t, DbEngine engine, QString *out, QString *error)
{
    size_t i = NextSig(t, 0);
    if (i >= t.size() || !Is(t[i], QLatin1String("ALTER")))
        return Form::Other;
    i = NextSig(t, i + 1);
    if (i >= t.size() || !Is(t[i], QLatin1String("TABLE")))
        return Form::Other;
    size_t nameStart = NextSig(t, i + 1);
    if (nameStart >= t.size() || t[nameStart].kind != Tk::Word)
        return Form::Other;
    i = nameStart;
    while (i + 2 < t.size() && t[i + 1].kind == Tk::Dot && t[i + 2].kind == Tk::Word)
        i += 2;
    const QString table = Join(t, nameStart, i + 1);
    i = NextSig(t, i + 1);
    if (i < t.size() && Is(t[i], QLatin1String("WITH"))) {
        i = NextSig(t, i + 1);
        if (i >= t.size() || !(Is(t[i], QLatin1String("NOCHECK")) || Is(t[i], QLatin1String("CHECK"))))
            return Form::Other;
        i = NextSig(t, i + 1);
    }
    if (i >= t.size() || !Is(t[i], QLatin1String("ADD")))
        return Form::Other;
    i = NextSig(t, i + 1);
    if (i >= t.size())
        return Form::Other;

    if (Is(t[i], QLatin1String("CONSTRAINT"))) {
        const size_t def = NextSig(t, NextSig(t, i + 1) + 1);
        if (def >= t.size() || !Is(t[def], QLatin1String("DEFAULT")))
            return Form::Other;
        size_t forAt = t.size();
        int depth = 0;
        for (size_t k = def + 1; k < t.size(); ++k) {
            if (t[k].kind == Tk::LParen)
                ++depth;
            else if (t[k].kind == Tk::RParen)
                --depth;
            else if (depth == 0 && Is(t[k], QLatin1String("FOR"))) {
                forAt = k;
                break;
            }
        }
        const size_t columnAt = NextSig(t, forAt + 1);
        if (columnAt >= t.size() || t[columnAt].kind != Tk::Word || NextSig(t, columnAt + 1) != t.size())
            return Form::Other;
        const QString &column = t[columnAt].text;
        // The value without the parentheses T-SQL puts around it.
        size_t from = NextSig(t, def + 1);
        size_t to = forAt;
        while (to > from && !Significant(t[to - 1]))
            --to;
        while (from < to && t[from].kind == Tk::LParen && Closing(t, from) == to - 1) {
            ++from;
            --to;
        }
        const QString value = Trimmed(t, from, to);
        if (value.isEmpty())
            return Form::Other;
        if (engine == DbEngine::PostgreSQL) {
            *out = QStringLiteral("ALTER TABLE %1 ALTER COLUMN %2 SET DEFAULT %3").arg(table, column, value);
            return Form::Translated;
        }
        QString definition;
        {
            const std::lock_guard lock(Added().mutex);
            definition = Added().definitions.value(ColumnKey(table, column));
        }
        if (definition.isEmpty()) {
            *error = QStringLiteral("SQLite cannot give the column %1.%2 a default after it was added, "
                                    "and this program did not add it")
                         .arg(table, column);
            return Form::Refused;
        }
        if (!PlainValue(t, from, to)) {
            *error = QStringLiteral("SQLite takes only a plain value as the default of the column %1.%2, not %3")
                         .arg(table, column, value);
            return Form::Refused;
        }
        const QString kept = QStringLiteral("kv8_prev_") + column;
        *out = QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO %3; ALTER TABLE %1 ADD COLUMN %2 %4 DEFAULT %5; "
                              "UPDATE %1 SET %2 = %3; ALTER TABLE %1 DROP COLUMN %3")
                   .arg(table, column, kept, definition, value);
        return Form::Translated;
    }

    for (const auto &keyword : {QLatin1String("PRIMARY"), QLatin1String("UNIQUE"), QLatin1String("FOREIGN"),
                                QLatin1String("CHECK"), QLatin1String("INDEX")})
        if (Is(t[i], keyword))
            return Form::Other; // a table constraint, not a column
    if (Is(t[i], QLatin1String("COLUMN")))
        i = NextSig(t, i + 1);
    // One or more column definitions separated by commas.
    QStringList defs;
    QHash<QString, QString> withoutDefault;
    size_t start = i;
    int depth = 0;
    for (size_t k = i; k <= t.size(); ++k) {
        if (k < t.size()) {
            if (t[k].kind == Tk::LParen)
                ++depth;
            else if (t[k].kind == Tk::RParen)
                --depth;
            if (!(t[k].kind == Tk::Comma && depth == 0))
                continue;
        }
        QString name;
        QString def;
        bool withDefault = false;
        if (!ColumnDefinition(t, start, k, engine, &name, &def, &withDefault))
            return Form::Other;
        defs.append(name + u' ' + def);
        if (!withDefault)
            withoutDefault.insert(ColumnKey(table, name), def);
        start = k + 1;
    }
    const QString head = QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" ADD COLUMN ");
    if (engine == DbEngine::PostgreSQL) {
        *out = head + defs.join(QStringLiteral(", ADD COLUMN "));
    } else {
        *out = head + defs.join(QStringLiteral("; ") + head);
        const std::lock_guard lock(Added().mutex);
        Added().definitions.insert(withoutDefault);
    }
    return Form::Translated;
}

bool IsJoinWord(const Token &t)
{
    static const QLatin1String words[] = {QLatin1String("INNER"), QLatin1String("LEFT"),  QLatin1String("RIGHT"),
                                          QLatin1String("FULL"),  QLatin1String("CROSS"), QLatin1String("JOIN"),
                                          QLatin1String("OUTER")};
    for (const auto &w : words)
        if (Is(t, w))
            return true;
    return false;
}

bool IsClauseWord(const Token &t)
{
    return IsJoinWord(t) || Is(t, QLatin1String("ON")) || Is(t, QLatin1String("WHERE")) || Is(t, QLatin1String("WITH"))
           || Is(t, QLatin1String("SET")) || Is(t, QLatin1String("FROM"));
}

// A join word at i, not a function of the same name as in LEFT(x, 3).
bool StartsJoin(const Tokens &t, size_t i, size_t end)
{
    if (i >= end || !IsJoinWord(t[i]))
        return false;
    const size_t next = NextSig(t, i + 1);
    return next >= end || t[next].kind != Tk::LParen;
}

// First top-level token at or after i that is the keyword (tokens.size() when none).
size_t FindTopLevel(const Tokens &t, size_t i, QLatin1String keyword)
{
    int depth = 0;
    for (; i < t.size(); ++i) {
        if (t[i].kind == Tk::LParen)
            ++depth;
        else if (t[i].kind == Tk::RParen)
            --depth;
        else if (depth == 0 && Is(t[i], keyword))
            return i;
    }
    return t.size();
}

bool SameName(const QString &a, const QString &b)
{
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

// One item of the FROM list of an UPDATE, and how it joins the items before it.
struct FromItem {
    QString join;        // empty for the first item, else ",", "CROSS", "INNER", "LEFT", "RIGHT" or "FULL"
    size_t joinAt = 0;   // the join's first token (the comma)
    size_t begin = 0;    // the item: a table and its alias, or a parenthesised subquery or join
    size_t tableEnd = 0; // end of the table's (possibly qualified) name
    size_t end = 0;
    QString table; // its last part; empty for a parenthesised item
    QString alias;
    bool joinGroup = false; // parenthesised join, not a subquery
    size_t onBegin = 0;     // its ON condition; onBegin == onEnd when it has none
    size_t onEnd = 0;

    const QString &Name() const { return alias.isEmpty() ? table : alias; }
    bool HasOn() const { return onBegin < onEnd; }
};

// Reads the FROM list in [begin, end): tables, subqueries and parenthesised joins, linked by
// commas and [INNER | CROSS | LEFT | RIGHT | FULL [OUTER]] JOIN. False for anything else.
bool ReadFrom(const Tokens &t, size_t begin, size_t end, std::vector<FromItem> *items)
{
    size_t i = NextSig(t, begin);
    QString join;
    size_t joinAt = i;
    for (;;) {
        if (i >= end)
            return false;
        FromItem item;
        item.join = join;
        item.joinAt = joinAt;
        item.begin = i;
        if (t[i].kind == Tk::LParen) {
            const size_t close = Closing(t, i);
            if (close >= end)
                return false;
            const size_t first = NextSig(t, i + 1);
            item.joinGroup = first < close && !Is(t[first], QLatin1String("SELECT"))
                             && !Is(t[first], QLatin1String("WITH")) && !Is(t[first], QLatin1String("VALUES"));
            i = close + 1;
        } else if (t[i].kind == Tk::Word && !IsClauseWord(t[i])) {
            item.table = t[i].text;
            ++i;
            while (i + 1 < end && t[i].kind == Tk::Dot && t[i + 1].kind == Tk::Word) {
                item.table = t[i + 1].text;
                i += 2;
            }
        } else {
            return false;
        }
        item.tableEnd = item.end = i;
        size_t k = NextSig(t, i);
        if (k < end && Is(t[k], QLatin1String("AS"))) {
            k = NextSig(t, k + 1);
            if (k >= end || t[k].kind != Tk::Word)
                return false;
        }
        if (k < end && t[k].kind == Tk::Word && !IsClauseWord(t[k])) {
            item.alias = t[k].text;
            item.end = k + 1;
            k = NextSig(t, k + 1);
        }
        if (!join.isEmpty() && join != QLatin1String(",") && join != QLatin1String("CROSS")) {
            if (k >= end || !Is(t[k], QLatin1String("ON")))
                return false;
            item.onBegin = k + 1;
            int depth = 0;
            for (k = k + 1; k < end; ++k) {
                if (t[k].kind == Tk::LParen)
                    ++depth;
                else if (t[k].kind == Tk::RParen)
                    --depth;
                else if (depth == 0 && (t[k].kind == Tk::Comma || StartsJoin(t, k, end)))
                    break;
            }
            item.onEnd = k;
            if (NextSig(t, item.onBegin) >= k)
                return false;
        }
        items->push_back(item);
        if (k >= end)
            return true;
        joinAt = k;
        if (t[k].kind == Tk::Comma) {
            join = QStringLiteral(",");
            i = NextSig(t, k + 1);
            continue;
        }
        join = QStringLiteral("INNER");
        for (const auto &kind : {QLatin1String("INNER"), QLatin1String("CROSS"), QLatin1String("LEFT"),
                                 QLatin1String("RIGHT"), QLatin1String("FULL")}) {
            if (!Is(t[k], kind))
                continue;
            join = kind;
            k = NextSig(t, k + 1);
            if (kind != QLatin1String("INNER") && kind != QLatin1String("CROSS") && k < end
                && Is(t[k], QLatin1String("OUTER")))
                k = NextSig(t, k + 1);
            break;
        }
        if (k >= end || !Is(t[k], QLatin1String("JOIN")))
            return false;
        i = NextSig(t, k + 1);
    }
}

using Range = std::pair<size_t, size_t>;

// The top-level conjuncts of the condition in [begin, end) (the AND of a BETWEEN is not one of
// them), a conjunct in parentheses split again.
void Conjuncts(const Tokens &t, size_t begin, size_t end, std::vector<Range> *out)
{
    std::vector<Range> parts;
    int depth = 0;
    bool between = false;
    size_t start = begin;
    for (size_t k = begin; k <= end; ++k) {
        if (k < end) {
            if (t[k].kind == Tk::LParen)
                ++depth;
            else if (t[k].kind == Tk::RParen)
                --depth;
            else if (depth == 0 && Is(t[k], QLatin1String("BETWEEN")))
                between = true;
            if (depth != 0 || !Is(t[k], QLatin1String("AND")))
                continue;
            if (between) {
                between = false;
                continue;
            }
        }
        parts.emplace_back(start, k);
        start = k + 1;
    }
    for (auto [from, to] : parts) {
        from = NextSig(t, from);
        while (to > from && !Significant(t[to - 1]))
            --to;
        if (from >= to)
            continue;
        if (t[from].kind == Tk::LParen && Closing(t, from) == to - 1)
            Conjuncts(t, from + 1, to - 1, out);
        else
            out->emplace_back(from, to);
    }
}

// The tables or aliases whose column a conjunct holds to a value, so that a row with NULL
// there fails it: "a.c op x" and "x op a.c" with a comparison (or after a.c: [NOT] LIKE, IN,
// BETWEEN), and "a.c IS NOT NULL"; none when an OR or another IS is at its top level.
QStringList NullRejected(const Tokens &t, Range conjunct)
{
    std::vector<const Token *> top;
    int depth = 0;
    for (size_t k = conjunct.first; k < conjunct.second; ++k) {
        const Token &tok = t[k];
        if (!Significant(tok))
            continue;
        if (depth == 0)
            top.push_back(&tok);
        if (tok.kind == Tk::LParen)
            ++depth;
        else if (tok.kind == Tk::RParen)
            --depth;
    }
    const auto column = [&](size_t at) {
        return at + 2 < top.size() && top[at]->kind == Tk::Word && top[at + 1]->kind == Tk::Dot
               && top[at + 2]->kind == Tk::Word;
    };
    const auto comparison = [](const Token *tok) {
        static const QStringList operators{QStringLiteral("="), QStringLiteral("<>"), QStringLiteral("!="),
                                           QStringLiteral("<"), QStringLiteral(">"),  QStringLiteral("<="),
                                           QStringLiteral(">=")};
        return tok->kind == Tk::Punct && operators.contains(tok->text);
    };
    if (top.size() == 6 && column(0) && Is(*top[3], QLatin1String("IS")) && Is(*top[4], QLatin1String("NOT"))
        && Is(*top[5], QLatin1String("NULL")))
        return {top[0]->text};
    for (const Token *tok : top)
        if (Is(*tok, QLatin1String("OR")) || Is(*tok, QLatin1String("IS")))
            return {};
    QStringList names;
    if (top.size() < 4)
        return names;
    if (column(0)
        && (comparison(top[3]) || Is(*top[3], QLatin1String("LIKE")) || Is(*top[3], QLatin1String("IN"))
            || Is(*top[3], QLatin1String("BETWEEN")) || Is(*top[3], QLatin1String("NOT"))))
        names << top[0]->text;
    const size_t last = top.size() - 3;
    if (column(last) && comparison(top[last - 1]))
        names << top[last]->text;
    return names;
}

// Whether the name qualifies a column ("name.column") in [begin, end).
bool Qualifies(const Tokens &t, size_t begin, size_t end, const QString &name)
{
    for (size_t k = begin; k < end; ++k) {
        if (t[k].kind != Tk::Word || !SameName(t[k].text, name))
            continue;
        const size_t next = NextSig(t, k + 1);
        if (next < end && t[next].kind == Tk::Dot)
            return true;
    }
    return false;
}

// Whether [begin, end) names the table other than as a qualifier or a column, subqueries aside.
bool NamesTable(const Tokens &t, size_t begin, size_t end, const QString &name)
{
    bool afterDot = false;
    for (size_t k = begin; k < end; ++k) {
        if (!Significant(t[k]))
            continue;
        if (t[k].kind == Tk::LParen) {
            const size_t first = NextSig(t, k + 1);
            if (first < end && Is(t[first], QLatin1String("SELECT"))) {
                k = Closing(t, k);
                afterDot = false;
                continue;
            }
        }
        if (t[k].kind == Tk::Word && SameName(t[k].text, name) && !afterDot) {
            const size_t next = NextSig(t, k + 1);
            if (next >= end || t[next].kind != Tk::Dot)
                return true;
        }
        afterDot = t[k].kind == Tk::Dot;
    }
    return false;
}

// T-SQL UPDATE t SET ... FROM <list naming t again> [WHERE w]. The copy of t in FROM is the
// row being updated: it leaves FROM, its alias goes to the target, and the conditions joining
// it move into WHERE (a later join whose condition names it becomes a CROSS JOIN). A LEFT JOIN
// that touches the target must be made inner by the WHERE or by the inner joins (a comparison
// that fails on NULL in the joined table), else the statement is refused, as are RIGHT and
// FULL joins, a target named twice and one inside a parenthesised join.
Form UpdateFrom(const Tokens &t, QString *out, QString *error)
{
    const size_t u = NextSig(t, 0);
    if (u >= t.size() || !Is(t[u], QLatin1String("UPDATE")))
        return Form::Other;
    const size_t target = NextSig(t, u + 1);
    if (target >= t.size() || t[target].kind != Tk::Word)
        return Form::Other;
    const size_t set = NextSig(t, target + 1);
    if (set >= t.size() || !Is(t[set], QLatin1String("SET")))
        return Form::Other;
    const size_t from = FindTopLevel(t, set + 1, QLatin1String("FROM"));
    if (from >= t.size())
        return Form::Other;
    const size_t where = FindTopLevel(t, from + 1, QLatin1String("WHERE"));
    const QString &name = t[target].text;
    const auto refuse = [&](const QString &why) {
        *error = QStringLiteral("The UPDATE of %1 names its target again in FROM in a form that cannot be "
                                "translated: %2")
                     .arg(name, why);
        return Form::Refused;
    };

    std::vector<FromItem> items;
    if (!ReadFrom(t, from + 1, where, &items)) {
        if (NamesTable(t, from + 1, where, name))
            return refuse(QStringLiteral("its FROM is not a plain list of tables and joins"));
        return Form::Other;
    }
    // The target: the item with its name as alias, else the one item of its table.
    std::vector<size_t> matches;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].joinGroup && NamesTable(t, items[i].begin, items[i].end, name))
            return refuse(QStringLiteral("it is named inside a parenthesised join"));
        if (SameName(items[i].alias, name))
            matches.insert(matches.begin(), i);
        else if (SameName(items[i].table, name))
            matches.push_back(i);
    }
    if (matches.empty())
        return Form::Other; // already the portable form
    const size_t k = matches.front();
    if (matches.size() > 1 && !SameName(items[k].alias, name))
        return refuse(QStringLiteral("the table is named more than once"));
    const FromItem &own = items[k];
    if (own.table.isEmpty())
        return refuse(QStringLiteral("its copy in FROM is not a table"));
    for (const FromItem &item : items)
        if (item.join == QLatin1String("RIGHT") || item.join == QLatin1String("FULL"))
            return refuse(QStringLiteral("FROM has a %1 JOIN").arg(item.join));

    // The tables the WHERE holds to a value, and those the inner joins then hold too.
    QSet<QString> held;
    const auto hold = [&](size_t begin, size_t end) {
        std::vector<Range> conjuncts;
        Conjuncts(t, begin, end, &conjuncts);
        for (const Range &c : conjuncts)
            for (const QString &n : NullRejected(t, c))
                held.insert(n.toLower());
    };
    // A LEFT JOIN of the target itself is inner for the update: an unmatched row has nothing to update.
    const auto inner = [&](size_t i) {
        return items[i].join != QLatin1String("LEFT") || i == k || held.contains(items[i].Name().toLower());
    };
    if (where < t.size())
        hold(where + 1, t.size());
    for (qsizetype count = -1; count != held.size();) {
        count = held.size();
        for (size_t i = 1; i < items.size(); ++i)
            if (items[i].HasOn() && inner(i))
                hold(items[i].onBegin, items[i].onEnd);
    }

    const QString qualifier = own.Name();
    QStringList conditions;
    QString rest;
    for (size_t i = 0; i < items.size(); ++i) {
        const FromItem &item = items[i];
        const bool touches =
            i == k || (k == 0 && i == 1) || (item.HasOn() && Qualifies(t, item.onBegin, item.onEnd, qualifier));
        if (touches) {
            if (!inner(i))
                return refuse(
                    QStringLiteral("%1 is left joined to it and nothing makes that join inner").arg(item.Name()));
            if (item.HasOn())
                conditions.append(Trimmed(t, item.onBegin, item.onEnd));
        }
        if (i == k)
            continue;
        const QString text = Trimmed(t, item.begin, item.end);
        if (rest.isEmpty())
            rest = text;
        else if (item.join == QLatin1String(","))
            rest += QStringLiteral(", ") + text;
        else if (touches)
            rest += QStringLiteral(" CROSS JOIN ") + text;
        else
            rest += u' ' + Trimmed(t, item.joinAt, item.HasOn() ? item.onEnd : item.end);
    }

    // SET a.col = ... : the target's qualifier goes (neither engine accepts it there).
    Tokens setPart(t.begin() + set, t.begin() + from);
    bool atStart = true;
    int depth = 0;
    for (size_t i = 0; i < setPart.size(); ++i) {
        const Token &tok = setPart[i];
        if (!Significant(tok))
            continue;
        if (tok.kind == Tk::LParen)
            ++depth;
        else if (tok.kind == Tk::RParen)
            --depth;
        if (depth == 0 && (tok.kind == Tk::Comma || Is(tok, QLatin1String("SET")))) {
            atStart = true;
            continue;
        }
        if (atStart && tok.kind == Tk::Word && i + 1 < setPart.size() && setPart[i + 1].kind == Tk::Dot
            && (SameName(tok.text, name) || SameName(tok.text, qualifier) || SameName(tok.text, own.table))) {
            setPart.erase(setPart.begin() + i, setPart.begin() + i + 2);
            --i;
            continue;
        }
        atStart = false;
    }

    QString sql = QStringLiteral("UPDATE ") + Trimmed(t, own.begin, own.tableEnd);
    if (!own.alias.isEmpty())
        sql += QStringLiteral(" AS ") + own.alias;
    sql += u' ' + Join(setPart).trimmed();
    if (!rest.isEmpty())
        sql += QStringLiteral(" FROM ") + rest;
    if (where < t.size())
        conditions.append(Trimmed(t, where + 1, t.size()));
    if (conditions.size() == 1)
        sql += QStringLiteral(" WHERE ") + conditions.first();
    else if (conditions.size() > 1)
        sql += QStringLiteral(" WHERE (") + conditions.join(QStringLiteral(") AND (")) + u')';
    *out = sql;
    return Form::Translated;
}

// The statement in the engine's SQL; error set when the translator refuses it.
QString TranslateStatement(const Tokens &raw, DbEngine engine, QString *error)
{
    if (NextSig(raw, 0) >= raw.size())
        return Join(raw);
    const Tokens t = Functions(Normalize(raw), engine);
    // keep the whitespace before the statement, as a plain text would
    size_t lead = 0;
    while (lead < t.size() && !Significant(t[lead]))
        ++lead;
    QString text;
    switch (AlterTable(t, engine, &text, error)) {
    case Form::Translated:
        return Join(t, 0, lead) + text;
    case Form::Refused:
        return QString();
    case Form::Other:
        break;
    }
    switch (UpdateFrom(t, &text, error)) {
    case Form::Translated:
        return Join(t, 0, lead) + Join(Top(Tokenize(text)));
    case Form::Refused:
        return QString();
    case Form::Other:
        break;
    }
    return Join(Top(t));
}

// Statements of a token list, split at ';' (the separators are not part of them).
std::vector<Tokens> Statements(const Tokens &t)
{
    std::vector<Tokens> out(1);
    for (const Token &tok : t) {
        if (tok.kind == Tk::Semicolon)
            out.emplace_back();
        else
            out.back().push_back(tok);
    }
    return out;
}

// The table named by a plain INSERT [INTO], UPDATE or DELETE [FROM] starting at first,
// without its schema; empty when the statement is anything else or the name is not
// followed by what such a statement puts next.
QString WrittenTable(const Tokens &t, size_t first)
{
    const Token &head = t[first];
    size_t i = NextSig(t, first + 1);
    const bool insert = Is(head, QLatin1String("INSERT"));
    const bool update = Is(head, QLatin1String("UPDATE"));
    if (insert || Is(head, QLatin1String("DELETE"))) {
        if (i < t.size() && Is(t[i], insert ? QLatin1String("INTO") : QLatin1String("FROM")))
            i = NextSig(t, i + 1);
    } else if (!update) {
        return QString();
    }
    QString name;
    for (;;) {
        if (i >= t.size())
            return QString();
        const Token &part = t[i];
        if (part.kind == Tk::Word || part.kind == Tk::Bracketed)
            name = part.text;
        else if (part.kind == Tk::Quoted && part.text.size() >= 2)
            name = part.text.mid(1, part.text.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\""));
        else
            return QString();
        i = NextSig(t, i + 1);
        if (i >= t.size() || t[i].kind != Tk::Dot)
            break;
        i = NextSig(t, i + 1);
    }
    // what may follow the table: INSERT t (...) | VALUES | SELECT | DEFAULT; UPDATE t SET | AS a;
    // DELETE t [WHERE ...]
    if (i >= t.size())
        return insert || update ? QString() : name;
    const Token &next = t[i];
    const bool follows = insert ? next.kind == Tk::LParen || Is(next, QLatin1String("VALUES"))
                                      || Is(next, QLatin1String("SELECT")) || Is(next, QLatin1String("DEFAULT"))
                         : update ? Is(next, QLatin1String("SET")) || Is(next, QLatin1String("AS"))
                                  : Is(next, QLatin1String("WHERE"));
    return follows ? name : QString();
}

// The text in the engine's SQL; error set, and the text empty, when a statement is refused.
QString TranslateText(const QString &sql, DbEngine engine, QString *error)
{
    const std::vector<Tokens> statements = Statements(Tokenize(sql));
    QString out;
    for (size_t i = 0; i < statements.size(); ++i) {
        if (i > 0)
            out += u';';
        out += TranslateStatement(statements[i], engine, error);
        if (!error->isEmpty())
            return QString();
    }
    return out;
}

} // namespace

QString SqlTranslator::Translate(const QString &sql, DbEngine engine)
{
    QString error;
    const QString text = TranslateText(sql, engine, &error);
    if (!error.isEmpty())
        throw EDatabaseError(error + QStringLiteral("\nSQL: ") + sql.trimmed());
    return text;
}

CompiledSql SqlTranslator::Compile(const QString &sql, DbEngine engine)
{
    CompiledSql result;
    result.text = TranslateText(sql, engine, &result.error);
    if (!result.error.isEmpty())
        return result;
    int positional = 0;
    for (const Tokens &t : Statements(Tokenize(result.text))) {
        const size_t first = NextSig(t, 0);
        if (first >= t.size())
            continue;
        SqlStatement st;
        const Token &head = t[first];
        st.readOnly = (Is(head, QLatin1String("SELECT")) && FindTopLevel(t, first, QLatin1String("INTO")) == t.size())
                      || Is(head, QLatin1String("VALUES"));
        static const QLatin1String dml[] = {QLatin1String("SELECT"), QLatin1String("INSERT"), QLatin1String("UPDATE"),
                                            QLatin1String("DELETE"), QLatin1String("VALUES"), QLatin1String("WITH")};
        for (const auto &w : dml)
            st.preparable = st.preparable || Is(head, w);
        if (!st.readOnly)
            st.writtenTable = WrittenTable(t, first);
        QString fragment;
        for (const Token &tok : t) {
            if (tok.kind == Tk::Comment) {
                fragment += u' '; // a quote in a comment must not look like a string to the driver
                continue;
            }
            if (tok.kind != Tk::Param) {
                fragment += TokenText(tok);
                continue;
            }
            st.fragments.append(fragment);
            fragment.clear();
            if (tok.text == QLatin1String("?")) {
                st.valueAt.append(positional++);
            } else {
                const QString name = tok.text.mid(1).toLower();
                qsizetype at = result.names.indexOf(name);
                if (at < 0) {
                    result.names.append(name);
                    at = result.names.size() - 1;
                }
                st.valueAt.append(int(at));
            }
        }
        st.fragments.append(fragment);
        result.statements.append(st);
    }
    if (positional > 0 && !result.names.isEmpty())
        result.error = QStringLiteral("The statement mixes '?' and ':name' placeholders");
    result.valueCount = positional > 0 ? positional : int(result.names.size());
    return result;
}

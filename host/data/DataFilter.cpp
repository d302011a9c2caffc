#include "host/data/DataFilter.h"

#include "host/data/TDataSet.h"

#include <QDateTime>
#include <QRegularExpression>

#include <cmath>
#include <vector>

namespace kv8data {

namespace {

enum class Tok { End, Ident, Number, Text, Op, LParen, RParen, Comma };

struct Token {
    Tok kind = Tok::End;
    QString text;
    double number = 0;
    int pos = 0;
};

// A value while evaluating.
struct Val {
    enum Kind { Null, Num, Str, Date } kind = Null;
    double num = 0;
    QString str;
    QDateTime date;
    static Val OfNum(double d)
    {
        Val v;
        v.kind = Num;
        v.num = d;
        return v;
    }
    static Val OfStr(const QString &s)
    {
        Val v;
        v.kind = Str;
        v.str = s;
        return v;
    }
    static Val OfBool(bool b) { return OfNum(b ? 1 : 0); }
    bool Truth() const
    {
        switch (kind) {
        case Num:
            return num != 0;
        case Str:
            return !str.isEmpty();
        case Date:
            return date.isValid();
        case Null:
            return false;
        }
        return false;
    }
};

} // namespace

enum class NodeKind { Literal, Field, Not, Neg, And, Or, Compare, Arith, IsNull, In, Like };

struct FilterNode {
    NodeKind kind = NodeKind::Literal;
    QString op;
    Val literal;
    TField *field = nullptr;
    bool negate = false;
    std::unique_ptr<FilterNode> left;
    std::unique_ptr<FilterNode> right;
    std::vector<std::unique_ptr<FilterNode>> list;
};

namespace {

[[noreturn]] void Fail(const QString &text, const QString &why)
{
    throw EDatabaseError(QStringLiteral("Espressione di filtro non valida \"%1\": %2").arg(text.trimmed(), why));
}

class Parser {
public:
    Parser(const QString &text, const DataFilter::Resolver &resolve) : text_(text), resolve_(resolve) { Tokenise(); }

    std::unique_ptr<FilterNode> Parse()
    {
        if (Peek().kind == Tok::End)
            return nullptr;
        auto node = ParseOr();
        if (Peek().kind != Tok::End)
            Fail(text_, QStringLiteral("\"%1\" inatteso").arg(Peek().text));
        return node;
    }

private:
    void Tokenise()
    {
        int i = 0;
        const int n = int(text_.size());
        while (i < n) {
            const QChar c = text_[i];
            if (c.isSpace()) {
                ++i;
                continue;
            }
            Token t;
            t.pos = i;
            if (c.isLetter() || c == QLatin1Char('_')) {
                int j = i;
                while (j < n
                       && (text_[j].isLetterOrNumber() || text_[j] == QLatin1Char('_') || text_[j] == QLatin1Char('.')))
                    ++j;
                t.kind = Tok::Ident;
                t.text = text_.mid(i, j - i);
                i = j;
            } else if (c == QLatin1Char('[')) {
                const int j = int(text_.indexOf(QLatin1Char(']'), i + 1));
                if (j < 0)
                    Fail(text_, QStringLiteral("\"]\" mancante"));
                t.kind = Tok::Ident;
                t.text = text_.mid(i + 1, j - i - 1);
                i = j + 1;
            } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && text_[i + 1].isDigit())) {
                int j = i;
                while (j < n && (text_[j].isDigit() || text_[j] == QLatin1Char('.')))
                    ++j;
                bool ok = false;
                t.kind = Tok::Number;
                t.text = text_.mid(i, j - i);
                t.number = t.text.toDouble(&ok);
                if (!ok)
                    Fail(text_, QStringLiteral("numero \"%1\" non valido").arg(t.text));
                i = j;
            } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
                QString s;
                int j = i + 1;
                bool closed = false;
                while (j < n) {
                    if (text_[j] == c) {
                        if (j + 1 < n && text_[j + 1] == c) {
                            s += c;
                            j += 2;
                            continue;
                        }
                        closed = true;
                        ++j;
                        break;
                    }
                    s += text_[j++];
                }
                if (!closed)
                    Fail(text_, QStringLiteral("testo non chiuso"));
                t.kind = Tok::Text;
                t.text = s;
                i = j;
            } else if (c == QLatin1Char('(')) {
                t.kind = Tok::LParen;
                t.text = c;
                ++i;
            } else if (c == QLatin1Char(')')) {
                t.kind = Tok::RParen;
                t.text = c;
                ++i;
            } else if (c == QLatin1Char(',')) {
                t.kind = Tok::Comma;
                t.text = c;
                ++i;
            } else {
                static const QStringList ops = {QStringLiteral("<>"), QStringLiteral("!="), QStringLiteral("<="),
                                                QStringLiteral(">="), QStringLiteral("="),  QStringLiteral("<"),
                                                QStringLiteral(">"),  QStringLiteral("+"),  QStringLiteral("-"),
                                                QStringLiteral("*"),  QStringLiteral("/")};
                bool found = false;
                for (const QString &op : ops) {
                    if (text_.mid(i, op.size()) == op) {
                        t.kind = Tok::Op;
                        t.text = op;
                        i += int(op.size());
                        found = true;
                        break;
                    }
                }
                if (!found)
                    Fail(text_, QStringLiteral("carattere \"%1\" non ammesso").arg(c));
            }
            tokens_.push_back(t);
        }
        Token end;
        end.pos = n;
        tokens_.push_back(end);
    }

    const Token &Peek() const { return tokens_[pos_]; }
    Token Take() { return tokens_[pos_++]; }
    bool IsKeyword(const Token &t, const char *word) const
    {
        return t.kind == Tok::Ident && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool AcceptKeyword(const char *word)
    {
        if (IsKeyword(Peek(), word)) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool AcceptOp(const char *op)
    {
        if (Peek().kind == Tok::Op && Peek().text == QLatin1String(op)) {
            ++pos_;
            return true;
        }
        return false;
    }

    static std::unique_ptr<FilterNode> Make(NodeKind kind)
    {
        auto n = std::make_unique<FilterNode>();
        n->kind = kind;
        return n;
    }

    std::unique_ptr<FilterNode> ParseOr()
    {
        auto left = ParseAnd();
        while (AcceptKeyword("OR")) {
            auto n = Make(NodeKind::Or);
            n->left = std::move(left);
            n->right = ParseAnd();
            left = std::move(n);
        }
        return left;
    }

    std::unique_ptr<FilterNode> ParseAnd()
    {
        auto left = ParseNot();
        while (AcceptKeyword("AND")) {
            auto n = Make(NodeKind::And);
            n->left = std::move(left);
            n->right = ParseNot();
            left = std::move(n);
        }
        return left;
    }

    std::unique_ptr<FilterNode> ParseNot()
    {
        if (AcceptKeyword("NOT")) {
            auto n = Make(NodeKind::Not);
            n->left = ParseNot();
            return n;
        }
        return ParseComparison();
    }

    std::unique_ptr<FilterNode> ParseComparison()
    {
        auto left = ParseAdditive();
        const Token &t = Peek();
        if (t.kind == Tok::Op
            && (t.text == QLatin1String("=") || t.text == QLatin1String("<>") || t.text == QLatin1String("!=")
                || t.text == QLatin1String("<") || t.text == QLatin1String("<=") || t.text == QLatin1String(">")
                || t.text == QLatin1String(">="))) {
            auto n = Make(NodeKind::Compare);
            n->op = Take().text == QLatin1String("!=") ? QStringLiteral("<>") : tokens_[pos_ - 1].text;
            n->left = std::move(left);
            n->right = ParseAdditive();
            return n;
        }
        if (AcceptKeyword("IS")) {
            auto n = Make(NodeKind::IsNull);
            n->negate = AcceptKeyword("NOT");
            if (!AcceptKeyword("NULL"))
                Fail(text_, QStringLiteral("NULL atteso dopo IS"));
            n->left = std::move(left);
            return n;
        }
        bool negate = false;
        if (IsKeyword(Peek(), "NOT") && (IsKeyword(tokens_[pos_ + 1], "IN") || IsKeyword(tokens_[pos_ + 1], "LIKE"))) {
            ++pos_;
            negate = true;
        }
        if (AcceptKeyword("IN")) {
            auto n = Make(NodeKind::In);
            n->negate = negate;
            n->left = std::move(left);
            if (Take().kind != Tok::LParen)
                Fail(text_, QStringLiteral("\"(\" atteso dopo IN"));
            for (;;) {
                n->list.push_back(ParseAdditive());
                if (Peek().kind == Tok::Comma) {
                    ++pos_;
                    continue;
                }
                if (Take().kind != Tok::RParen)
                    Fail(text_, QStringLiteral("\")\" atteso"));
                break;
            }
            return n;
        }
        if (AcceptKeyword("LIKE")) {
            auto n = Make(NodeKind::Like);
            n->negate = negate;
            n->left = std::move(left);
            n->right = ParseAdditive();
            return n;
        }
        return left;
    }

    std::unique_ptr<FilterNode> ParseAdditive()
    {
        auto left = ParseTerm();
        for (;;) {
            if (Peek().kind == Tok::Op && (Peek().text == QLatin1String("+") || Peek().text == QLatin1String("-"))) {
                auto n = Make(NodeKind::Arith);
                n->op = Take().text;
                n->left = std::move(left);
                n->right = ParseTerm();
                left = std::move(n);
            } else {
                return left;
            }
        }
    }

    std::unique_ptr<FilterNode> ParseTerm()
    {
        auto left = ParseFactor();
        for (;;) {
            if (Peek().kind == Tok::Op && (Peek().text == QLatin1String("*") || Peek().text == QLatin1String("/"))) {
                auto n = Make(NodeKind::Arith);
                n->op = Take().text;
                n->left = std::move(left);
                n->right = ParseFactor();
                left = std::move(n);
            } else {
                return left;
            }
        }
    }

    std::unique_ptr<FilterNode> ParseFactor()
    {
        const Token t = Take();
        switch (t.kind) {
        case Tok::Number: {
            auto n = Make(NodeKind::Literal);
            n->literal = Val::OfNum(t.number);
            return n;
        }
        case Tok::Text: {
            auto n = Make(NodeKind::Literal);
            n->literal = Val::OfStr(t.text);
            return n;
        }
        case Tok::LParen: {
            auto n = ParseOr();
            if (Take().kind != Tok::RParen)
                Fail(text_, QStringLiteral("\")\" atteso"));
            return n;
        }
        case Tok::Op:
            if (t.text == QLatin1String("-")) {
                auto n = Make(NodeKind::Neg);
                n->left = ParseFactor();
                return n;
            }
            if (t.text == QLatin1String("+"))
                return ParseFactor();
            break;
        case Tok::Ident: {
            if (t.text.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0)
                return Make(NodeKind::Literal);
            if (t.text.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0
                || t.text.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0) {
                auto n = Make(NodeKind::Literal);
                n->literal = Val::OfBool(t.text.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0);
                return n;
            }
            QString name = t.text;
            TField *field = resolve_(name);
            if (!field && name.contains(QLatin1Char('.')))
                field = resolve_(name.section(QLatin1Char('.'), -1));
            if (!field)
                Fail(text_, QStringLiteral("campo \"%1\" non trovato").arg(name));
            auto n = Make(NodeKind::Field);
            n->field = field;
            return n;
        }
        default:
            break;
        }
        if (t.kind == Tok::End)
            Fail(text_, QStringLiteral("espressione incompleta"));
        Fail(text_, QStringLiteral("\"%1\" inatteso").arg(t.text));
    }

    QString text_;
    DataFilter::Resolver resolve_;
    std::vector<Token> tokens_;
    size_t pos_ = 0;
};

Val FieldVal(const TField *field)
{
    const QVariant v = field->Value();
    if (field->IsNumeric() || field->DataType() == ftBoolean)
        return Val::OfNum(v.isNull() ? 0.0 : v.toDouble());
    if (field->IsDateTime()) {
        Val r;
        if (!v.isNull()) {
            r.kind = Val::Date;
            r.date = v.toDateTime();
        }
        return r;
    }
    return Val::OfStr(v.isNull() ? QString() : v.toString());
}

bool AsNumber(const Val &v, double &out)
{
    if (v.kind == Val::Num) {
        out = v.num;
        return true;
    }
    if (v.kind == Val::Str) {
        bool ok = false;
        QString s = v.str.trimmed();
        if (s.isEmpty()) {
            out = 0;
            return true;
        }
        out = s.toDouble(&ok);
        if (!ok)
            out = QString(s).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        return ok;
    }
    return false;
}

bool AsDate(const Val &v, QDateTime &out)
{
    if (v.kind == Val::Date) {
        out = v.date;
        return true;
    }
    if (v.kind == Val::Str) {
        out = ParseStoredDate(v.str);
        return out.isValid();
    }
    return false;
}

// -2 when the values cannot be compared.
int CompareVals(const Val &a, const Val &b, bool caseInsensitive)
{
    if (a.kind == Val::Null || b.kind == Val::Null)
        return -2;
    if (a.kind == Val::Date || b.kind == Val::Date) {
        QDateTime da, db;
        if (!AsDate(a, da) || !AsDate(b, db))
            return -2;
        return da < db ? -1 : (da > db ? 1 : 0);
    }
    if (a.kind == Val::Num || b.kind == Val::Num) {
        double x = 0, y = 0;
        if (AsNumber(a, x) && AsNumber(b, y))
            return x < y ? -1 : (x > y ? 1 : 0);
        // a text that is no number against a number: compare as texts
        const QString sa = a.kind == Val::Num ? QString::number(a.num) : a.str;
        const QString sb = b.kind == Val::Num ? QString::number(b.num) : b.str;
        const int c = sa.compare(sb, caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    const int c = a.str.compare(b.str, caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

QString ValText(const Val &v)
{
    switch (v.kind) {
    case Val::Num:
        return QString::number(v.num, 'g', 15);
    case Val::Str:
        return v.str;
    case Val::Date:
        return v.date.toString(QStringLiteral("dd/MM/yyyy"));
    case Val::Null:
        break;
    }
    return QString();
}

bool LikeMatch(const QString &text, const QString &pattern, bool caseInsensitive)
{
    QString re;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('%'))
            re += QStringLiteral(".*");
        else if (c == QLatin1Char('_'))
            re += QLatin1Char('.');
        else
            re += QRegularExpression::escape(QString(c));
    }
    QRegularExpression rx(QRegularExpression::anchoredPattern(re), caseInsensitive
                                                                       ? QRegularExpression::CaseInsensitiveOption
                                                                       : QRegularExpression::NoPatternOption);
    return rx.match(text).hasMatch();
}

Val Eval(const FilterNode *n, int options)
{
    const bool ci = options & foCaseInsensitive;
    switch (n->kind) {
    case NodeKind::Literal:
        return n->literal;
    case NodeKind::Field:
        return FieldVal(n->field);
    case NodeKind::Not:
        return Val::OfBool(!Eval(n->left.get(), options).Truth());
    case NodeKind::Neg: {
        const Val v = Eval(n->left.get(), options);
        double d = 0;
        if (!AsNumber(v, d))
            return Val();
        return Val::OfNum(-d);
    }
    case NodeKind::And:
        return Val::OfBool(Eval(n->left.get(), options).Truth() && Eval(n->right.get(), options).Truth());
    case NodeKind::Or:
        return Val::OfBool(Eval(n->left.get(), options).Truth() || Eval(n->right.get(), options).Truth());
    case NodeKind::Arith: {
        const Val a = Eval(n->left.get(), options);
        const Val b = Eval(n->right.get(), options);
        double x = 0, y = 0;
        if (n->op == QLatin1String("+") && (a.kind == Val::Str || b.kind == Val::Str)
            && !(AsNumber(a, x) && AsNumber(b, y)))
            return Val::OfStr(ValText(a) + ValText(b));
        if (!AsNumber(a, x) || !AsNumber(b, y))
            return Val();
        if (n->op == QLatin1String("+"))
            return Val::OfNum(x + y);
        if (n->op == QLatin1String("-"))
            return Val::OfNum(x - y);
        if (n->op == QLatin1String("*"))
            return Val::OfNum(x * y);
        if (y == 0)
            return Val();
        return Val::OfNum(x / y);
    }
    case NodeKind::Compare: {
        const Val a = Eval(n->left.get(), options);
        const Val b = Eval(n->right.get(), options);
        if (n->op == QLatin1String("=") && !(options & foNoPartialCompare) && a.kind == Val::Str
            && n->right->kind == NodeKind::Literal && b.kind == Val::Str && b.str.endsWith(QLatin1Char('*'))) {
            return Val::OfBool(a.str.startsWith(b.str.chopped(1), ci ? Qt::CaseInsensitive : Qt::CaseSensitive));
        }
        const int c = CompareVals(a, b, ci);
        if (c == -2)
            return Val::OfBool(false);
        if (n->op == QLatin1String("="))
            return Val::OfBool(c == 0);
        if (n->op == QLatin1String("<>"))
            return Val::OfBool(c != 0);
        if (n->op == QLatin1String("<"))
            return Val::OfBool(c < 0);
        if (n->op == QLatin1String("<="))
            return Val::OfBool(c <= 0);
        if (n->op == QLatin1String(">"))
            return Val::OfBool(c > 0);
        return Val::OfBool(c >= 0);
    }
    case NodeKind::IsNull: {
        bool isNull;
        if (n->left->kind == NodeKind::Field)
            isNull = n->left->field->IsNull();
        else
            isNull = Eval(n->left.get(), options).kind == Val::Null;
        return Val::OfBool(n->negate ? !isNull : isNull);
    }
    case NodeKind::In: {
        const Val a = Eval(n->left.get(), options);
        bool found = false;
        for (const auto &item : n->list) {
            if (CompareVals(a, Eval(item.get(), options), ci) == 0) {
                found = true;
                break;
            }
        }
        return Val::OfBool(n->negate ? !found : found);
    }
    case NodeKind::Like: {
        const Val a = Eval(n->left.get(), options);
        const Val b = Eval(n->right.get(), options);
        const bool m = LikeMatch(ValText(a), ValText(b), ci);
        return Val::OfBool(n->negate ? !m : m);
    }
    }
    return Val();
}

} // namespace

DataFilter::DataFilter(const QString &text, const Resolver &resolve, int options) : options_(options)
{
    Parser parser(text, resolve);
    root_ = parser.Parse();
}

DataFilter::~DataFilter() = default;

bool DataFilter::Matches() const
{
    if (!root_)
        return true;
    return Eval(root_.get(), options_).Truth();
}

} // namespace kv8data

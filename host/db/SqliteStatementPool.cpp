#include "host/db/SqliteStatementPool.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QSqlResult>
#include <QtGlobal>

#include <type_traits>
#include <unordered_map>
#include <vector>

// What the pool relies on in Qt:
// - QSqlResult's virtual interface: PooledResult overrides every virtual of Qt 6's (each
//   marked override, so a changed signature stops the build) and forwards it to the driver's
//   result. Qt changes that interface only with a major version.
// - QSqlQuery reads position, state and error from its own result's non-virtual members:
//   PooledResult copies them out of the driver's result after every call.
// - The SQLite driver's detachFromResultSet resets its statement without finalizing it, and
//   its exec runs a statement prepared before again (checked by the tests).
static_assert(QT_VERSION_MAJOR == 6, "check PooledResult against the virtual interface of QSqlResult");
static_assert(std::has_virtual_destructor_v<QSqlResult>, "the pool deletes driver results through QSqlResult");
static_assert(std::is_polymorphic_v<QSqlResult> && !std::is_final_v<QSqlResult>);

namespace kv8db {

namespace {
constexpr qsizetype kMaxIdle = 200;
constexpr size_t kMaxIdlePerText = 2;
} // namespace

// The idle statements by engine text, each with the schema version it was prepared under.
struct IdleStatements {
    struct Idle {
        std::unique_ptr<QSqlResult> result;
        qint64 schema = -1;
    };
    std::unordered_map<QString, std::vector<Idle>> byText;
    qsizetype count = 0;
    quint64 generation = 0; // statements taken out before a Clear are not taken back

    // One prepared under the given schema version; those prepared under another are dropped.
    std::unique_ptr<QSqlResult> Take(const QString &text, qint64 schema)
    {
        const auto it = byText.find(text);
        if (it == byText.end())
            return nullptr;
        std::vector<Idle> &list = it->second;
        while (!list.empty()) {
            Idle entry = std::move(list.back());
            list.pop_back();
            --count;
            if (entry.schema == schema)
                return std::move(entry.result);
        }
        return nullptr;
    }

    void Clear()
    {
        byText.clear();
        count = 0;
        ++generation;
    }

    void Put(const QString &text, std::unique_ptr<QSqlResult> r, qint64 schema, quint64 from)
    {
        if (from != generation)
            return;
        if (const auto it = byText.find(text); it != byText.end() && it->second.size() >= kMaxIdlePerText)
            return;
        if (count >= kMaxIdle)
            Clear();
        byText[text].push_back(Idle{std::move(r), schema});
        ++count;
    }
};

namespace {

// The protected interface of the driver's result, reached from the result that reads through it.
struct DriverResult : QSqlResult {
    using BindAt = void (QSqlResult::*)(int, const QVariant &, QSql::ParamType);
    using BindNamed = void (QSqlResult::*)(const QString &, const QVariant &, QSql::ParamType);

    static int At(const QSqlResult *r) { return (r->*&DriverResult::at)(); }
    static bool IsActive(const QSqlResult *r) { return (r->*&DriverResult::isActive)(); }
    static bool IsSelect(const QSqlResult *r) { return (r->*&DriverResult::isSelect)(); }
    static QSqlError LastError(const QSqlResult *r) { return (r->*&DriverResult::lastError)(); }
    static void SetAt(QSqlResult *r, int at) { (r->*&DriverResult::setAt)(at); }
    static void SetActive(QSqlResult *r, bool a) { (r->*&DriverResult::setActive)(a); }
    static void SetLastError(QSqlResult *r, const QSqlError &e) { (r->*&DriverResult::setLastError)(e); }
    static void SetQuery(QSqlResult *r, const QString &q) { (r->*&DriverResult::setQuery)(q); }
    static void SetSelect(QSqlResult *r, bool s) { (r->*&DriverResult::setSelect)(s); }
    static void SetForwardOnly(QSqlResult *r, bool f) { (r->*&DriverResult::setForwardOnly)(f); }
    static bool Exec(QSqlResult *r) { return (r->*&DriverResult::exec)(); }
    static bool Prepare(QSqlResult *r, const QString &q) { return (r->*&DriverResult::prepare)(q); }
    static bool SavePrepare(QSqlResult *r, const QString &q) { return (r->*&DriverResult::savePrepare)(q); }
    static bool Reset(QSqlResult *r, const QString &q) { return (r->*&DriverResult::reset)(q); }
    static void Bind(QSqlResult *r, int pos, const QVariant &v, QSql::ParamType t)
    {
        (r->*static_cast<BindAt>(&DriverResult::bindValue))(pos, v, t);
    }
    static void Bind(QSqlResult *r, const QString &name, const QVariant &v, QSql::ParamType t)
    {
        (r->*static_cast<BindNamed>(&DriverResult::bindValue))(name, v, t);
    }
    static QVariant Data(QSqlResult *r, int i) { return (r->*&DriverResult::data)(i); }
    static bool IsNull(QSqlResult *r, int i) { return (r->*&DriverResult::isNull)(i); }
    static bool Fetch(QSqlResult *r, int i) { return (r->*&DriverResult::fetch)(i); }
    static bool FetchNext(QSqlResult *r) { return (r->*&DriverResult::fetchNext)(); }
    static bool FetchPrevious(QSqlResult *r) { return (r->*&DriverResult::fetchPrevious)(); }
    static bool FetchFirst(QSqlResult *r) { return (r->*&DriverResult::fetchFirst)(); }
    static bool FetchLast(QSqlResult *r) { return (r->*&DriverResult::fetchLast)(); }
    static int Size(QSqlResult *r) { return (r->*&DriverResult::size)(); }
    static int RowsAffected(QSqlResult *r) { return (r->*&DriverResult::numRowsAffected)(); }
    static QSqlRecord Record(const QSqlResult *r) { return (r->*&DriverResult::record)(); }
    static QVariant LastInsertId(const QSqlResult *r) { return (r->*&DriverResult::lastInsertId)(); }
    static void VirtualHook(QSqlResult *r, int id, void *data) { (r->*&DriverResult::virtual_hook)(id, data); }
    static bool ExecBatch(QSqlResult *r, bool arrayBind) { return (r->*&DriverResult::execBatch)(arrayBind); }
    static void Detach(QSqlResult *r) { (r->*&DriverResult::detachFromResultSet)(); }
    static void SetPrecision(QSqlResult *r, QSql::NumericalPrecisionPolicy p)
    {
        (r->*&DriverResult::setNumericalPrecisionPolicy)(p);
    }
    static bool NextResult(QSqlResult *r) { return (r->*&DriverResult::nextResult)(); }
};

// The result of a query handed out by the pool: it reads through a prepared statement of the
// pool and gives it back, reset, when the query is destroyed. A statement that failed or was
// given another text is not given back.
class PooledResult final : public QSqlResult {
public:
    PooledResult(const QSqlDriver *driver, std::unique_ptr<QSqlResult> inner,
                 const std::shared_ptr<IdleStatements> &pool, const QString &text, qint64 schema)
        : QSqlResult(driver), inner_(std::move(inner)), pool_(pool), text_(text), schema_(schema),
          generation_(pool->generation)
    {
        QSqlResult::setQuery(text);
    }
    ~PooledResult() override
    {
        const std::shared_ptr<IdleStatements> pool = pool_.lock();
        if (!pool || !reusable_)
            return;
        DriverResult::Detach(inner_.get());
        DriverResult::SetActive(inner_.get(), false);
        DriverResult::SetAt(inner_.get(), QSql::BeforeFirstRow);
        pool->Put(text_, std::move(inner_), schema_, generation_);
    }
    PooledResult(const PooledResult &) = delete;
    PooledResult &operator=(const PooledResult &) = delete;

    // The statement is prepared for the pool's text.
    void SetReusable() { reusable_ = true; }
    QVariant handle() const override { return inner_->handle(); }

protected:
    void setAt(int at) override
    {
        QSqlResult::setAt(at);
        DriverResult::SetAt(inner_.get(), at);
    }
    void setActive(bool a) override
    {
        QSqlResult::setActive(a);
        DriverResult::SetActive(inner_.get(), a);
    }
    void setLastError(const QSqlError &e) override
    {
        QSqlResult::setLastError(e);
        DriverResult::SetLastError(inner_.get(), e);
    }
    void setQuery(const QString &q) override
    {
        QSqlResult::setQuery(q);
        DriverResult::SetQuery(inner_.get(), q);
    }
    void setSelect(bool s) override
    {
        QSqlResult::setSelect(s);
        DriverResult::SetSelect(inner_.get(), s);
    }
    void setForwardOnly(bool f) override
    {
        QSqlResult::setForwardOnly(f);
        DriverResult::SetForwardOnly(inner_.get(), f);
    }
    void setNumericalPrecisionPolicy(QSql::NumericalPrecisionPolicy p) override
    {
        QSqlResult::setNumericalPrecisionPolicy(p);
        DriverResult::SetPrecision(inner_.get(), p);
    }
    void bindValue(int pos, const QVariant &v, QSql::ParamType t) override
    {
        QSqlResult::bindValue(pos, v, t);
        DriverResult::Bind(inner_.get(), pos, v, t);
    }
    void bindValue(const QString &name, const QVariant &v, QSql::ParamType t) override
    {
        QSqlResult::bindValue(name, v, t);
        DriverResult::Bind(inner_.get(), name, v, t);
    }
    bool exec() override { return Ran(DriverResult::Exec(inner_.get())); }
    bool execBatch(bool arrayBind) override { return Ran(DriverResult::ExecBatch(inner_.get(), arrayBind)); }
    bool prepare(const QString &q) override
    {
        reusable_ = false;
        return Ran(DriverResult::Prepare(inner_.get(), q));
    }
    bool savePrepare(const QString &q) override
    {
        reusable_ = false;
        return Ran(DriverResult::SavePrepare(inner_.get(), q));
    }
    bool reset(const QString &q) override
    {
        reusable_ = false;
        return Ran(DriverResult::Reset(inner_.get(), q));
    }
    bool nextResult() override
    {
        reusable_ = false;
        return Ran(DriverResult::NextResult(inner_.get()));
    }
    QVariant data(int i) override { return DriverResult::Data(inner_.get(), i); }
    bool isNull(int i) override { return DriverResult::IsNull(inner_.get(), i); }
    bool fetch(int i) override { return Moved(DriverResult::Fetch(inner_.get(), i)); }
    bool fetchNext() override { return Moved(DriverResult::FetchNext(inner_.get())); }
    bool fetchPrevious() override { return Moved(DriverResult::FetchPrevious(inner_.get())); }
    bool fetchFirst() override { return Moved(DriverResult::FetchFirst(inner_.get())); }
    bool fetchLast() override { return Moved(DriverResult::FetchLast(inner_.get())); }
    int size() override { return DriverResult::Size(inner_.get()); }
    int numRowsAffected() override { return DriverResult::RowsAffected(inner_.get()); }
    QSqlRecord record() const override { return DriverResult::Record(inner_.get()); }
    QVariant lastInsertId() const override { return DriverResult::LastInsertId(inner_.get()); }
    void detachFromResultSet() override { DriverResult::Detach(inner_.get()); }
    void virtual_hook(int id, void *data) override { DriverResult::VirtualHook(inner_.get(), id, data); }

private:
    // After a statement ran: this result shows the driver's state.
    bool Ran(bool ok)
    {
        QSqlResult::setAt(DriverResult::At(inner_.get()));
        QSqlResult::setActive(DriverResult::IsActive(inner_.get()));
        QSqlResult::setSelect(DriverResult::IsSelect(inner_.get()));
        const QSqlError error = DriverResult::LastError(inner_.get());
        QSqlResult::setLastError(error);
        if (!ok || error.isValid())
            reusable_ = false;
        return ok;
    }
    // After a move: the position, and the error when it failed.
    bool Moved(bool ok)
    {
        QSqlResult::setAt(DriverResult::At(inner_.get()));
        if (!ok) {
            const QSqlError error = DriverResult::LastError(inner_.get());
            if (error.isValid()) {
                QSqlResult::setLastError(error);
                reusable_ = false;
            }
        }
        return ok;
    }

    std::unique_ptr<QSqlResult> inner_;
    std::weak_ptr<IdleStatements> pool_;
    QString text_;
    qint64 schema_;
    quint64 generation_;
    bool reusable_ = false;
};

} // namespace

SqliteStatementPool::SqliteStatementPool() : idle_(std::make_shared<IdleStatements>()) {}

SqliteStatementPool::~SqliteStatementPool() = default;

QSqlQuery SqliteStatementPool::Reader(const QSqlDriver *driver, const QString &text, bool forwardOnly, qint64 schema)
{
    std::unique_ptr<QSqlResult> inner = idle_->Take(text, schema);
    const bool fresh = !inner;
    if (fresh)
        inner.reset(driver->createResult());
    auto *result = new PooledResult(driver, std::move(inner), idle_, text, schema);
    QSqlQuery q(result);
    q.setForwardOnly(forwardOnly);
    if (fresh && !q.prepare(text))
        return q;
    result->SetReusable();
    return q;
}

void SqliteStatementPool::Clear()
{
    idle_->Clear();
}

} // namespace kv8db

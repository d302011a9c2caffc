#pragma once
// PostgreSQL: a result the database layer read through libpq on the connection of Qt's driver,
// seen through a QSqlQuery as a reading of the driver: the same values, nulls and record.
#include <QSqlResult>

#include <vector>

struct pg_result;

namespace kv8db {

// Type numbers of the server's catalogue.
namespace PgType {
enum : unsigned {
    Bool = 16,
    Bytea = 17,
    Int8 = 20,
    Int2 = 21,
    Int4 = 23,
    Regproc = 24,
    Text = 25,
    ObjectId = 26,
    Xid = 28,
    Cid = 29,
    Float4 = 700,
    Float8 = 701,
    Abstime = 702,
    Reltime = 703,
    Bpchar = 1042,
    Varchar = 1043,
    Date = 1082,
    Time = 1083,
    Timestamp = 1114,
    TimestampTz = 1184,
    TimeTz = 1266,
    Bit = 1560,
    Varbit = 1562,
    Numeric = 1700,
};
} // namespace PgType

class PostgresResult final : public QSqlResult {
public:
    // text: the caller's statement, the reading's lastQuery()
    PostgresResult(const QSqlDriver *driver, const QString &text);
    ~PostgresResult() override;
    PostgresResult(const PostgresResult &) = delete;
    PostgresResult &operator=(const PostgresResult &) = delete;

    // Takes over a statement's result, or one of its rows where libpq hands them over one at a
    // time (it does so for the first statement of a pipeline after the driver read a row at a
    // time); the reading stands before the first row.
    void Add(pg_result *part);
    // Takes over the next row of a reading a row at a time (single-row mode), in place of the one
    // before; the reading stands on it.
    void SetRow(pg_result *row);
    // Frees the results held: a row read row at a time once it is used, before libpq makes the
    // next one (the same memory serves it).
    void Release();

    // The server's result the reading's current row is in, and its row there; before the first
    // row the result that describes the columns.
    const pg_result *Result() const;
    int Row() const;

protected:
    QVariant data(int column) override;
    bool isNull(int column) override;
    bool reset(const QString &) override { return false; }
    bool fetch(int row) override;
    bool fetchFirst() override { return fetch(0); }
    bool fetchLast() override;
    int size() override;
    int numRowsAffected() override;
    QSqlRecord record() const override;

private:
    // What a reading of the result is: a reading of rows or a command's, forward only or not.
    void Describe(const pg_result *first, bool rowByRow);
    bool OnePart() const { return parts_.size() == 1; }

    std::vector<pg_result *> parts_; // the whole result, or a result for each row
    int rows_ = 0;
    int affected_ = -1;
    bool rowByRow_ = false; // a row at a time: only the current row is held
};

} // namespace kv8db

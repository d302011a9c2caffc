#pragma once
// One record of a dataset, packed into a single allocation: a tag byte per value, an 8-byte
// slot per value, and the texts after the slots (Latin-1 when they fit, UTF-16 otherwise).
#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QVariant>

#include <cstdint>

namespace kv8data {

class Record {
public:
    // A record holding the given values; id identifies it for bookmarks.
    static Record *Create(quint64 id, const QVariant *values, int count);
    static void Destroy(Record *record);
    Record *Clone(quint64 id) const;

    quint64 Id() const { return id_; }
    int Count() const { return count_; }
    QVariant Get(int index) const;
    bool IsNull(int index) const;
    // The value at index without a QVariant: false when it is held as another kind.
    bool ReadDouble(int index, double &out) const;
    bool ReadInteger(int index, qint64 &out) const;
    bool ReadText(int index, QString &out) const;
    // True when the value at index is held exactly as other's at otherIndex (same kind, same
    // bits or bytes); false says nothing: one value can be held in two forms.
    bool HeldAlike(int index, const Record &other, int otherIndex) const;
    // True when Get(index) would give value (same type, same contents: a null is the invalid
    // QVariant); false says nothing for the kinds compared through Get.
    bool Holds(int index, const QVariant &value) const;
    // The value at index replaced where it lies: false (nothing changed) when it is not held
    // as an integer.
    bool WriteInteger(int index, qint64 value);

    // Pending-change status for datasets that apply their changes later.
    enum Status : quint8 { Unchanged = 0, Inserted = 1, Modified = 2 };
    Status ChangeStatus() const { return static_cast<Status>(status_); }
    void SetChangeStatus(Status s) { status_ = s; }

    Record(const Record &) = delete;
    Record &operator=(const Record &) = delete;

private:
    Record() = default;
    ~Record() = default;
    const quint8 *Tags() const;
    const quint64 *Slots() const;
    const char *Text() const;

    quint64 id_ = 0;
    quint32 bytes_ = 0;
    quint16 count_ = 0;
    quint8 status_ = 0;
    quint8 reserved_ = 0;
};

// A local date and time; the recent ones are kept, since making one asks the system for the
// time zone.
QDateTime LocalDateTime(const QDate &date, const QTime &time);

// Owns a record pointer; used for the original image of a changed record.
struct RecordDeleter {
    void operator()(Record *r) const { Record::Destroy(r); }
};

} // namespace kv8data

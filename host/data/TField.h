#pragma once
// Fields of a dataset: data columns, lookups and calculated values, with typed access.
#include "host/core/Errors.h"
#include "host/db/Dictionary.h"

#include <QDateTime>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>

class TDataSet;
namespace kv8data {
class Record;
}

enum TFieldType {
    ftUnknown,
    ftString,
    ftFixedChar,
    ftSmallint,
    ftInteger,
    ftLargeint,
    ftBoolean,
    ftFloat,
    ftDate,
    ftTime,
    ftDateTime,
    ftMemo,
    ftAutoInc,
    ftBlob
};

enum TFieldKind { fkData, fkCalculated, fkLookup };

class TField {
public:
    using TFieldNotifyEvent = std::function<void(TField *)>;

    TField(const TField &) = delete;
    TField &operator=(const TField &) = delete;
    ~TField();

    TDataSet *DataSet() const { return dataSet_; }
    const QString &FieldName() const { return name_; }
    TFieldType DataType() const { return type_; }
    TFieldKind FieldKind() const { return kind_; }
    bool IsCalculated() const { return kind_ != fkData; }
    bool IsNumeric() const;
    bool IsText() const;
    bool IsDateTime() const;
    // Position in the dataset's field list.
    int Index() const;

    int Size() const { return size_; }
    void SetSize(int size) { size_ = size; }
    QString DisplayLabel() const { return label_.isEmpty() ? name_ : label_; }
    void SetDisplayLabel(const QString &label) { label_ = label; }
    // A new format shows at once in the controls bound to the field.
    const QString &DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const QString &format);
    const QString &EditFormat() const { return editFormat_; }
    void SetEditFormat(const QString &format);
    bool Visible() const { return visible_; }
    void SetVisible(bool v) { visible_ = v; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v) { readOnly_ = v; }
    bool Required() const { return required_; }
    void SetRequired(bool v) { required_ = v; }
    int DisplayWidth() const;
    void SetDisplayWidth(int w) { displayWidth_ = w; }
    // How a number shows where no display format is given (a KFormati::TFormatoNumero:
    // quantity, price, value...); from the dictionary, fnNessuno for none.
    int NumberKind() const { return numberKind_; }
    void SetNumberKind(int kind) { numberKind_ = kind; }
    // A yes/no column (1 yes, 0 no), shown as a check mark.
    bool IsFlag() const { return flag_; }
    void SetFlag(bool flag) { flag_ = flag; }
    // The text of the dictionary's item for a value (what a drop-down list shows); empty
    // when the column has no item of that value.
    QString ItemText(const QVariant &value) const;
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }
    // Dictionary entry of the column, when the dictionary knows it (items, default, autokey).
    const DictColumn *DictInfo() const { return dict_; }
    // Declared in code or from the dictionary, rather than made for an undeclared column.
    bool IsPersistent() const { return persistent_; }

    // Lookup fields: the lookup dataset is searched on LookupKeyFields with the values of
    // KeyFields of this dataset ("A;B" lists of the same length); the result is
    // LookupResultField of the record found, or empty.
    void SetLookup(TDataSet *lookupDataSet, const QString &keyFields, const QString &lookupKeyFields,
                   const QString &resultField);
    TDataSet *LookupDataSet() const { return lookupDataSet_; }
    const QString &KeyFields() const { return keyFields_; }
    const QString &LookupKeyFields() const { return lookupKeyFields_; }
    const QString &LookupResultField() const { return lookupResult_; }

    // Values. An empty number reads 0, an empty text "", an empty date a null QDateTime.
    QVariant Value() const;
    void SetValue(const QVariant &value);
    bool IsNull() const;
    void Clear();
    QString AsString() const;
    void SetAsString(const QString &value);
    int AsInteger() const;
    void SetAsInteger(int value);
    qint64 AsLargeInt() const;
    void SetAsLargeInt(qint64 value);
    double AsFloat() const;
    void SetAsFloat(double value);
    QDateTime AsDateTime() const;
    void SetAsDateTime(const QDateTime &value);
    void SetAsDateTime(const QDate &value);
    bool AsBoolean() const;
    void SetAsBoolean(bool value);
    // True when other holds, in the same form, the value this field holds; false says
    // nothing (compare the values then).
    bool HeldAlike(const TField &other) const;
    // True when Value() would give exactly value, read off the stored record; false says
    // nothing (compare the values then).
    bool HeldAs(const QVariant &value) const;
    // The value before the current edit began (the stored value while browsing).
    QVariant OldValue() const;

    // Text for display (DisplayFormat) and for editing (EditFormat, else DisplayFormat).
    QString DisplayText() const;
    QString Text() const;
    // Parses an edited text (Italian dates; numbers strictly as KFormati::ParseTypedFloat
    // reads them); an empty text clears the field. A refusal names the field and keeps the
    // old value.
    void SetText(const QString &text);
    // Formats any value as this field would display it (row: the dataset's row it is the
    // value of, for the row's currency; -1 the current record).
    QString FormatValue(const QVariant &value, bool forDisplay, int row = -1) const;
    // A number in a number kind with Italian separators: for display every decimal of the
    // kind ("#,##0.000"), for typing only those that count ("0.###"). Prices and values
    // take the decimals of the row's currency (TDataSet::SetCurrencyField).
    QString FormatNumber(int kind, double value, bool forDisplay, int row = -1) const;

    // Asks the data-aware controls to put the focus on this field's control.
    void FocusControl();

    TFieldNotifyEvent OnValidate; // throws to refuse; the field keeps its old value
    TFieldNotifyEvent OnChange;

private:
    friend class TDataSet;
    TField(TDataSet *dataSet, const QString &name, TFieldType type, int size, TFieldKind kind);
    void ApplyDictionary(const DictColumn *column);
    // The stored record Value() reads this field from, or nullptr when it reads elsewhere.
    const kv8data::Record *StoredRecord() const;

    TDataSet *dataSet_;
    QString name_;
    TFieldType type_;
    TFieldKind kind_;
    int size_ = 0;
    QString label_;
    QString displayFormat_;
    QString editFormat_;
    bool visible_ = true;
    bool readOnly_ = false;
    bool required_ = false;
    int displayWidth_ = 0;
    int tag_ = 0;
    int numberKind_ = 0;
    bool flag_ = false;
    const DictColumn *dict_ = nullptr;
    bool persistent_ = true;
    bool bound_ = true;   // part of the dataset's current layout
    bool hidden_ = false; // internal column (row id), not in the field list
    int slot_ = -1;       // column of the record, or slot of the calculated values
    bool autoKey_ = false;

    QPointer<TDataSet> lookupDataSet_;
    QString keyFields_;
    QString lookupKeyFields_;
    QString lookupResult_;
};

namespace kv8data {
// Price and value decimals of a currency (its code; "" the company's currency).
struct CurrencyDecimals {
    int price = 0;
    int value = 0;
};
// The business layer answers from its currency table; it may throw for a currency it does
// not know. Without a source, or on a throw, the company's decimals of the kind count.
using CurrencyDecimalsSource = std::function<CurrencyDecimals(const QString &currency)>;
void SetCurrencyDecimalsSource(CurrencyDecimalsSource source);
// The value converted to what a field of that type holds (null stays null). Texts are parsed
// leniently ("12", "1,5", "2024-01-31 10:00:00", "31/01/2024"); a text that is no number
// or date where one is needed throws Exception.
QVariant Coerce(const QVariant &value, TFieldType type);
// Same, but never throws: an unreadable value becomes null.
QVariant CoerceLoaded(const QVariant &value, TFieldType type);
TFieldType FieldTypeOf(FieldType dictType);
FieldType DictTypeOf(TFieldType type);
TFieldType FieldTypeOfMeta(int metaTypeId);
bool IsNumericType(TFieldType type);
bool IsTextType(TFieldType type);
bool IsDateType(TFieldType type);
// Reads a stored date text ("yyyy-MM-dd[ HH:mm:ss[.zzz]]", with "T" too, or "dd/mm/yyyy").
QDateTime ParseStoredDate(const QString &text);
} // namespace kv8data

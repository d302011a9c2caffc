#pragma once
// Data-aware controls: each shows one field of the current record of a data source and
// writes what the user enters back into it.
//
// - Typing into a control of a browsed dataset puts it into Edit when the source allows
//   automatic editing; otherwise the key is refused.
// - With the focus, an edit of a field that can be changed shows the text to change (no
//   display format); a value selected whole stays selected when the text is swapped, so
//   what is typed over it replaces it.
// - Leaving the control assigns the field (which runs its OnValidate); a refusal shows its
//   text, the field keeps its old value, the control shows it again and keeps the focus.
// - A post writes a pending control into its field first.
// - A control is read-only while its source cannot be edited (inactive, read-only dataset
//   or field).
//
// In a Qt Designer layout a control is a promoted widget naming its binding with the
// dynamic properties "dataSource" (a TDataSource of the window, or "Module.Source" of an
// application data module) and "dataField"; the binder connects it when the window is
// created. Further dynamic properties: "formatoNumero" (a KFormati::TFormatoNumero) on
// edits; "searchTable", "searchKey", "searchDescription", "searchCondition",
// "searchLimit", "searchView", "descrizione" (a label showing the description) and
// "menuCode" (a master window to open) on code edits; "valueChecked" and
// "valueUnchecked" on check boxes.
#include "host/core/KFormati.h"
#include "host/data/TDataSource.h"
#include "host/ui/Forms.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTabWidget>

#include <functional>

// The named number formats of edits.
namespace Kdbctrls {
using TFormatoNumero = KFormati::TFormatoNumero;
using KFormati::fnIntero;
using KFormati::fnNessuno;
using KFormati::fnPercentuale;
using KFormati::fnPrezzoES;
using KFormati::fnPrezzoIT;
using KFormati::fnQuantita;
using KFormati::fnQuantita2;
using KFormati::fnValoreES;
using KFormati::fnValoreIT;
} // namespace Kdbctrls

// The link of a control to one field of a data source.
class TFieldDataLink : public TDataLink {
public:
    explicit TFieldDataLink(QWidget *control) : control_(control) {}

    QWidget *Control() const { return control_; }
    const QString &FieldName() const { return fieldName_; }
    void SetFieldName(const QString &name);
    // The field of the source's dataset; nullptr while inactive or when it has no such field.
    TField *Field() const;
    // The control holds a value the field does not have yet.
    bool IsModified() const { return modified_; }
    void SetModified() { modified_ = true; }
    // The control shows the field again; the change it held is dropped.
    void Reset();
    // The field may be changed through the source now or after Edit.
    bool CanModify() const;
    // Puts the dataset into edit when the source allows it; true when it is editing.
    bool BeginEdit();
    // For a change the control took without a key (paste, drop): puts the dataset into edit
    // keeping what the control now holds; false (the control shows the field again) when
    // the source cannot edit. restore puts the control's value back after the edit began.
    bool BeginEditKeeping(const std::function<void()> &restore);
    // Writes a pending change of the control into the field; throws the field's refusal.
    void UpdateRecord();

    std::function<void()> OnDataChange;    // show the field
    std::function<void()> OnEditingChange; // editing state changed
    std::function<void()> OnActiveChange;  // source opened, closed, re-pointed
    std::function<void()> OnUpdateData;    // write the control into the field
    std::function<void()> OnFocus;         // the field asks for the focus

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void DataSetChanged() override;
    void RecordChanged(TField *field) override;
    void UpdateData() override;
    void FocusControl(TField *field) override;

private:
    void Show();
    // Tells the control when the field it shows is another one (source re-pointed,
    // dataset reopened).
    void CheckField();

    QWidget *control_;
    TField *lastField_ = nullptr;
    QString fieldName_;
    bool modified_ = false;
};

// What the binder knows of a data-aware control.
class IDataControl {
public:
    virtual ~IDataControl() = default;
    virtual TDataSource *DataSource() const = 0;
    virtual void SetDataSource(TDataSource *source) = 0;
    virtual QString DataField() const { return QString(); }
    virtual void SetDataField(const QString &) {}
    // Reads the control's dynamic properties (formats, search settings); the binder calls
    // it before connecting the control.
    virtual void ApplyProperties(TForm *) {}
};

// Common part of the field controls.
class QKeyEvent;

class TDBFieldControl : public IDataControl {
public:
    explicit TDBFieldControl(QWidget *control);
    TDataSource *DataSource() const override { return link_.DataSource(); }
    void SetDataSource(TDataSource *source) override { link_.SetDataSource(source); }
    QString DataField() const override { return link_.FieldName(); }
    void SetDataField(const QString &name) override { link_.SetFieldName(name); }
    TField *Field() const { return link_.Field(); }
    TFieldDataLink &DataLink() { return link_; }
    const TFieldDataLink &DataLink() const { return link_; }
    // Read-only by choice of the window (besides the source's own state).
    bool IsReadOnlySet() const { return readOnly_; }

protected:
    // Shows an error of the field and puts the control back to the field's value.
    void Refuse(const std::exception &error);
    // A key that changes the text of a browsed field starts the edit; false when the key
    // is refused (the source does not edit by itself, or the edit failed) and was consumed.
    bool AcceptTextKey(QKeyEvent *event, bool controlReadOnly);
    TFieldDataLink link_;
    bool readOnly_ = false;
    bool refusing_ = false;
};

class TDBEdit : public QLineEdit, public TDBFieldControl {
    Q_OBJECT
public:
    explicit TDBEdit(QWidget *parent = nullptr);

    // A named number format (KFormati::TFormatoNumero); fnNessuno uses the field's formats.
    // On a text field a number format only lets digits (and sign and comma) be typed.
    int FormatoNumero() const { return formato_; }
    void SetFormatoNumero(int kind);
    void SetReadOnly(bool readOnly);
    // Writes the text into the field now; false (after showing the refusal) when refused.
    bool Commit();
    // Shows the field again.
    void Refresh();
    void ApplyProperties(TForm *form) override;

    std::function<void(TDBEdit *)> OnEnter;
    std::function<void(TDBEdit *)> OnExit;
    std::function<void(TDBEdit *)> OnChange; // the user changed the text

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    virtual QString FieldText(bool forEditing) const;
    void UpdateReadOnly();

private:
    int formato_ = 0;
    class QValidator *numberValidator_ = nullptr;
};

// A date field: typed as dd/mm/yyyy.
class TDBDateEdit : public TDBEdit {
    Q_OBJECT
public:
    explicit TDBDateEdit(QWidget *parent = nullptr);
};

// A code edit: a search button (and F4) opens the host's search over a table; a label
// beside it can show the code's description; Ctrl+F4 opens the master window of the code.
class TDBCodeEdit : public TDBEdit {
    Q_OBJECT
public:
    explicit TDBCodeEdit(QWidget *parent = nullptr);

    QString TabellaRicerca;    // table (or view) searched
    QString CampoChiave;       // its key column; the edit's field name when empty
    QString CampoDescrizione;  // its description column; from the dictionary when empty
    QString CondizioneRicerca; // fixed extra condition (SQL)
    QString VistaRicerca;      // a view searched instead of the table
    int LimiteRicerca = 0;     // rows listed; 0 the host's default
    QString CodiceMenu;        // master window opened with Ctrl+F4 ("BBAS0051F")
    QPointer<QLabel> LabelDescrizione;

    // Before the host's search: may add a condition (filtro) or do its own search and set
    // doDefault false.
    std::function<void(TDBCodeEdit *, QString &filtro)> OnFiltroRicerca;
    std::function<void(TDBCodeEdit *, bool &doDefault)> OnRicerca;

    // The search: the handlers above, then the host's search dialog; the chosen code goes
    // into the field. True when a code was chosen.
    virtual bool Ricerca();
    // The description of the code now in the field, from the search table.
    QString Descrizione() const;
    void ApplyProperties(TForm *form) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void ShowDescription();
    QString DescriptionColumn() const;
};

class TDBCheckBox : public QCheckBox, public TDBFieldControl {
    Q_OBJECT
public:
    explicit TDBCheckBox(QWidget *parent = nullptr);

    QVariant ValueChecked = 1;
    QVariant ValueUnchecked = 0;
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    void Refresh();
    void ApplyProperties(TForm *form) override;

    std::function<void(TDBCheckBox *)> OnClick;

protected:
    void nextCheckState() override;
};

// A drop-down list: the items of the field's dictionary entry (value and text), or the
// items of the layout (their data as value, else their text).
class TDBComboBox : public QComboBox, public TDBFieldControl {
    Q_OBJECT
public:
    explicit TDBComboBox(QWidget *parent = nullptr);

    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    void Refresh();
    // The value of an item.
    QVariant ItemValue(int index) const;
    // Selects the item of a value, as the user would (the field takes it).
    bool SelectValue(const QVariant &value);

    std::function<void(TDBComboBox *)> OnChange;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void LoadItems();
    void Chosen(int index);
    bool dictionaryItems_ = false;
    QList<QVariant> ownValues_;
    bool ownValuesRead_ = false;
    bool loading_ = false;
};

class TDBMemo : public QPlainTextEdit, public TDBFieldControl {
    Q_OBJECT
public:
    explicit TDBMemo(QWidget *parent = nullptr);
    void SetReadOnly(bool readOnly);
    bool Commit();
    void Refresh();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool loading_ = false;
};

// A label showing a field.
class TDBText : public QLabel, public TDBFieldControl {
    Q_OBJECT
public:
    explicit TDBText(QWidget *parent = nullptr);
    void Refresh();
};

// A page control whose tabs can be hidden.
class KPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit KPageControl(QWidget *parent = nullptr);

    QWidget *ActivePage() const { return currentWidget(); }
    void SetActivePage(QWidget *page);
    int ActivePageIndex() const { return currentIndex(); }
    void SetActivePageIndex(int index);
    int PageCount() const { return count(); }
    QWidget *Pages(int index) const { return widget(index); }
    QWidget *PageByName(const QString &name) const;
    bool TabVisible(QWidget *page) const;
    void SetTabVisible(QWidget *page, bool visible);
    // A new page as the last one.
    QWidget *AddPage(const QString &caption, const QString &name = QString());

    std::function<void(KPageControl *)> OnChange;
};

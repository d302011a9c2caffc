#include "host/ui/DBControls.h"

#include "host/core/KFormati.h"
#include "host/db/DMIDataBases.h"
#include "host/db/Dictionary.h"
#include "host/ui/MDIForm.h"
#include "host/ui/SearchDialog.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QStyle>

namespace {

// A key that changes the text of an edit.
bool ChangesText(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Undo)
        || event->matches(QKeySequence::Redo) || event->matches(QKeySequence::DeleteEndOfWord)
        || event->matches(QKeySequence::DeleteStartOfWord) || event->matches(QKeySequence::DeleteEndOfLine))
        return true;
    switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return true;
    default:
        break;
    }
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).isPrint();
}

// Values compared as a list control does: numbers as numbers, texts trimmed.
bool SameValue(const QVariant &a, const QVariant &b)
{
    if (!a.isValid() || a.isNull() || !b.isValid() || b.isNull())
        return (!a.isValid() || a.isNull()) && (!b.isValid() || b.isNull());
    bool okA = false;
    bool okB = false;
    const double da = a.toString().trimmed().toDouble(&okA);
    const double db = b.toString().trimmed().toDouble(&okB);
    if (okA && okB)
        return da == db;
    return a.toString().trimmed() == b.toString().trimmed();
}

} // namespace

// ---- TFieldDataLink

void TFieldDataLink::SetFieldName(const QString &name)
{
    if (name == fieldName_)
        return;
    fieldName_ = name;
    modified_ = false;
    lastField_ = Field();
    if (OnActiveChange)
        OnActiveChange();
    Show();
}

TField *TFieldDataLink::Field() const
{
    if (!Active() || fieldName_.isEmpty())
        return nullptr;
    TDataSet *ds = DataSet();
    return ds ? ds->FindField(fieldName_) : nullptr;
}

void TFieldDataLink::Reset()
{
    modified_ = false;
    Show();
}

bool TFieldDataLink::CanModify() const
{
    TField *field = Field();
    if (!field || field->ReadOnly() || field->IsCalculated())
        return false;
    TDataSet *ds = DataSet();
    return ds && ds->CanModify();
}

bool TFieldDataLink::BeginEdit()
{
    if (Editing())
        return true;
    if (!CanModify())
        return false;
    Edit();
    return Editing();
}

bool TFieldDataLink::BeginEditKeeping(const std::function<void()> &restore)
{
    if (Editing())
        return true;
    bool editing = false;
    try {
        editing = BeginEdit();
    } catch (...) {
        Reset();
        throw;
    }
    if (!editing) {
        Reset();
        return false;
    }
    restore();
    modified_ = true;
    return true;
}

void TFieldDataLink::CheckField()
{
    TField *field = Field();
    if (field == lastField_)
        return;
    lastField_ = field;
    if (OnActiveChange)
        OnActiveChange();
}

void TFieldDataLink::UpdateRecord()
{
    if (!modified_)
        return;
    if (OnUpdateData)
        OnUpdateData();
    modified_ = false;
}

void TFieldDataLink::ActiveChanged()
{
    modified_ = false;
    lastField_ = Field();
    if (OnActiveChange)
        OnActiveChange();
    Show();
}

void TFieldDataLink::EditingChanged()
{
    if (OnEditingChange)
        OnEditingChange();
    if (!modified_)
        Show();
}

void TFieldDataLink::DataSetChanged()
{
    modified_ = false;
    CheckField();
    Show();
}

void TFieldDataLink::RecordChanged(TField *field)
{
    // a calculated or looked-up field follows the fields it is made from
    TField *own = Field();
    if (field && field != own && !(own && own->IsCalculated()))
        return;
    modified_ = false;
    Show();
}

void TFieldDataLink::UpdateData()
{
    UpdateRecord();
}

void TFieldDataLink::FocusControl(TField *field)
{
    if (field && field == Field() && OnFocus)
        OnFocus();
}

void TFieldDataLink::Show()
{
    if (OnDataChange)
        OnDataChange();
}

// ---- TDBFieldControl

TDBFieldControl::TDBFieldControl(QWidget *control) : link_(control)
{
    link_.OnFocus = [control] {
        if (TForm *form = TForm::Of(control))
            form->SetActiveControl(control);
        else
            control->setFocus(Qt::OtherFocusReason);
    };
}

void TDBFieldControl::Refuse(const std::exception &error)
{
    refusing_ = true;
    Application->HandleException(error);
    link_.Reset();
    refusing_ = false;
}

bool TDBFieldControl::AcceptTextKey(QKeyEvent *event, bool controlReadOnly)
{
    if (!ChangesText(event) || controlReadOnly || link_.Editing())
        return true;
    bool editing = false;
    try {
        editing = link_.BeginEdit();
    } catch (const std::exception &e) {
        Refuse(e);
    }
    if (!editing)
        event->accept();
    return editing;
}

// ---- TDBEdit

TDBEdit::TDBEdit(QWidget *parent) : QLineEdit(parent), TDBFieldControl(this)
{
    link_.OnDataChange = [this] { Refresh(); };
    link_.OnActiveChange = [this] {
        TField *f = Field();
        setMaxLength(f && f->IsText() && f->Size() > 0 ? f->Size() : 32767);
        SetFormatoNumero(formato_);
    };
    link_.OnUpdateData = [this] {
        if (TField *f = Field())
            f->SetText(text());
    };
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (!link_.Editing()) {
            // a change that came without a key (paste, drop)
            const QString typed = text();
            const int cursor = cursorPosition();
            bool editing = false;
            try {
                editing = link_.BeginEditKeeping([this, typed, cursor] {
                    setText(typed);
                    setCursorPosition(cursor);
                });
            } catch (const std::exception &e) {
                Refuse(e);
                return;
            }
            if (!editing)
                return;
        }
        link_.SetModified();
        if (OnChange)
            TForm::Guard([this] { OnChange(this); });
    });
}

void TDBEdit::SetFormatoNumero(int kind)
{
    formato_ = kind;
    TField *f = Field();
    // a number field takes every key and refuses, naming itself, a text that is not a number;
    // only an edit without one drops what cannot be part of a number
    if (kind != KFormati::fnNessuno && !(f && f->IsNumeric())) {
        const bool integer = kind == KFormati::fnIntero;
        const QString pattern = integer ? QStringLiteral("-?[0-9.]*") : QStringLiteral("-?[0-9.]*,?[0-9]*");
        if (!numberValidator_)
            numberValidator_ = new QRegularExpressionValidator(this);
        static_cast<QRegularExpressionValidator *>(numberValidator_)->setRegularExpression(QRegularExpression(pattern));
        setValidator(numberValidator_);
    } else if (validator() == numberValidator_) {
        setValidator(nullptr);
    }
    Refresh();
}

void TDBEdit::SetReadOnly(bool readOnly)
{
    readOnly_ = readOnly;
    UpdateReadOnly();
}

void TDBEdit::UpdateReadOnly()
{
    const bool readOnly = readOnly_ || !link_.CanModify();
    QLineEdit::setReadOnly(readOnly);
    // a read-only edit shows the window's background, not the one of a field to type into
    if (readOnly != testAttribute(Qt::WA_SetPalette)) {
        if (readOnly) {
            QPalette p = palette();
            p.setBrush(QPalette::Base, p.brush(QPalette::Window));
            setPalette(p);
        } else {
            setPalette(QPalette());
        }
    }
}

QString TDBEdit::FieldText(bool forEditing) const
{
    TField *f = Field();
    if (!f)
        return QString();
    // the edit's own number kind in place of the field's: the same rule as the grid's
    if (formato_ != KFormati::fnNessuno && f->IsNumeric())
        return f->IsNull() ? QString() : f->FormatNumber(formato_, f->AsFloat(), !forEditing);
    return forEditing ? f->Text() : f->DisplayText();
}

void TDBEdit::Refresh()
{
    // with the focus on a field that can be changed the edit shows the text to change; a
    // value selected whole stays selected, so that what is typed next replaces it
    const bool editing = hasFocus() && !readOnly_ && link_.CanModify();
    const QString shown = FieldText(editing);
    if (text() != shown) {
        const bool whole = hasSelectedText() && selectedText() == text();
        setText(shown);
        if (whole)
            selectAll();
    }
    UpdateReadOnly();
}

bool TDBEdit::Commit()
{
    try {
        link_.UpdateRecord();
        return true;
    } catch (const std::exception &e) {
        Refuse(e);
        setFocus(Qt::OtherFocusReason);
        selectAll();
        return false;
    }
}

void TDBEdit::ApplyProperties(TForm *)
{
    const QVariant kind = property("formatoNumero");
    if (kind.isValid())
        SetFormatoNumero(kind.toInt());
    const QVariant readOnly = property("readOnlyField");
    if (readOnly.isValid())
        SetReadOnly(readOnly.toBool());
}

void TDBEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && link_.IsModified()) {
        link_.Reset();
        selectAll();
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && link_.IsModified()) {
        if (!Commit()) {
            event->accept();
            return;
        }
        Refresh();
    }
    if (!AcceptTextKey(event, QLineEdit::isReadOnly()))
        return;
    QLineEdit::keyPressEvent(event);
}

void TDBEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    if (!link_.IsModified())
        Refresh();
    if (OnEnter && !refusing_)
        TForm::Guard([this] { OnEnter(this); });
}

void TDBEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (refusing_)
        return;
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason)
        return; // the window or a menu took the keyboard: the edit goes on
    if (link_.IsModified()) {
        if (!Commit())
            return;
    }
    Refresh();
    if (OnExit)
        TForm::Guard([this] { OnExit(this); });
}

// ---- TDBDateEdit

TDBDateEdit::TDBDateEdit(QWidget *parent) : TDBEdit(parent)
{
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9/ :]*")), this));
    setPlaceholderText(QStringLiteral("gg/mm/aaaa"));
}

// ---- TDBCodeEdit

TDBCodeEdit::TDBCodeEdit(QWidget *parent) : TDBEdit(parent)
{
    QAction *search = addAction(style()->standardIcon(QStyle::SP_FileDialogContentsView), QLineEdit::TrailingPosition);
    search->setObjectName(QStringLiteral("acRicerca"));
    search->setToolTip(QStringLiteral("Ricerca (F4)"));
    connect(search, &QAction::triggered, this, [this] { TForm::Guard([this] { Ricerca(); }); });
    auto previous = link_.OnDataChange;
    link_.OnDataChange = [this, previous] {
        previous();
        ShowDescription();
    };
}

void TDBCodeEdit::ApplyProperties(TForm *form)
{
    TDBEdit::ApplyProperties(form);
    auto text = [this](const char *name, QString &target) {
        const QVariant v = property(name);
        if (v.isValid())
            target = v.toString();
    };
    text("searchTable", TabellaRicerca);
    text("searchKey", CampoChiave);
    text("searchDescription", CampoDescrizione);
    text("searchCondition", CondizioneRicerca);
    text("searchView", VistaRicerca);
    text("menuCode", CodiceMenu);
    const QVariant limit = property("searchLimit");
    if (limit.isValid())
        LimiteRicerca = limit.toInt();
    const QString label = property("descrizione").toString();
    if (!label.isEmpty() && form)
        LabelDescrizione = form->FindControl<QLabel>(label);
    ShowDescription();
}

QString TDBCodeEdit::DescriptionColumn() const
{
    if (!CampoDescrizione.isEmpty())
        return CampoDescrizione;
    return Dlgricerca::ColonnaDescrizione(TabellaRicerca, CampoChiave.isEmpty() ? DataField() : CampoChiave);
}

QString TDBCodeEdit::Descrizione() const
{
    TField *f = Field();
    if (!f || f->IsNull() || f->AsString().isEmpty() || TabellaRicerca.isEmpty())
        return QString();
    const QString column = DescriptionColumn();
    if (column.isEmpty())
        return QString();
    const QString key = CampoChiave.isEmpty() ? DataField() : CampoChiave;
    try {
        if (!DMIDataBases::Instance().Has(QStringLiteral("GlobalDatabase")))
            return QString();
        TXDatabase &db = DMIDataBases::Instance().Global();
        QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?").arg(column, TabellaRicerca, key);
        if (!CondizioneRicerca.isEmpty())
            sql += QStringLiteral(" AND (%1)").arg(CondizioneRicerca);
        return db.ScalarValue(sql, {f->Value()}).toString();
    } catch (const std::exception &e) {
        // the edit goes on without a description
        qWarning("kv8: the description of %s \"%s\" could not be read from %s: %s", qPrintable(objectName()),
                 qPrintable(f->AsString()), qPrintable(TabellaRicerca), e.what());
        return QString();
    }
}

void TDBCodeEdit::ShowDescription()
{
    if (LabelDescrizione)
        LabelDescrizione->setText(Descrizione());
}

bool TDBCodeEdit::Ricerca()
{
    bool doDefault = true;
    if (OnRicerca)
        OnRicerca(this, doDefault);
    if (!doDefault || TabellaRicerca.isEmpty())
        return false;
    QString filtro = CondizioneRicerca;
    if (OnFiltroRicerca) {
        QString extra;
        OnFiltroRicerca(this, extra);
        if (!extra.trimmed().isEmpty())
            filtro = filtro.trimmed().isEmpty() ? extra : QStringLiteral("(%1) AND (%2)").arg(filtro, extra);
    }
    Dlgricerca::TRicerca ricerca;
    ricerca.Tabella = TabellaRicerca;
    ricerca.Vista = VistaRicerca;
    ricerca.CampoChiave = CampoChiave.isEmpty() ? DataField() : CampoChiave;
    ricerca.CampoDescrizione = CampoDescrizione;
    ricerca.Condizione = filtro;
    ricerca.Limite = LimiteRicerca;
    ricerca.sRicerca = link_.IsModified() ? text().trimmed() : QString();
    if (!Dlgricerca::Ricerca(window(), ricerca))
        return false;
    TField *f = Field();
    if (!f || !link_.BeginEdit())
        return false;
    try {
        f->SetValue(ricerca.Risultato);
    } catch (const std::exception &e) {
        Refuse(e);
        return false;
    }
    return true;
}

void TDBCodeEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F4 && !(event->modifiers() & Qt::ControlModifier)) {
        event->accept();
        TForm::Guard([this] { Ricerca(); });
        return;
    }
    if (event->key() == Qt::Key_F4 && !CodiceMenu.isEmpty()) {
        event->accept();
        const QString code = CodiceMenu + QLatin1Char(';') + text().trimmed();
        TForm::Guard([code] { Mdimainbase::EseguiScelta(code); });
        return;
    }
    TDBEdit::keyPressEvent(event);
}

// ---- TDBCheckBox

TDBCheckBox::TDBCheckBox(QWidget *parent) : QCheckBox(parent), TDBFieldControl(this)
{
    link_.OnDataChange = [this] { Refresh(); };
}

void TDBCheckBox::Refresh()
{
    TField *f = Field();
    bool checked = false;
    if (f && !f->IsNull()) {
        if (f->DataType() == ftBoolean)
            checked = f->AsBoolean() == ValueChecked.toBool();
        else
            checked = SameValue(f->Value(), ValueChecked);
    }
    if (isChecked() != checked) {
        const QSignalBlocker block(this);
        setChecked(checked);
    }
}

void TDBCheckBox::ApplyProperties(TForm *)
{
    const QVariant on = property("valueChecked");
    if (on.isValid())
        ValueChecked = on;
    const QVariant off = property("valueUnchecked");
    if (off.isValid())
        ValueUnchecked = off;
    const QVariant readOnly = property("readOnlyField");
    if (readOnly.isValid())
        readOnly_ = readOnly.toBool();
    Refresh();
}

void TDBCheckBox::nextCheckState()
{
    if (readOnly_ || !link_.CanModify())
        return;
    try {
        if (!link_.BeginEdit())
            return;
        QCheckBox::nextCheckState();
        if (TField *f = Field())
            f->SetValue(isChecked() ? ValueChecked : ValueUnchecked);
    } catch (const std::exception &e) {
        Refuse(e);
        return;
    }
    if (OnClick)
        TForm::Guard([this] { OnClick(this); });
}

// ---- TDBComboBox

TDBComboBox::TDBComboBox(QWidget *parent) : QComboBox(parent), TDBFieldControl(this)
{
    setEditable(false);
    link_.OnActiveChange = [this] { LoadItems(); };
    link_.OnDataChange = [this] { Refresh(); };
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int index) { Chosen(index); });
}

QVariant TDBComboBox::ItemValue(int index) const
{
    if (index < 0 || index >= count())
        return QVariant();
    if (dictionaryItems_)
        return itemData(index);
    if (index < ownValues_.size())
        return ownValues_.at(index);
    return itemText(index);
}

void TDBComboBox::LoadItems()
{
    if (!ownValuesRead_) {
        ownValuesRead_ = true;
        for (int i = 0; i < count(); ++i) {
            const QVariant data = itemData(i);
            ownValues_.append(data.isValid() ? data : QVariant(itemText(i)));
        }
    }
    TField *f = Field();
    const DictColumn *dict = f ? f->DictInfo() : nullptr;
    if (!dict || dict->items.isEmpty())
        return;
    loading_ = true;
    const QSignalBlocker block(this);
    clear();
    for (const DictItem &item : dict->items)
        addItem(item.text, item.value);
    dictionaryItems_ = true;
    loading_ = false;
}

void TDBComboBox::Refresh()
{
    TField *f = Field();
    int index = -1;
    if (f) {
        const QVariant value = f->Value();
        for (int i = 0; i < count(); ++i)
            if (SameValue(ItemValue(i), value)) {
                index = i;
                break;
            }
    }
    if (currentIndex() != index) {
        loading_ = true;
        const QSignalBlocker block(this);
        setCurrentIndex(index);
        loading_ = false;
    }
}

void TDBComboBox::Chosen(int index)
{
    if (loading_)
        return;
    TField *f = Field();
    if (!f)
        return;
    try {
        if (readOnly_ || !link_.BeginEdit()) {
            Refresh();
            return;
        }
        f->SetValue(ItemValue(index));
    } catch (const std::exception &e) {
        Refuse(e);
        return;
    }
    if (OnChange)
        TForm::Guard([this] { OnChange(this); });
}

bool TDBComboBox::SelectValue(const QVariant &value)
{
    for (int i = 0; i < count(); ++i) {
        if (SameValue(ItemValue(i), value)) {
            setCurrentIndex(i);
            Chosen(i);
            TField *f = Field();
            return f && SameValue(f->Value(), ItemValue(i));
        }
    }
    return false;
}

void TDBComboBox::keyPressEvent(QKeyEvent *event)
{
    if (readOnly_ || !link_.CanModify()) {
        if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab || event->key() == Qt::Key_Escape)
            event->ignore();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void TDBComboBox::mousePressEvent(QMouseEvent *event)
{
    if (readOnly_ || !link_.CanModify())
        return;
    QComboBox::mousePressEvent(event);
}

void TDBComboBox::wheelEvent(QWheelEvent *event)
{
    if (readOnly_ || !link_.CanModify())
        return;
    QComboBox::wheelEvent(event);
}

// ---- TDBMemo

TDBMemo::TDBMemo(QWidget *parent) : QPlainTextEdit(parent), TDBFieldControl(this)
{
    link_.OnDataChange = [this] { Refresh(); };
    link_.OnUpdateData = [this] {
        if (TField *f = Field())
            f->SetAsString(toPlainText());
    };
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (loading_)
            return;
        if (!link_.Editing()) {
            const QString typed = toPlainText();
            try {
                loading_ = true;
                const bool editing = link_.BeginEditKeeping([this, typed] { setPlainText(typed); });
                loading_ = false;
                if (!editing)
                    return;
            } catch (const std::exception &e) {
                loading_ = false;
                Refuse(e);
                return;
            }
        }
        link_.SetModified();
    });
}

void TDBMemo::SetReadOnly(bool readOnly)
{
    readOnly_ = readOnly;
    Refresh();
}

void TDBMemo::Refresh()
{
    TField *f = Field();
    const QString shown = f ? f->AsString() : QString();
    if (toPlainText() != shown) {
        loading_ = true;
        setPlainText(shown);
        loading_ = false;
    }
    QPlainTextEdit::setReadOnly(readOnly_ || !link_.CanModify());
}

bool TDBMemo::Commit()
{
    try {
        link_.UpdateRecord();
        return true;
    } catch (const std::exception &e) {
        Refuse(e);
        setFocus(Qt::OtherFocusReason);
        return false;
    }
}

void TDBMemo::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && link_.IsModified()) {
        link_.Reset();
        event->accept();
        return;
    }
    if (!AcceptTextKey(event, isReadOnly()))
        return;
    QPlainTextEdit::keyPressEvent(event);
}

void TDBMemo::focusOutEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusOutEvent(event);
    if (refusing_ || event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason)
        return;
    if (link_.IsModified())
        Commit();
}

// ---- TDBText

TDBText::TDBText(QWidget *parent) : QLabel(parent), TDBFieldControl(this)
{
    link_.OnDataChange = [this] { Refresh(); };
}

void TDBText::Refresh()
{
    TField *f = Field();
    setText(f ? f->DisplayText() : QString());
}

// ---- KPageControl

KPageControl::KPageControl(QWidget *parent) : QTabWidget(parent)
{
    connect(this, &QTabWidget::currentChanged, this, [this] {
        if (OnChange)
            TForm::Guard([this] { OnChange(this); });
    });
}

void KPageControl::SetActivePage(QWidget *page)
{
    const int index = indexOf(page);
    if (index >= 0)
        setCurrentIndex(index);
}

void KPageControl::SetActivePageIndex(int index)
{
    setCurrentIndex(index);
}

QWidget *KPageControl::PageByName(const QString &name) const
{
    for (int i = 0; i < count(); ++i)
        if (widget(i)->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return widget(i);
    return nullptr;
}

bool KPageControl::TabVisible(QWidget *page) const
{
    const int index = indexOf(page);
    return index >= 0 && isTabVisible(index);
}

void KPageControl::SetTabVisible(QWidget *page, bool visible)
{
    const int index = indexOf(page);
    if (index >= 0)
        setTabVisible(index, visible);
}

QWidget *KPageControl::AddPage(const QString &caption, const QString &name)
{
    auto *page = new QWidget;
    page->setObjectName(name);
    addTab(page, caption);
    return page;
}

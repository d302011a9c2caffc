#include "host/ui/DBGrid.h"

#include "host/ui/Kmessages.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QStyledItemDelegate>

namespace {

class TGridDelegate : public QStyledItemDelegate {
public:
    explicit TGridDelegate(KDBGriglia *grid) : QStyledItemDelegate(grid), grid_(grid) {}

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const TCellStyle style = grid_->CellStyle(index.row(), index.column());
        if (style.Background.isValid())
            option->backgroundBrush = style.Background;
        if (style.Foreground.isValid()) {
            option->palette.setColor(QPalette::Text, style.Foreground);
            option->palette.setColor(QPalette::WindowText, style.Foreground);
        }
        if (style.Bold)
            option->font.setBold(true);
    }

    // a cell takes no more characters than its column holds
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        const TField *field = static_cast<const TDataSetModel *>(index.model())->FieldOf(index.column());
        if (auto *line = qobject_cast<QLineEdit *>(editor); line && field && field->IsText() && field->Size() > 0)
            line->setMaxLength(field->Size());
        return editor;
    }

private:
    KDBGriglia *grid_;
};

QString CsvCell(const QString &text, QChar separator)
{
    if (!text.contains(separator) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString SettingsFile()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    return dir + QStringLiteral("/griglie.ini");
}

// Whether the widget is (or lies inside) a field control on the dataset: the new row's own
// edit fields, where the user goes on filling the row.
bool EditsTheRow(QWidget *widget, const TDataSet *ds)
{
    for (QWidget *w = widget; w; w = w->parentWidget())
        if (auto *control = dynamic_cast<TDBFieldControl *>(w))
            return control->DataSource() && control->DataSource()->DataSet() == ds;
    return false;
}

} // namespace

// ---- TGridRow

bool TGridRow::IsCurrent() const
{
    return dataSet_ && dataSet_->ActiveRow() == row_;
}

QVariant TGridRow::Value(const QString &fieldName) const
{
    TField *field = dataSet_ ? dataSet_->FindField(fieldName) : nullptr;
    return field ? dataSet_->ValueAt(row_, field) : QVariant();
}

QString TGridRow::DisplayText(const QString &fieldName) const
{
    TField *field = dataSet_ ? dataSet_->FindField(fieldName) : nullptr;
    return field ? dataSet_->DisplayTextAt(row_, field) : QString();
}

// ---- TDataSetModel

TDataSetModel::TDataSetModel(KDBGriglia *grid) : QAbstractTableModel(grid), grid_(grid) {}

int TDataSetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int TDataSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(fields_.size());
}

TField *TDataSetModel::FieldOf(int column) const
{
    return column >= 0 && column < fields_.size() ? fields_.at(column) : nullptr;
}

QVariant TDataSetModel::data(const QModelIndex &index, int role) const
{
    TDataSet *ds = DataSet();
    if (!index.isValid() || !ds || !Active() || index.row() >= rows_)
        return QVariant();
    TField *field = FieldOf(index.column());
    if (!field)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole: {
        // a flag shows its check mark; a coded value the text its drop-down list shows
        if (field->IsFlag())
            return QVariant();
        const QString item = field->ItemText(ds->ValueAt(index.row(), field));
        return item.isEmpty() ? ds->DisplayTextAt(index.row(), field) : item;
    }
    case Qt::CheckStateRole:
        if (!field->IsFlag())
            return QVariant();
        return ds->ValueAt(index.row(), field).toInt() != 0 ? Qt::Checked : Qt::Unchecked;
    case Qt::EditRole:
        return field->FormatValue(ds->ValueAt(index.row(), field), false);
    case Qt::TextAlignmentRole: {
        const TColumn &column = grid_->Columns(index.column());
        if (column.Alignment)
            return int(column.Alignment | Qt::AlignVCenter);
        // figures to the right, texts (the texts of coded values too) to the left
        const bool coded = field->DictInfo() && !field->DictInfo()->items.isEmpty();
        return int((field->IsNumeric() && !coded ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    default:
        return QVariant();
    }
}

QVariant TDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= grid_->ColumnCount())
            return QVariant();
        const TColumn &column = grid_->Columns(section);
        if (!column.Title.isEmpty())
            return column.Title;
        TField *field = FieldOf(section);
        return field ? field->DisplayLabel() : column.FieldName;
    }
    TDataSet *ds = DataSet();
    if (!ds || !Active() || !(grid_->Options() & dgIndicator))
        return QString();
    if (section == ds->ActiveRow())
        return ds->State() == dsInsert ? QStringLiteral("*")
                                       : (ds->State() == dsEdit ? QStringLiteral("I") : QStringLiteral("\u25B6"));
    return QString();
}

Qt::ItemFlags TDataSetModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    TField *field = FieldOf(index.column());
    TDataSet *ds = DataSet();
    const TDBGridOptions options = grid_->Options();
    if (field && ds && (options & dgEditing) && !(options & dgRowSelect) && !grid_->ReadOnly()
        && !grid_->Columns(index.column()).ReadOnly && !field->ReadOnly() && !field->IsCalculated() && ds->CanModify()
        && (ds->State() != dsBrowse || (DataSource() && DataSource()->AutoEdit())))
        f |= Qt::ItemIsEditable; // a browsed record is edited only where its source allows it
    return f;
}

bool TDataSetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    TDataSet *ds = DataSet();
    TField *field = FieldOf(index.column());
    if (role != Qt::EditRole || !ds || !field)
        return false;
    return TForm::Guard([&] {
        if (index.row() != ds->ActiveRow())
            ds->MoveBy(index.row() - ds->ActiveRow());
        if (!Edit())
            throw EAbort();
        field->SetText(value.toString());
    });
}

void TDataSetModel::ResolveFields()
{
    fields_.clear();
    TDataSet *ds = DataSet();
    for (int i = 0; i < grid_->ColumnCount(); ++i)
        fields_.append(ds && Active() ? ds->FindField(grid_->Columns(i).FieldName) : nullptr);
    resolvedFor_ = ds;
}

void TDataSetModel::Reload()
{
    beginResetModel();
    grid_->RebuildColumns();
    ResolveFields();
    TDataSet *ds = DataSet();
    rows_ = ds && Active() ? ds->RowCount() : 0;
    endResetModel();
    grid_->ApplyColumnWidths();
    grid_->SyncCurrentRow();
}

void TDataSetModel::Changed()
{
    TDataSet *ds = DataSet();
    const int rows = ds && Active() ? ds->RowCount() : 0;
    if (ds != resolvedFor_) {
        Reload();
        return;
    }
    if (rows != rows_) {
        beginResetModel();
        rows_ = rows;
        endResetModel();
        grid_->ApplyColumnWidths(); // wide enough for the figures of the rows come
    } else if (rows_ > 0 && !fields_.isEmpty()) {
        emit dataChanged(index(0, 0), index(rows_ - 1, int(fields_.size()) - 1));
    }
    if (rows_ > 0)
        emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
    grid_->SyncCurrentRow();
}

void TDataSetModel::ActiveChanged()
{
    Reload();
}

void TDataSetModel::EditingChanged()
{
    Changed();
}

void TDataSetModel::DataSetChanged()
{
    Changed();
}

void TDataSetModel::DataSetScrolled(int)
{
    Changed();
}

void TDataSetModel::LayoutChanged()
{
    Reload();
}

void TDataSetModel::RecordChanged(TField *)
{
    TDataSet *ds = DataSet();
    const int row = ds ? ds->ActiveRow() : -1;
    if (row >= 0 && row < rows_ && !fields_.isEmpty())
        emit dataChanged(index(row, 0), index(row, int(fields_.size()) - 1));
}

// ---- KDBGriglia

KDBGriglia::KDBGriglia(QWidget *parent) : QTableView(parent)
{
    model_ = new TDataSetModel(this);
    setModel(model_);
    setItemDelegate(new TGridDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setMinimumWidth(18);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsMovable(true);
    SetOptions(options_);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) { RowChosen(current, previous); });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        if (!syncing_ && logical >= 0 && logical < ColumnCount())
            Columns(logical).Width = size;
    });
}

KDBGriglia::~KDBGriglia()
{
    model_->SetDataSource(nullptr);
}

TDataSource *KDBGriglia::DataSource() const
{
    return model_->TDataLink::DataSource();
}

void KDBGriglia::SetDataSource(TDataSource *source)
{
    model_->SetDataSource(source);
    model_->Reload();
}

TDataSet *KDBGriglia::DataSet() const
{
    return model_->TDataLink::DataSet();
}

void KDBGriglia::ApplyProperties(TForm *)
{
    const QVariant readOnly = property("readOnlyGrid");
    if (readOnly.isValid())
        SetReadOnly(readOnly.toBool());
    const QVariant rowSelect = property("rowSelect");
    if (rowSelect.isValid())
        SetOptions(rowSelect.toBool() ? (options_ | dgRowSelect) : (options_ & ~dgRowSelect));
}

void KDBGriglia::SetOptions(TDBGridOptions options)
{
    options_ = options;
    setSelectionBehavior((options & dgRowSelect) ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    horizontalHeader()->setVisible(options & dgTitles);
    verticalHeader()->setVisible(options & dgIndicator);
    horizontalHeader()->setSectionResizeMode((options & dgColumnResize) ? QHeaderView::Interactive
                                                                        : QHeaderView::Fixed);
    setShowGrid((options & dgColLines) || (options & dgRowLines));
    setEditTriggers(
        (options & dgEditing) && !(options & dgRowSelect)
            ? (QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed)
            : QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(options & dgTabs);
}

TColumn &KDBGriglia::AddColumn(const QString &fieldName, const QString &title, int width)
{
    if (!declared_) {
        columns_.clear();
        declared_ = true;
    }
    auto column = std::make_unique<TColumn>();
    column->FieldName = fieldName;
    column->Title = title;
    column->Width = width;
    columns_.push_back(std::move(column));
    model_->Reload();
    return *columns_.back();
}

void KDBGriglia::ClearColumns()
{
    declared_ = false;
    columns_.clear();
    model_->Reload();
}

TColumn *KDBGriglia::ColumnByField(const QString &fieldName)
{
    for (auto &c : columns_)
        if (c->FieldName.compare(fieldName, Qt::CaseInsensitive) == 0)
            return c.get();
    return nullptr;
}

void KDBGriglia::SetColumnVisible(const QString &fieldName, bool visible)
{
    for (int i = 0; i < ColumnCount(); ++i)
        if (Columns(i).FieldName.compare(fieldName, Qt::CaseInsensitive) == 0) {
            Columns(i).Visible = visible;
            setColumnHidden(i, !visible);
        }
}

void KDBGriglia::RefreshColumns()
{
    model_->Reload();
}

TField *KDBGriglia::SelectedField() const
{
    return model_->FieldOf(currentIndex().column());
}

void KDBGriglia::RebuildColumns()
{
    if (declared_)
        return;
    // keep what the user did to the columns of the same fields
    std::vector<std::unique_ptr<TColumn>> previous = std::move(columns_);
    columns_.clear();
    TDataSet *ds = DataSet();
    if (!ds || !ds->Active())
        return;
    for (TField *field : ds->FieldList()) {
        if (!field->Visible())
            continue;
        auto column = std::make_unique<TColumn>();
        column->FieldName = field->FieldName();
        for (auto &old : previous)
            if (old && old->FieldName.compare(field->FieldName(), Qt::CaseInsensitive) == 0) {
                column = std::move(old);
                break;
            }
        columns_.push_back(std::move(column));
    }
}

// The widest text a field's format gives: numbers up to six integer digits, dates, the texts of
// coded values; a figure of a number kind its decimals (its integer digits the rows give);
// empty for texts.
static QString WidestValue(const TField *field)
{
    if (!field)
        return {};
    if (field->DictInfo() && !field->DictInfo()->items.isEmpty()) {
        QString widest;
        for (const DictItem &item : field->DictInfo()->items)
            if (item.text.size() > widest.size())
                widest = item.text;
        return widest;
    }
    if (field->IsNumeric() && !field->DisplayFormat().isEmpty())
        return field->FormatValue(-999999.999999, true);
    if (field->IsNumeric() && !field->IsFlag() && field->NumberKind() != KFormati::fnNessuno)
        return field->FormatValue(0.0, true);
    if (field->IsDateTime())
        return field->FormatValue(QDateTime(QDate(2028, 12, 28), QTime(23, 58, 58)), true);
    return {};
}

// The least width showing a column's heading, its format's widest value and the figures its
// first rows show.
static int FittingWidth(const KDBGriglia *grid, const TDataSetModel *model, int column)
{
    const int cellPadding = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1) + 6;
    const int header = (grid->Options() & dgTitles) ? grid->horizontalHeader()->sectionSizeHint(column) : 0;
    const TField *field = model->FieldOf(column);
    const QString widest = WidestValue(field);
    int value = widest.isEmpty() ? 0 : grid->fontMetrics().horizontalAdvance(widest) + cellPadding;
    if (field && field->NumberKind() != KFormati::fnNessuno && field->DisplayFormat().isEmpty()) {
        const int rows = std::min(model->rowCount(), 200);
        for (int r = 0; r < rows; ++r)
            value = std::max(value, grid->fontMetrics().horizontalAdvance(model->index(r, column).data().toString())
                                        + cellPadding);
    }
    return std::max(header, value);
}

void KDBGriglia::ApplyColumnWidths()
{
    syncing_ = true;
    const int charWidth = fontMetrics().averageCharWidth();
    for (int i = 0; i < ColumnCount(); ++i) {
        const TColumn &column = Columns(i);
        int width = column.Width;
        if (width <= 0) {
            TField *field = model_->FieldOf(i);
            const int chars = field ? std::max(field->DisplayWidth(), int(field->DisplayLabel().size())) : 10;
            width = std::clamp(chars * charWidth + 12, 40, 360);
        }
        // a declared width is the least: the heading and the format's widest value show whole
        width = std::max(width, FittingWidth(this, model_, i));
        setColumnWidth(i, width);
        setColumnHidden(i, !column.Visible);
    }
    syncing_ = false;
}

void KDBGriglia::SyncCurrentRow()
{
    TDataSet *ds = DataSet();
    if (!ds || !ds->Active() || syncing_)
        return;
    const int row = ds->ActiveRow();
    syncing_ = true;
    if (row >= 0 && row < model_->rowCount()) {
        int column = currentIndex().column();
        if (column < 0 || column >= model_->columnCount())
            column = 0;
        const QModelIndex index = model_->index(row, column);
        // the row current already stays where the user scrolled it
        if (index.isValid() && index != currentIndex()) {
            selectionModel()->setCurrentIndex(
                index, QItemSelectionModel::ClearAndSelect
                           | ((options_ & dgRowSelect) ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
            scrollTo(index);
        }
    } else {
        selectionModel()->clearCurrentIndex();
    }
    syncing_ = false;
}

void KDBGriglia::RowChosen(const QModelIndex &current, const QModelIndex &previous)
{
    if (syncing_)
        return;
    TDataSet *ds = DataSet();
    if (!ds || !ds->Active() || !current.isValid())
        return;
    if (current.row() != ds->ActiveRow())
        TForm::Guard([&] { ds->MoveBy(current.row() - ds->ActiveRow()); });
    if (current.column() != previous.column() && OnColEnter)
        TForm::Guard([this] { OnColEnter(this); });
    SyncCurrentRow();
}

TCellStyle KDBGriglia::CellStyle(int row, int column) const
{
    TCellStyle style;
    if (column < 0 || column >= ColumnCount())
        return style;
    const TColumn &c = Columns(column);
    style.Background = c.Color;
    style.Foreground = c.FontColor;
    if (OnDrawColumnCell) {
        TDataSet *ds = DataSet();
        TField *field = model_->FieldOf(column);
        try {
            OnDrawColumnCell(const_cast<KDBGriglia *>(this), TGridRow(ds, row), c, field, style);
        } catch (const std::exception &) {
            // painting goes on with the column's own colours
        }
    }
    return style;
}

void KDBGriglia::SetRowHeight(int height)
{
    verticalHeader()->setDefaultSectionSize(height);
}

void KDBGriglia::SetFixedColor(const QColor &color)
{
    fixedColor_ = color;
    const QString css = QStringLiteral("QHeaderView::section { background-color: %1; }").arg(color.name());
    horizontalHeader()->setStyleSheet(css);
    verticalHeader()->setStyleSheet(css);
}

// ---- layout

QString KDBGriglia::LayoutKey() const
{
    // the window's name when it has one (windows of one class over different tables), else
    // its class
    QWidget *top = window();
    for (QWidget *w = parentWidget(); w; w = w->parentWidget())
        if (qobject_cast<TForm *>(w)) {
            top = w;
            break;
        }
    QString form = top ? top->objectName() : QString();
    if (form.isEmpty())
        form = top ? QString::fromLatin1(top->metaObject()->className()) : QStringLiteral("kv8");
    return form + QLatin1Char('/') + (objectName().isEmpty() ? QStringLiteral("griglia") : objectName());
}

void KDBGriglia::SalvaLayout()
{
    QSettings settings(SettingsFile(), QSettings::IniFormat);
    settings.beginGroup(LayoutKey());
    QStringList fields;
    QStringList widths;
    QStringList hidden;
    for (int visual = 0; visual < ColumnCount(); ++visual) {
        const int logical = horizontalHeader()->logicalIndex(visual);
        if (logical < 0)
            continue;
        const TColumn &c = Columns(logical);
        fields << c.FieldName;
        widths << QString::number(isColumnHidden(logical) ? c.Width : columnWidth(logical));
        if (!c.Visible)
            hidden << c.FieldName;
    }
    settings.setValue(QStringLiteral("campi"), fields);
    settings.setValue(QStringLiteral("larghezze"), widths);
    settings.setValue(QStringLiteral("nascosti"), hidden);
    settings.endGroup();
    settings.sync();
}

bool KDBGriglia::CaricaLayout()
{
    QSettings settings(SettingsFile(), QSettings::IniFormat);
    settings.beginGroup(LayoutKey());
    const QStringList fields = settings.value(QStringLiteral("campi")).toStringList();
    const QStringList widths = settings.value(QStringLiteral("larghezze")).toStringList();
    const QStringList hidden = settings.value(QStringLiteral("nascosti")).toStringList();
    settings.endGroup();
    if (fields.isEmpty())
        return false;
    // the saved order first, then any column the layout does not know
    std::vector<std::unique_ptr<TColumn>> ordered;
    for (int i = 0; i < fields.size(); ++i) {
        for (auto &c : columns_) {
            if (c && c->FieldName.compare(fields.at(i), Qt::CaseInsensitive) == 0) {
                c->Width = widths.value(i).toInt();
                c->Visible = !hidden.contains(c->FieldName, Qt::CaseInsensitive);
                ordered.push_back(std::move(c));
                break;
            }
        }
    }
    for (auto &c : columns_)
        if (c)
            ordered.push_back(std::move(c));
    columns_ = std::move(ordered);
    declared_ = true;
    horizontalHeader()->reset();
    model_->Reload();
    return true;
}

void KDBGriglia::CancellaLayout()
{
    QSettings settings(SettingsFile(), QSettings::IniFormat);
    settings.remove(LayoutKey());
    settings.sync();
}

// ---- export

QString KDBGriglia::TestoTabella(QChar separator, bool titles) const
{
    TDataSet *ds = DataSet();
    QList<int> shown;
    for (int visual = 0; visual < ColumnCount(); ++visual) {
        const int logical = horizontalHeader()->logicalIndex(visual);
        if (logical >= 0 && !isColumnHidden(logical) && Columns(logical).Visible)
            shown << logical;
    }
    QStringList lines;
    if (titles) {
        QStringList cells;
        for (int c : shown)
            cells << CsvCell(model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), separator);
        lines << cells.join(separator);
    }
    if (ds && ds->Active()) {
        const int rows = ds->RowCount();
        for (int r = 0; r < rows; ++r) {
            QStringList cells;
            for (int c : shown) {
                TField *field = model_->FieldOf(c);
                cells << CsvCell(field ? ds->DisplayTextAt(r, field) : QString(), separator);
            }
            lines << cells.join(separator);
        }
    }
    return lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n");
}

void KDBGriglia::CopiaNegliAppunti() const
{
    QApplication::clipboard()->setText(TestoTabella(QLatin1Char('\t')));
}

void KDBGriglia::EsportaFoglio(const QString &fileName) const
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw Exception(QStringLiteral("Impossibile scrivere il file %1").arg(fileName));
    file.write("\xEF\xBB\xBF"); // lets spreadsheets read the file as UTF-8
    file.write(TestoTabella(QLatin1Char(';')).toUtf8());
    if (!file.commit())
        throw Exception(QStringLiteral("Impossibile scrivere il file %1").arg(fileName));
}

// ---- input

void KDBGriglia::ConfirmAndDelete()
{
    TDataSet *ds = DataSet();
    if (!ds || !ds->Active() || ds->IsEmpty() || ReadOnly() || !ds->CanModify())
        return;
    if ((options_ & dgConfirmDelete)
        && Kmessages::KMessage(QStringLiteral("Conferma Cancellazione ?"), mtConfirmation, mbYesNo, 1) != mrYes)
        return;
    ds->Delete();
}

void KDBGriglia::keyPressEvent(QKeyEvent *event)
{
    TDataSet *ds = DataSet();
    const bool editable = ds && ds->Active() && (options_ & dgEditing) && !ReadOnly() && ds->CanModify();
    if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier && editable) {
        event->accept();
        TForm::Guard([ds] { ds->Insert(); });
        return;
    }
    if (event->key() == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier) && editable) {
        event->accept();
        TForm::Guard([this] { ConfirmAndDelete(); });
        return;
    }
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && OnSegnaRiga
        && state() != QAbstractItemView::EditingState) {
        event->accept();
        TForm::Guard([this] { OnSegnaRiga(this); });
        return;
    }
    if (event->key() == Qt::Key_Escape && ds && (ds->State() == dsEdit || ds->State() == dsInsert)
        && state() != QAbstractItemView::EditingState) {
        event->accept();
        TForm::Guard([ds] { ds->Cancel(); });
        return;
    }
    QTableView::keyPressEvent(event);
}

void KDBGriglia::focusInEvent(QFocusEvent *event)
{
    // the arrows move from the record shown as current, not from nowhere
    if (!currentIndex().isValid())
        SyncCurrentRow();
    QTableView::focusInEvent(event);
}

void KDBGriglia::focusOutEvent(QFocusEvent *event)
{
    QTableView::focusOutEvent(event);
    TDataSet *ds = DataSet();
    QWidget *focus = QApplication::focusWidget();
    if ((options_ & dgCancelOnExit) && ds && ds->State() == dsInsert && !ds->Modified() && focus && !isAncestorOf(focus)
        && focus != this && !EditsTheRow(focus, ds))
        TForm::Guard([ds] { ds->Cancel(); });
}

void KDBGriglia::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableView::mouseDoubleClickEvent(event);
    emit DblClick();
    if (OnDblClick)
        TForm::Guard([this] { OnDblClick(this); });
    if (OnSegnaRiga && indexAt(event->position().toPoint()).isValid())
        TForm::Guard([this] { OnSegnaRiga(this); });
}

void KDBGriglia::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    menu.addAction(QStringLiteral("&Copia negli appunti"), this, [this] { CopiaNegliAppunti(); });
    menu.addAction(QStringLiteral("&Esporta in foglio di calcolo..."), this, [this] {
        const QString file =
            QFileDialog::getSaveFileName(this, QStringLiteral("Esporta"), QString(), QStringLiteral("CSV (*.csv)"));
        if (!file.isEmpty())
            TForm::Guard([&] { EsportaFoglio(file); });
    });
    QMenu *columns = menu.addMenu(QStringLiteral("C&olonne"));
    for (int i = 0; i < ColumnCount(); ++i) {
        QAction *a = columns->addAction(model_->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString());
        a->setCheckable(true);
        a->setChecked(Columns(i).Visible);
        const QString field = Columns(i).FieldName;
        connect(a, &QAction::toggled, this, [this, field](bool on) { SetColumnVisible(field, on); });
    }
    menu.addSeparator();
    menu.addAction(QStringLiteral("&Salva disposizione colonne"), this, [this] { SalvaLayout(); });
    menu.addAction(QStringLiteral("&Ripristina disposizione colonne"), this, [this] {
        CancellaLayout();
        ClearColumns();
    });
    menu.exec(event->globalPos());
}

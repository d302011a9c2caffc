#pragma once
// The host's data grid (KDBGriglia): a table view over the records of a data source.
//
// Columns are the dataset's visible fields, or the columns the window declares (field,
// title, width, colour, alignment, read-only, visible). The current row follows the
// dataset's cursor and moves it. Options: editing in the cells, row selection, confirm
// before delete, cancel an untouched new row when leaving the grid (for a control other than
// the row's own edit fields). With the focus the grid moves with the arrow keys from the
// current record; Tab and Shift+Tab leave it for the next and the previous control (dgTabs:
// they move from cell to cell instead), while in a cell being edited Tab goes on to the next
// cell. The column layout (order, widths, hidden columns) can be saved and restored; the rows
// export to the clipboard and to a spreadsheet file.
#include "host/ui/DBControls.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QTableView>

#include <functional>
#include <memory>
#include <vector>

enum TDBGridOption : int {
    dgEditing = 0x001,
    dgTitles = 0x002,
    dgIndicator = 0x004,
    dgColumnResize = 0x008,
    dgColLines = 0x010,
    dgRowLines = 0x020,
    dgTabs = 0x040,
    dgRowSelect = 0x080,
    dgAlwaysShowSelection = 0x100,
    dgConfirmDelete = 0x200,
    dgCancelOnExit = 0x400,
    dgMultiSelect = 0x800
};
using TDBGridOptions = int;
inline constexpr TDBGridOptions dgDefaultOptions =
    dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgConfirmDelete | dgCancelOnExit;

struct TColumn {
    QString FieldName;
    QString Title; // the field's label when empty
    int Width = 0; // pixels; from the field's display width when 0
    QColor Color;  // background; the grid's when invalid
    QColor FontColor;
    Qt::Alignment Alignment; // by the field's type when empty
    bool ReadOnly = false;
    bool Visible = true;
};

// How a cell is drawn; the draw hook may change it.
struct TCellStyle {
    QColor Background;
    QColor Foreground;
    bool Bold = false;
};

// A row of the grid as the draw hook sees it (the dataset's cursor does not move).
class TGridRow {
public:
    TGridRow(TDataSet *dataSet, int row) : dataSet_(dataSet), row_(row) {}
    int Row() const { return row_; }
    bool IsCurrent() const;
    QVariant Value(const QString &fieldName) const;
    QString DisplayText(const QString &fieldName) const;

private:
    TDataSet *dataSet_;
    int row_;
};

class KDBGriglia;

// The model of the grid: rows of the dataset, columns of the grid.
class TDataSetModel : public QAbstractTableModel, public TDataLink {
    Q_OBJECT
public:
    explicit TDataSetModel(KDBGriglia *grid);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    TField *FieldOf(int column) const;
    // Rebuilds rows and columns.
    void Reload();

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void LayoutChanged() override;
    void RecordChanged(TField *field) override;

private:
    void ResolveFields();
    void Changed();

    KDBGriglia *grid_;
    QList<TField *> fields_; // per grid column
    TDataSet *resolvedFor_ = nullptr;
    int rows_ = 0;
};

class KDBGriglia : public QTableView, public IDataControl {
    Q_OBJECT
public:
    explicit KDBGriglia(QWidget *parent = nullptr);
    ~KDBGriglia() override;

    TDataSource *DataSource() const override;
    void SetDataSource(TDataSource *source) override;
    TDataSet *DataSet() const;
    void ApplyProperties(TForm *form) override;

    TDBGridOptions Options() const { return options_; }
    void SetOptions(TDBGridOptions options);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

    // ---- columns: the declared ones, or every visible field when none is declared
    TColumn &AddColumn(const QString &fieldName, const QString &title = QString(), int width = 0);
    void ClearColumns();
    bool HasDeclaredColumns() const { return declared_; }
    int ColumnCount() const { return int(columns_.size()); }
    TColumn &Columns(int index) { return *columns_[size_t(index)]; }
    const TColumn &Columns(int index) const { return *columns_[size_t(index)]; }
    // The column of a field, without regard to case; nullptr when none.
    TColumn *ColumnByField(const QString &fieldName);
    void SetColumnVisible(const QString &fieldName, bool visible);
    // Applies changes made to the columns.
    void RefreshColumns();
    // A cell editor is open.
    bool IsCellEditing() const { return state() == QAbstractItemView::EditingState; }
    // The field shown in the current cell.
    TField *SelectedField() const;
    // How a cell is drawn: the column's colours, then the draw hook.
    TCellStyle CellStyle(int row, int column) const;

    void SetRowHeight(int height);
    void SetFixedColor(const QColor &color);

    // ---- column layout, saved per window and grid
    QString LayoutKey() const;
    void SalvaLayout();
    bool CaricaLayout();
    void CancellaLayout();

    // ---- export: the visible columns of every row
    QString TestoTabella(QChar separator, bool titles = true) const;
    void CopiaNegliAppunti() const;
    // A CSV file for a spreadsheet (";" separated, Italian numbers); throws on a write error.
    void EsportaFoglio(const QString &fileName) const;

    std::function<void(KDBGriglia *, const TGridRow &, const TColumn &, TField *, TCellStyle &)> OnDrawColumnCell;
    std::function<void(KDBGriglia *)> OnDblClick;
    // Marks or unmarks the current row, as a list with check marks does: Space (outside a cell
    // being edited) and a double click on a row.
    std::function<void(KDBGriglia *)> OnSegnaRiga;
    std::function<void(KDBGriglia *)> OnColEnter;

signals:
    void DblClick();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    friend class TDataSetModel;
    void RebuildColumns();
    void ApplyColumnWidths();
    void SyncCurrentRow();
    void RowChosen(const QModelIndex &current, const QModelIndex &previous);
    void ConfirmAndDelete();

    TDataSetModel *model_ = nullptr;
    TDBGridOptions options_ = dgDefaultOptions;
    bool readOnly_ = false;
    bool declared_ = false;
    std::vector<std::unique_ptr<TColumn>> columns_;
    bool syncing_ = false;
    QColor fixedColor_;
};

using TDBGrid = KDBGriglia;

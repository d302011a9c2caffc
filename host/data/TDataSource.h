#pragma once
// Data sources: the point where data-aware controls and detail datasets attach to a dataset.
#include "host/data/TDataSet.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class TDataSource;

// Listener of a data source; data-aware controls and master links derive from it.
class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink &) = delete;
    TDataLink &operator=(const TDataLink &) = delete;

    TDataSource *DataSource() const { return source_; }
    void SetDataSource(TDataSource *source);
    TDataSet *DataSet() const;
    // The source is enabled and its dataset open.
    bool Active() const { return active_; }
    // The dataset is in edit or insert.
    bool Editing() const { return editing_; }
    // Puts the dataset into edit when the source allows automatic editing; true when it
    // is in edit or insert afterwards.
    bool Edit();

protected:
    virtual void ActiveChanged() {}
    virtual void EditingChanged() {}
    // The whole content may have changed (open, filter, refresh, jumps).
    virtual void DataSetChanged() {}
    virtual void DataSetScrolled(int distance);
    virtual void LayoutChanged();
    // A field of the current record changed (field), or the whole record (nullptr).
    virtual void RecordChanged(TField *field);
    // Before a post: write what the control holds into its field.
    virtual void UpdateData() {}
    // Before the dataset leaves the record.
    virtual void CheckBrowseMode() {}
    virtual void FocusControl(TField *field);

private:
    friend class TDataSource;
    void DataEvent(TDataEvent event, TField *field);
    void UpdateState();

    TDataSource *source_ = nullptr;
    bool active_ = false;
    bool editing_ = false;
};

class TDataSource : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TDataSource *)>;
    using TDataChangeEvent = std::function<void(TDataSource *, TField *)>;

    explicit TDataSource(QObject *owner = nullptr);
    ~TDataSource() override;

    QString Name() const { return objectName(); }
    void SetName(const QString &name) { setObjectName(name); }

    TDataSet *DataSet() const { return dataSet_; }
    // Re-pointable at any time; the attached controls follow.
    void SetDataSet(TDataSet *dataSet);
    bool AutoEdit() const { return autoEdit_; }
    void SetAutoEdit(bool autoEdit) { autoEdit_ = autoEdit; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // The dataset's state, or dsInactive when disabled or without a dataset.
    TDataSetState State() const { return state_; }
    // Edit of the dataset when AutoEdit allows it and the dataset is browsed.
    void Edit();

    TNotifyEvent OnStateChange;
    TDataChangeEvent OnDataChange;
    TNotifyEvent OnUpdateData;

    const QList<TDataLink *> &DataLinks() const { return links_; }

private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(TDataEvent event, TField *field);
    void UpdateState();
    void AddLink(TDataLink *link);
    void RemoveLink(TDataLink *link);
    void DataSetDestroyed();

    TDataSet *dataSet_ = nullptr;
    bool autoEdit_ = true;
    bool enabled_ = true;
    TDataSetState state_ = dsInactive;
    QList<TDataLink *> links_;
};

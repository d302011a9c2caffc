#include "host/data/TDataSource.h"

// ---- TDataLink

TDataLink::~TDataLink()
{
    if (source_)
        source_->RemoveLink(this);
}

void TDataLink::SetDataSource(TDataSource *source)
{
    if (source == source_)
        return;
    if (source_)
        source_->RemoveLink(this);
    source_ = nullptr;
    if (source)
        source->AddLink(this);
    else
        UpdateState();
}

TDataSet *TDataLink::DataSet() const
{
    return source_ ? source_->DataSet() : nullptr;
}

bool TDataLink::Edit()
{
    if (source_ && !editing_)
        source_->Edit();
    return editing_;
}

void TDataLink::DataSetScrolled(int)
{
    DataSetChanged();
}

void TDataLink::LayoutChanged()
{
    DataSetChanged();
}

void TDataLink::RecordChanged(TField *) {}

void TDataLink::FocusControl(TField *) {}

void TDataLink::UpdateState()
{
    const bool active = source_ && source_->State() != dsInactive;
    const bool editing = active && (source_->State() == dsEdit || source_->State() == dsInsert);
    if (active != active_) {
        active_ = active;
        editing_ = editing;
        ActiveChanged();
        if (editing)
            EditingChanged();
        return;
    }
    if (editing != editing_) {
        editing_ = editing;
        EditingChanged();
    }
}

void TDataLink::DataEvent(TDataEvent event, TField *field)
{
    switch (event) {
    case deUpdateState:
        UpdateState();
        break;
    case deFieldChange:
    case deRecordChange:
        RecordChanged(field);
        break;
    case deDataSetChange:
        DataSetChanged();
        break;
    case deDataSetScroll:
        DataSetScrolled(0);
        break;
    case deLayoutChange:
        LayoutChanged();
        break;
    case deUpdateRecord:
        UpdateData();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case deFocusControl:
        FocusControl(field);
        break;
    }
}

// ---- TDataSource

TDataSource::TDataSource(QObject *owner) : QObject(owner) {}

TDataSource::~TDataSource()
{
    if (dataSet_)
        dataSet_->DetachSource(this);
    dataSet_ = nullptr;
    state_ = dsInactive;
    const QList<TDataLink *> links = links_;
    for (TDataLink *link : links) {
        link->source_ = nullptr;
        link->UpdateState();
    }
    links_.clear();
}

void TDataSource::SetDataSet(TDataSet *dataSet)
{
    if (dataSet == dataSet_)
        return;
    if (dataSet_)
        dataSet_->DetachSource(this);
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->AttachSource(this);
    UpdateState();
    // Controls show the new dataset's record.
    if (state_ != dsInactive)
        DataEvent(deDataSetChange, nullptr);
}

void TDataSource::SetEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    UpdateState();
    if (state_ != dsInactive)
        DataEvent(deDataSetChange, nullptr);
}

void TDataSource::Edit()
{
    if (autoEdit_ && dataSet_ && state_ == dsBrowse)
        dataSet_->Edit();
}

void TDataSource::UpdateState()
{
    const TDataSetState newState = (enabled_ && dataSet_) ? dataSet_->State() : dsInactive;
    if (newState == state_)
        return;
    // A calculation pass is no state change for the controls.
    if (newState == dsCalcFields)
        return;
    state_ = newState;
    const QList<TDataLink *> links = links_;
    for (TDataLink *link : links)
        if (links_.contains(link))
            link->UpdateState();
    if (OnStateChange)
        OnStateChange(this);
}

void TDataSource::DataEvent(TDataEvent event, TField *field)
{
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (state_ == dsInactive)
        return;
    const QList<TDataLink *> links = links_;
    for (TDataLink *link : links)
        if (links_.contains(link))
            link->DataEvent(event, field);
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (OnDataChange)
            OnDataChange(this, field);
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (OnDataChange)
            OnDataChange(this, nullptr);
        break;
    case deUpdateRecord:
        if (OnUpdateData)
            OnUpdateData(this);
        break;
    default:
        break;
    }
}

void TDataSource::AddLink(TDataLink *link)
{
    if (!links_.contains(link))
        links_.append(link);
    link->source_ = this;
    link->UpdateState();
}

void TDataSource::RemoveLink(TDataLink *link)
{
    links_.removeAll(link);
    link->source_ = nullptr;
    link->UpdateState();
}

void TDataSource::DataSetDestroyed()
{
    dataSet_ = nullptr;
    UpdateState();
}

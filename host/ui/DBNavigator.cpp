#include "host/ui/DBNavigator.h"

#include "host/ui/Fuoco.h"
#include "host/ui/Kmessages.h"

#include <QHBoxLayout>

namespace {

struct ButtonInfo {
    const char *name;    // as in "visibleButtons"
    const char *caption; // glyph on the button
    const char *hint;
};

const ButtonInfo kButtons[kNavigateButtons] = {
    {"First", "|\u25C0", "Primo"},     {"Prior", "\u25C0", "Precedente"}, {"Next", "\u25B6", "Successivo"},
    {"Last", "\u25B6|", "Ultimo"},     {"Insert", "+", "Inserisci"},      {"Delete", "\u2212", "Cancella"},
    {"Edit", "\u270E", "Modifica"},    {"Post", "\u2714", "Registra"},    {"Cancel", "\u2718", "Annulla"},
    {"Refresh", "\u21BB", "Aggiorna"},
};

} // namespace

QString NavigateBtnName(TNavigateBtn button)
{
    return QString::fromUtf8(kButtons[button].hint);
}

class TDBNavigator::Link : public TDataLink {
public:
    explicit Link(TDBNavigator *navigator) : navigator_(navigator) {}

protected:
    void ActiveChanged() override { navigator_->UpdateButtons(); }
    void EditingChanged() override { navigator_->UpdateButtons(); }
    void DataSetChanged() override { navigator_->UpdateButtons(); }
    void DataSetScrolled(int) override { navigator_->UpdateButtons(); }
    void RecordChanged(TField *) override { navigator_->UpdateButtons(); }

private:
    TDBNavigator *navigator_;
};

TDBNavigator::TDBNavigator(QWidget *parent) : QWidget(parent), link_(new Link(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    for (int i = 0; i < kNavigateButtons; ++i) {
        auto *b = new QToolButton(this);
        b->setObjectName(QStringLiteral("nb") + QString::fromLatin1(kButtons[i].name));
        b->setText(QString::fromUtf8(kButtons[i].caption));
        b->setToolTip(QString::fromUtf8(kButtons[i].hint));
        b->setMinimumWidth(28);
        b->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(b);
        buttons_[size_t(i)] = b;
        const auto button = TNavigateBtn(i);
        connect(b, &QToolButton::clicked, this, [this, button] { TForm::Guard([this, button] { BtnClick(button); }); });
    }
    layout->addStretch(1);
    UpdateButtons();
}

TDBNavigator::~TDBNavigator()
{
    delete link_;
}

TDataSource *TDBNavigator::DataSource() const
{
    return link_->DataSource();
}

void TDBNavigator::SetDataSource(TDataSource *source)
{
    link_->SetDataSource(source);
    UpdateButtons();
}

void TDBNavigator::ApplyProperties(TForm *)
{
    const QString names = property("visibleButtons").toString();
    if (names.isEmpty())
        return;
    TNavButtonSet set = 0;
    for (const QString &part : names.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        for (int i = 0; i < kNavigateButtons; ++i)
            if (part.trimmed().compare(QString::fromLatin1(kButtons[i].name), Qt::CaseInsensitive) == 0)
                set |= NavButton(TNavigateBtn(i));
    SetVisibleButtons(set);
}

void TDBNavigator::SetVisibleButtons(TNavButtonSet buttons)
{
    visible_ = buttons;
    for (int i = 0; i < kNavigateButtons; ++i)
        buttons_[size_t(i)]->setVisible(buttons & NavButton(TNavigateBtn(i)));
    UpdateButtons();
}

void TDBNavigator::UpdateButtons()
{
    TDataSet *ds = link_->DataSet();
    const bool active = ds && link_->Active();
    const bool editing = active && (ds->State() == dsEdit || ds->State() == dsInsert);
    const bool browsing = active && !editing;
    const bool canModify = active && ds->CanModify();
    const bool empty = !active || ds->IsEmpty();
    const bool bof = !active || ds->Bof();
    const bool eof = !active || ds->Eof();
    const bool enabled[kNavigateButtons] = {
        browsing && !bof,                // first
        browsing && !bof,                // prior
        browsing && !eof,                // next
        browsing && !eof,                // last
        canModify && browsing,           // insert
        canModify && !empty && browsing, // delete
        canModify && browsing && !empty, // edit
        editing,                         // post
        editing,                         // cancel
        browsing,                        // refresh
    };
    for (int i = 0; i < kNavigateButtons; ++i)
        buttons_[size_t(i)]->setEnabled(enabled[i]);
}

bool TDBNavigator::ButtonEnabled(TNavigateBtn button) const
{
    QToolButton *b = buttons_[size_t(button)];
    return b->isEnabled() && !b->isHidden();
}

void TDBNavigator::BtnClick(TNavigateBtn button)
{
    Fuoco::ComandoSuRecord(this, DataSource(), [this, button] {
        bool doDefault = true;
        if (BeforeAction)
            BeforeAction(button, doDefault);
        if (doDefault)
            DoAction(button);
        if (OnClick)
            OnClick(button);
    });
}

void TDBNavigator::DoAction(TNavigateBtn button)
{
    TDataSet *ds = link_->DataSet();
    if (!ds)
        return;
    switch (button) {
    case nbFirst:
        ds->First();
        break;
    case nbPrior:
        ds->Prior();
        break;
    case nbNext:
        ds->Next();
        break;
    case nbLast:
        ds->Last();
        break;
    case nbInsert:
        ds->Insert();
        break;
    case nbDelete:
        if (ConfirmDelete
            && Kmessages::KMessage(QStringLiteral("Conferma Cancellazione ?"), mtConfirmation, mbYesNo, 1) != mrYes)
            return;
        ds->Delete();
        break;
    case nbEdit:
        ds->Edit();
        break;
    case nbPost:
        ds->Post();
        break;
    case nbCancel:
        ds->Cancel();
        break;
    case nbRefresh:
        ds->Refresh();
        break;
    }
}

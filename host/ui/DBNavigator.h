#pragma once
// The navigator: buttons that move through the records of a data source and edit them.
// Before a button acts, BeforeAction may take the click over (doDefault false); OnClick
// follows the button's own action. Keys and code press buttons with BtnClick, as the user.
#include "host/ui/DBControls.h"

#include <QToolButton>
#include <QWidget>

#include <array>
#include <functional>

enum TNavigateBtn : int { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh };
inline constexpr int kNavigateButtons = nbRefresh + 1;

using TNavButtonSet = int; // bits 1 << TNavigateBtn
inline constexpr TNavButtonSet NavButton(TNavigateBtn b)
{
    return 1 << b;
}
inline constexpr TNavButtonSet nbAllButtons = (1 << kNavigateButtons) - 1;

// The Italian name of a button ("Primo", "Inserisci"...).
QString NavigateBtnName(TNavigateBtn button);

class TDBNavigator : public QWidget, public IDataControl {
    Q_OBJECT
public:
    explicit TDBNavigator(QWidget *parent = nullptr);
    ~TDBNavigator() override;

    TDataSource *DataSource() const override;
    void SetDataSource(TDataSource *source) override;
    // "visibleButtons": names separated by ";" (First;Prior;Next;Last;Insert;Delete;Edit;
    // Post;Cancel;Refresh).
    void ApplyProperties(TForm *form) override;

    TNavButtonSet VisibleButtons() const { return visible_; }
    void SetVisibleButtons(TNavButtonSet buttons);
    bool ConfirmDelete = true;

    QToolButton *Button(TNavigateBtn button) const { return buttons_[size_t(button)]; }
    // Whether the button can act now (enabled and shown).
    bool ButtonEnabled(TNavigateBtn button) const;

    // As the user pressing the button: BeforeAction, the action, OnClick. Errors propagate.
    // A new record begun by it takes the focus (Fuoco::ComandoSuRecord).
    void BtnClick(TNavigateBtn button);
    // The button's own action.
    void DoAction(TNavigateBtn button);
    // Enables the buttons by the dataset's state.
    void UpdateButtons();

    std::function<void(TNavigateBtn, bool &doDefault)> BeforeAction;
    std::function<void(TNavigateBtn)> OnClick;

private:
    class Link;
    Link *link_;
    std::array<QToolButton *, kNavigateButtons> buttons_{};
    TNavButtonSet visible_ = nbAllButtons;
};

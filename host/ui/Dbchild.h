#pragma once
// Maintenance windows over one main table.
//
// TFDBChild: a toolbar with the navigator of DSMain (the data source of the main table,
// which the subclass sets), search, print, preview and close; the layout below.
// - Every navigator button passes DSMainNavClick(button, doDefault) first; the button's own
//   action follows only while doDefault stays true.
// - Keys: Escape acts as the Cancel button and Xvkey::XGetKEY commands as Edit (2), Insert
//   (3), Delete (4) and Post (10); they pass ChildKeyPress(key, shift, flag), which calls
//   DSMainNavClick, and the button's own action follows when flag is still true. The
//   search (1), print (9) and preview (11) commands run XFormXRicerca and XFormXStampa. A key
//   whose button is hidden or disabled does nothing, the hook included.
// - The print commands are shown only by a window that prints (MostraStampa).
// - DSMain does not edit by itself: a browsed record changes only after the user's Edit (the
//   navigator, F2 or the window's own command).
// - XFormCloseQuery refuses while the company database is in a transaction and, while the
//   main table is being edited, asks "Conferma Abbandono Modifiche ?".
// - The main table, when it is a TXTable without a row limit, reads at most LimiteRighe()
//   rows, and FormCreate opens it when the subclass has not.
// - A post of the main table refused because its key is already taken names the code
//   (MessaggioCodiceDuplicato) instead of the database's text; the record stays in edit.
//
// TFDBTabChild: the same with a page control: a grid page over DSMain and a detail page
// holding the layout.
#include "host/ui/DBNavigator.h"
#include "host/ui/Forms.h"

class KDBGriglia;
class KPageControl;
class QAction;
class QLabel;
class QToolBar;
class QToolButton;
class TXTable;

// The message of a record whose key is already taken: its code (the last key field) and the
// table (its label in the dictionary).
QString MessaggioCodiceDuplicato(const TXTable *table);

class TFDBChild : public TForm {
    Q_OBJECT
public:
    explicit TFDBChild(QWidget *owner = nullptr);

    TDataSource *DSMain = nullptr;
    TDBNavigator *DBNavigator = nullptr;
    QToolBar *tbComandi = nullptr;
    QToolButton *btRicerca = nullptr;
    QToolButton *btStampa = nullptr;
    QToolButton *btAnteprima = nullptr;
    QToolButton *btChiudi = nullptr;
    QLabel *lbStato = nullptr;

    // The main table (DSMain's dataset).
    TDataSet *MainDataSet() const;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    void XFormCloseQuery(bool &canClose) override;
    void FormKeyDown(int &key, TShiftState shift) override;

    virtual void DSMainStateChange(TDataSource *source);
    virtual void DSMainDataChange(TDataSource *source, TField *field);
    // Before a navigator button acts; doDefault false keeps the button's own action back.
    virtual void DSMainNavClick(TNavigateBtn button, bool &doDefault);
    // The window's key hook: flag true lets the button of the key act afterwards.
    virtual void ChildKeyPress(int &key, TShiftState shift, bool &flag);
    // Print request (toolbar, F9, Shift+F9 for the preview).
    virtual void XFormXStampa(bool preview);
    // The print and preview commands shown (a window that prints) or not (the default).
    void MostraStampa(bool mostra);
    bool HaStampa() const;
    // Record search: the host's search over the main table, then a locate of the key chosen.
    virtual void XFormXRicerca();
    // Rows the main table reads at most (the host's setting); 0 for no limit.
    virtual int LimiteRighe() const;

    // As the user pressing a navigator button: DSMainNavClick, then the button's action.
    void NavClick(TNavigateBtn button);
    // The navigator button a key stands for; false for other keys.
    static bool KeyButton(int key, TShiftState shift, TNavigateBtn &button);

protected:
    void ApplyRowLimit();

private:
    // The button's own action on the main table.
    void AzioneNavigatore(TNavigateBtn button);
    // Whether the command of a key can be given: its button shown and enabled.
    bool ComandoAttivo(int command, bool isButton, TNavigateBtn button) const;

    QAction *acStampa_ = nullptr;
    QAction *acAnteprima_ = nullptr;
};

class TFDBTabChild : public TFDBChild {
    Q_OBJECT
public:
    explicit TFDBTabChild(QWidget *owner = nullptr);

    KPageControl *PageControl = nullptr;
    QWidget *tsGriglia = nullptr;
    QWidget *tsDettaglio = nullptr;
    KDBGriglia *GrigliaMain = nullptr;

    void DSMainStateChange(TDataSource *source) override;
    // The grid page (0) or the detail page (1).
    void MostraPagina(int page);
};

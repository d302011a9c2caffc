#pragma once
// Parameter dialogs: a one-record memory table tPars (data source DSPars) in edit, and the
// buttons "Esegui" and "Chiudi".
//
// tPars keeps its record between openings of the dialog: it is named after the window's
// class unless the subclass names it (a dictionary entry of a memory table, with
// UsaDizionario). Declare its fields (lookups, calculated fields) in the constructor;
// FormCreate opens it and puts its record in edit (a new record the first time).
// btEseguiClick writes what the controls hold and posts the record (its validations run),
// leaving it in edit; a subclass runs it first and then does its work.
//
// TFDBChildParsPage: the same on a page control of two pages, parameters (the layout,
// with Esegui and Chiudi) and results (a grid over DSRisultati with "Stampa" and "Esci").
#include "host/ui/Forms.h"

#include <QPushButton>

class KDBGriglia;
class KPageControl;
class QHBoxLayout;
class TDataSource;
class TXMemTable;

class TFDBChildPars : public TForm {
    Q_OBJECT
public:
    explicit TFDBChildPars(QWidget *owner = nullptr);

    TXMemTable *tPars = nullptr;
    TDataSource *DSPars = nullptr;
    QWidget *pBottoni = nullptr;
    QPushButton *btEsegui = nullptr;
    QPushButton *btChiudi = nullptr;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;

    virtual void btEseguiClick();
    virtual void btChiudiClick();
    // Escape: a control holding typing undoes it; else the button that closes the page shown
    // is pressed (when enabled: not while a job runs).
    void FormKeyDown(int &key, TShiftState shift) override;

protected:
    QHBoxLayout *ButtonLayout() const { return buttons_; }
    // The button that closes the window from the page shown.
    virtual QPushButton *BottoneChiudi() const { return btChiudi; }

private:
    QHBoxLayout *buttons_ = nullptr;
};

class TFDBChildParsPage : public TFDBChildPars {
    Q_OBJECT
public:
    explicit TFDBChildParsPage(QWidget *owner = nullptr);

    KPageControl *PageControl = nullptr;
    QWidget *tsParametri = nullptr;
    QWidget *tsRisultati = nullptr;
    KDBGriglia *gRisultati = nullptr;
    TDataSource *DSRisultati = nullptr;
    QWidget *pBottoniRisultati = nullptr;
    QPushButton *btStampa = nullptr;
    QPushButton *btEsci = nullptr;

    // 0 parameters, 1 results.
    void SetPagina(int page);
    int Pagina() const;
    // A further button on the results page, before "Esci".
    QPushButton *AggiungiBottoneRisultati(const QString &caption, const QString &name);

    virtual void btStampaClick();
    virtual void btEsciClick();

protected:
    QPushButton *BottoneChiudi() const override;

private:
    QHBoxLayout *resultButtons_ = nullptr;
};

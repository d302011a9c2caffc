#pragma once
// The host's pop-up panel: read-only pages of labelled fields of one dataset, shown modal on
// its first page and closed by Esc, F10 or its close button.
#include "host/ui/Dlgbase.h"

#include <QString>

class KPageControl;
class QTabWidget;
class TDataSet;
class TDataSource;

class TKPannelloPopup : public TfdlgBase {
    Q_OBJECT
public:
    explicit TKPannelloPopup(QWidget *owner = nullptr);

    // The dataset the pages show.
    void SetDataSet(TDataSet *dataSet);
    // A page; answers its index.
    int AggiungiPagina(const QString &titolo, const QString &nome);
    // A labelled read-only field on a page; memo for long texts.
    void AggiungiCampo(int pagina, const QString &etichetta, const QString &campo, bool memo = false);

    QTabWidget *Pagine = nullptr;
    TDataSource *DSPannello = nullptr;

    void FormShow() override;
    void FormKeyDown(int &key, TShiftState shift) override;
};

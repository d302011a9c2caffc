#pragma once
// The module's quantity-detail dialog, registered under "TfSVen0904f": on close the detail is
// aligned to the row for contract work, its total checked against the row quantity and
// written back to the row as the opening asked.
#include "host/business/Sven0904f.h"

class TfSVen0904f_p : public TfSVen0904f {
    Q_OBJECT
public:
    explicit TfSVen0904f_p(QWidget *owner = nullptr);

    // Replaces the host's close: action caNone while a check refuses, else caFree. An error
    // writing back to the row is shown (information); the dialog still closes and the row
    // stays in edit holding what was written.
    void FormClose(TCloseAction &action) override;

private:
    // The last detail line takes the difference between the row's column and the sum of the
    // details over that column (nothing without a detail line).
    void AllineaDettaglio(const QString &campo);
    // Runs a write-back on the row; its error is shown and the row left as it stands.
    void ScriviRigo(const std::function<void(TDataSet *)> &scrittura);
};

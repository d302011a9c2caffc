#pragma once
// A deposit job running from a parameter window: Esegui and Chiudi disabled so that a second
// click cannot start it again while it processes messages; optionally the hourglass and the
// window's repaint frozen. Everything comes back when the object goes.
#include "host/ui/Dbchildpars.h"

#include <optional>

class CAUZ_LavoroInCorso {
public:
    CAUZ_LavoroInCorso(TFDBChildPars *finestra, bool clessidra) : finestra_(finestra)
    {
        finestra_->btEsegui->setEnabled(false);
        finestra_->btChiudi->setEnabled(false);
        if (clessidra) {
            clessidra_.emplace();
            bloccata_ = LockWindowUpdate(finestra_);
        }
    }
    ~CAUZ_LavoroInCorso()
    {
        if (bloccata_ && LockedWindow() == finestra_.data())
            LockWindowUpdate(nullptr);
        if (finestra_) {
            finestra_->btEsegui->setEnabled(true);
            finestra_->btChiudi->setEnabled(true);
        }
    }
    CAUZ_LavoroInCorso(const CAUZ_LavoroInCorso &) = delete;
    CAUZ_LavoroInCorso &operator=(const CAUZ_LavoroInCorso &) = delete;

private:
    QPointer<TFDBChildPars> finestra_;
    std::optional<THourGlass> clessidra_;
    bool bloccata_ = false;
};

#pragma once
// What a deposit journal movement (LUMO_MovCauT with its LUMO_MovCauR rows) books on the
// progressive cards: each row's quantities and price under its head's account, destination,
// currency, rate, date and update flags, moved through the card update. A correction reverses
// what a row booked (the same call with the quantities negated) and books the new row.
#include <QDateTime>
#include <QMap>
#include <QString>
#include <QVariantList>

class TDataSet;
class TXDatabase;

// The head values that decide where and how a row books.
struct TLumoTestaCauzioni {
    QDateTime DataReg;
    QString IdContoTp;
    QString IdConto;
    int IdDestinazione = 0;
    QString IdDivisa;
    double Cambio = 0;
    int FlAggCau = 0;
    int FlAggCauF = 0;
    int FlAggCauB = 0;

    // From the current record of a head dataset.
    static TLumoTestaCauzioni Da(TDataSet *testa);
    bool operator==(const TLumoTestaCauzioni &) const = default;
};

// The row values that the cards receive. A row without price books its stored values as
// they stand (the source row of a transfer); any other row is valued at its price.
struct TLumoRigaCauzioni {
    QString IdImballo;
    double QtaCar = 0;
    double QtaRes = 0;
    double QtaCarEcc = 0;
    double QtaResEcc = 0;
    double Prezzo = 0;
    double ValoreCar = 0;
    double ValoreRes = 0;

    // From the current record of a row dataset (stored rows or an edit buffer).
    static TLumoRigaCauzioni Da(TDataSet *riga);
};

// A movement as stored: its head and its rows by KContaR.
struct TLumoMovimentoCauzioni {
    TLumoTestaCauzioni Testa;
    QMap<qint64, TLumoRigaCauzioni> Righe;
};

// Books the row under the head on the account's cards (Segno 1), or reverses what it booked
// (Segno -1). Runs inside the caller's transaction; errors reach the caller.
void CAUZ_MuoviSchede(const TLumoTestaCauzioni &Testa, const TLumoRigaCauzioni &Riga, int Segno);

// The movement as stored now on the company database (read in the caller's transaction, so
// what another user committed since a window loaded it is seen); false when its head is not
// stored.
bool CAUZ_LeggiMovimento(qint64 KContaT, TLumoMovimentoCauzioni &Movimento);

// Locks the cards the condition selects (a condition on LUMO_ProgCauz, bound to the values)
// until the caller's transaction ends: on PostgreSQL another user's job reading them locked,
// or writing them, waits for this one; SQLite's transaction holds the database already.
void CAUZ_BloccaSchede(const QString &Condizione, const QVariantList &Valori);

// Locks the account's customer or supplier row until the caller's transaction ends (on
// PostgreSQL; SQLite's transaction holds the database already), so that nobody changes its
// deposit settings meanwhile, and has the lookups read that table again: the checks that
// follow see the account as stored now.
void CAUZ_BloccaConto(TXDatabase &db, const QString &IdContoTp, const QString &IdConto);

// Refuses an empty account, one that is not among the customers or suppliers of its type,
// and one that keeps no deposits (the exception's text says which).
void CAUZ_ControllaConto(const QString &IdContoTp, const QString &IdConto);
// Refuses a destination other than 0 that the account does not have.
void CAUZ_ControllaDestinazione(const QString &IdContoTp, const QString &IdConto, int IdDestinazione);

// The search conditions of an account field (the accounts of the type, on the chart of
// accounts table or on the customers' one) and of a destination field (the account's own).
QString CAUZ_FiltroConti(const QString &IdContoTp, const QString &Tabella = QStringLiteral("PianoConti"));
QString CAUZ_FiltroDestinazioni(const QString &IdContoTp, const QString &IdConto);

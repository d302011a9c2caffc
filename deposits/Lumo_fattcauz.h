#pragma once
// What the two deposit billing windows share (invoicing of outstanding stock, credit notes for
// returned packaging): the causal and price-list checks, the execute checks, the run frame of
// "Genera" (question, one transaction, progress, error path, end message naming the first and
// last number, window closed) and the deposit booking of the document being written.
#include "host/ui/Dbchildpars.h"

#include <QDateTime>
#include <QHash>
#include <QPair>
#include <QStringList>

#include <array>

class QPushButton;
class TDataSet;
class TField;
class TXClientTable;

class TFCauzFatturazione : public TFDBChildParsPage {
    Q_OBJECT
public:
    explicit TFCauzFatturazione(QWidget *owner = nullptr);

    QPushButton *btGenera;
    TXClientTable *tTeste;   // FattureCliTeste
    TXClientTable *tRighe;   // FattureCliRighe
    TXClientTable *tMovT;    // LUMO_MovCauT
    TXClientTable *tMovR;    // LUMO_MovCauR
    TXClientTable *tCauzDoc; // LUMO_CauzDocFatt

    void btEseguiClick() override;

protected:
    // The parameter record (DataDocumento, IdCausale, IdListino) with its descriptions and checks.
    void ImpostaParametri(const QString &tabella);
    void tParsIdCausaleValidate(TField *f);
    void tParsIdListinoValidate(TField *f);
    virtual void PreparaDati() = 0;

    void btGeneraClick();
    // Once per run, before the transaction.
    virtual void PreparaGenerazione() {}
    // Once per run, after the transaction (committed or rolled back).
    virtual void FineGenerazione() {}
    // The datasets the run writes besides heads, rows, movements and summaries.
    virtual QList<TDataSet *> AltriDataSet() { return {}; }
    virtual int RigheDaElaborare() = 0;
    // Writes the documents, inside the run's transaction; errors reach the frame.
    virtual void Genera() = 0;
    // The first and last document numbers of the run.
    void NumeroGenerato(int numero);

    // A customer's stock on its account-total cards, per packaging code: the invoiced balance
    // (loaded less returned) and the excess stock.
    struct Giacenza {
        double Saldo = 0;
        double Eccedenza = 0;
    };
    // The run's customers, then their account-total and destination-0 cards, locked until the
    // run ends, in key order (two runs sharing customers wait for each other, never deadlock),
    // the cards read as stored into the card table that books the run, a few statements for
    // all: another user's run of a customer waits for this one and then finds what it left. A
    // customer whose deposits were switched off meanwhile reads no stock (the card update would
    // book nothing for it). Before the first number.
    void BloccaGiacenze(const QStringList &clienti);
    // A customer's stock as BloccaGiacenze read it.
    QHash<QString, Giacenza> Giacenze(const QString &cliente) const { return giacenze_.value(cliente); }
    // The keys of the run's documents and rows, and of their deposit movements and summaries,
    // drawn at once for all.
    void RiservaChiavi(qint64 documenti, qint64 righe);
    // Refuses the run when a figure of the customer's stock is no longer the one proposed.
    static void ControllaProposta(const QString &cliente, double proposto, double registrato);

    // The deposit movement head of the document in tTeste; false (nothing booked) when the
    // causal does not generate deposit movements.
    bool RegistraTestaCauzioni();
    // A movement row, its summary (with the destination-0 card as BloccaGiacenze read it: the
    // card before the booking, each packaging of a customer being booked once a run) and the
    // card update, each with qtaRes returned (excess included) and qtaCarEcc excess loaded; the
    // row and the summary keep the value refunded. Rows and summaries reach the database in
    // multi-row statements, the cards once, at the latest when the run commits.
    void RegistraRigaCauzioni(const QString &imballo, double qtaRes, double prezzo, double valoreRes, double qtaCarEcc);

    QDateTime DataDocumento() const;
    QString Parametro(const char *campo) const;

    // The chosen causal as read when the run starts.
    struct Causale {
        int SerieRegistro = 0;
        int FlTipoRegistro = 0;
        int FlAggMovC = 0;
        int FlAggCau = 0;
        int FlAggCauF = 0;
        int FlAggCauB = 0;
    } Causale;

    int NCINiziale = 0;
    int NCFinale = 0;

private:
    // Stored figures of a destination-0 card: quantity and value, general, delivery-note and
    // invoiced sets.
    using FigureScheda = std::array<double, 6>;
    QHash<QString, QHash<QString, Giacenza>> giacenze_;               // by customer and packaging
    QHash<QPair<QString, QString>, FigureScheda> schedeDestinazione_; // by customer and packaging
};

#pragma once
// Transport price lists for the window, print and analysis tests: the host's currencies,
// carriers, zones, accounts, destinations, categories and articles they name, transport on
// in the parameter record, and lists stored with drawn keys.
#include "tests/module/masterdata/MasterDettaglioFixture.h"

#include "frame/Dmilumo.h"

#include <QDate>

#include <functional>

class Trasporto : public MasterDettaglio {
protected:
    void SetUp() override
    {
        MasterDettaglio::SetUp();
        if (IsSkipped())
            return;
        Abilita(1);
        Esegui(QStringLiteral("INSERT INTO Divise (IdDivisa, DsDivisa, SiglaDivisa) VALUES ('EUR', 'Euro', '€'), "
                              "('USD', 'Dollaro', '$')"));
        Esegui(QStringLiteral(
            "INSERT INTO Spedizionieri (IdSpedizione, DsSpedizione1) VALUES ('S01', 'Autotrasporti Nord'), "
            "('S02', 'Corriere Sud')"));
        Esegui(QStringLiteral("INSERT INTO Zone (IdZona, DsZona) VALUES ('Z1', 'Piemonte'), ('Z2', 'Liguria')"));
        Esegui(QStringLiteral(
            "INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale) VALUES ('CL', 'C001', 'Enoteca Alba'), "
            "('CL', 'C''02', 'Osteria dell''Angolo')"));
        Esegui(QStringLiteral(
            "INSERT INTO Fornitori (IdContoTp, IdConto, RagioneSociale) VALUES ('FO', 'F001', 'Vetreria')"));
        Esegui(QStringLiteral(
            "INSERT INTO PianoConti (IdContoTp, IdConto, RagioneSociale) VALUES ('CL', 'C001', 'Enoteca Alba'), "
            "('CL', 'C''02', 'Osteria dell''Angolo'), ('FO', 'F001', 'Vetreria')"));
        Esegui(QStringLiteral("INSERT INTO Destinazioni (IdContoTp, IdConto, IdDestinazione, RagioneSociale) VALUES "
                              "('CL', 'C001', 1, 'Alba centro'), ('CL', 'C''02', 1, 'Angolo porto'), ('CL', 'C''02', "
                              "2, 'Angolo colle')"));
        Esegui(QStringLiteral("INSERT INTO CategorieMerc (IdCategoria, DsCategoria) VALUES ('ROSSI', 'Vini rossi'), "
                              "('BIANCHI', 'Vini bianchi')"));
        Esegui(QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto) VALUES ('BAR75', 'Barbera 0,75'), "
                              "('ARN75', 'Arneis 0,75')"));
    }

    void Abilita(int valore)
    {
        Esegui(QStringLiteral("DELETE FROM LUMO_Parametri"));
        Esegui(QStringLiteral("INSERT INTO LUMO_Parametri (IdCodice, FlAbilTrasporto) VALUES ('1', ?)"), {valore});
        if (DMILUMO) // read again at the next menu choice
            DMILUMO->lkLUMO_Parametri->Close();
    }

    // A stored list; its key.
    int Listino(const QString &codice, const QString &descrizione, const QDate &inizio, const QDate &fine,
                const QString &divisa = QStringLiteral("EUR"))
    {
        const int chiave = int(company.Database().NewKey(QStringLiteral("LUMO_ListTraT"), QStringLiteral("KListTraT")));
        Esegui(QStringLiteral(
                   "INSERT INTO LUMO_ListTraT (KListTraT, IdListTra, DsListTra, DataInizio, DataFine, IdDivisa) "
                   "VALUES (?, ?, ?, ?, ?, ?)"),
               {chiave, codice, descrizione, inizio, fine, divisa});
        return chiave;
    }
    // A stored reference row; its key.
    int Riferimento(int listino, const QString &spedizione, const QString &zona, const QString &conto, int destinazione,
                    int tipoGest, double spese, double perc)
    {
        const int chiave = int(company.Database().NewKey(QStringLiteral("LUMO_ListTraD"), QStringLiteral("KListTraD")));
        Esegui(QStringLiteral(
                   "INSERT INTO LUMO_ListTraD (KListTraD, KListTraT, IdSpedizione, IdZona, IdContoTp, IdConto, "
                   "IdDestinazione, FlTipoGest, SpeseTrasporto, PercSpesa) VALUES (?, ?, ?, ?, 'CL', ?, ?, ?, ?, ?)"),
               {chiave, listino, Testo(spedizione), Testo(zona), Testo(conto), destinazione, tipoGest, spese, perc});
        return chiave;
    }
    // A stored article row; its key.
    int Articolo(int listino, const QString &categoria, const QString &prodotto, int tipoPrz, double prezzo,
                 const QDate &inizio = QDate(), const QDate &fine = QDate())
    {
        const int chiave = int(company.Database().NewKey(QStringLiteral("LUMO_ListTraR"), QStringLiteral("KListTraR")));
        Esegui(QStringLiteral(
                   "INSERT INTO LUMO_ListTraR (KListTraR, KListTraT, IdCategoria, IdProdotto, FlTipoPrz, Prezzo, "
                   "DataInizio, DataFine) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
               {chiave, listino, Testo(categoria), Testo(prodotto), tipoPrz, prezzo,
                inizio.isValid() ? QVariant(inizio) : QVariant(), fine.isValid() ? QVariant(fine) : QVariant()});
        return chiave;
    }

    // Codes are stored empty, never null.
    static QString Testo(const QString &codice) { return codice.isNull() ? QStringLiteral("") : codice; }

    // The text of the error a step throws; empty when it throws none.
    static QString Rifiuto(const std::function<void()> &passo)
    {
        try {
            passo();
        } catch (const std::exception &e) {
            return Kmessages::ExceptionText(e);
        }
        return QString();
    }
};

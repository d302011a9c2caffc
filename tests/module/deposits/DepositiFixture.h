#pragma once
// The deposit windows opened from their menu codes on a company with deposits switched on:
// currencies, price-list types, packaging codes, customers with and without deposits (and
// with and without cards per destination), suppliers, destinations and names.
#include "tests/module/masterdata/MasterDettaglioFixture.h"

#include "frame/Dmilumo.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/report/ReportOutput.h"
#include "host/ui/DBControls.h"
#include "host/ui/SearchDialog.h"

#include <QFile>
#include <QTemporaryDir>

inline const QString Registrazione = QStringLiteral("Conferma Registrazione ?");
inline const QString Cancellazione = QStringLiteral("Conferma Cancellazione ?");
inline const QString Abbandono = QStringLiteral("Conferma Abbandono Modifiche ?");

class Depositi : public MasterDettaglio {
protected:
    // A captured print painted as a PDF file, as the unattended mode writes it.
    static void ScriveUnPdf(const ReportDocument &documento)
    {
        QTemporaryDir cartella;
        ASSERT_TRUE(cartella.isValid());
        const QString file = cartella.filePath(QStringLiteral("stampa.pdf"));
        ASSERT_NO_THROW(ReportOutput::WritePdf(documento, file));
        QFile pdf(file);
        ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
        const QByteArray testo = pdf.readAll();
        EXPECT_TRUE(testo.startsWith("%PDF"));
        EXPECT_GT(testo.size(), 1000);
    }
    void SetUp() override
    {
        MasterDettaglio::SetUp();
        if (IsSkipped())
            return;
        // the price lookup's query before any window, owned as the dispatcher owns it
        Application->CreateForm(ClassRef::Of<TDMILUMO>(), DMILUMO);
        if (company.Db().Attached())
            return; // a user of a test of two users: the company is the parent test's
        Esegui(QStringLiteral("INSERT INTO LUMO_Parametri (IdCodice, FlAbilCauz) VALUES ('1', 1)"));
        Esegui(QStringLiteral("INSERT INTO Divise (IdDivisa, DsDivisa, SiglaDivisa, DecPrezzo, DecValore, FlMonetaUE) "
                              "VALUES ('EUR', 'Euro', 'EUR', 4, 2, 1), ('USD', 'Dollaro', 'USD', 3, 2, 0)"));
        Esegui(QStringLiteral("INSERT INTO TipiListino (IdListino, DsListino) VALUES ('L01', 'Listino base'), "
                              "('L02', 'Listino grossisti')"));
        Esegui(QStringLiteral("INSERT INTO Imballi (IdImballo, DsImballo) VALUES ('CAS', 'Cassa legno'), "
                              "('BOT', 'Bottiglia vetro'), ('FUS', 'Fusto acciaio')"));
        Esegui(
            QStringLiteral("INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale, UT_LMQ_FlCauz, UT_LMQ_FlCauDes, "
                           "UT_LMQ_IdListCau) VALUES ('CL', 'C001', 'Enoteca Rossi', 1, 0, 'L01'), "
                           "('CL', 'C002', 'Ristorante Bianchi', 1, 1, 'L01'), ('CL', 'C003', 'Bar Verdi', 0, 0, '')"));
        Esegui(QStringLiteral("INSERT INTO Fornitori (IdContoTp, IdConto, RagioneSociale, UT_LMQ_FlCauz) VALUES "
                              "('FO', 'F001', 'Vetreria Nord', 1), ('FO', 'F002', 'Tappi Sud', 0)"));
        Esegui(QStringLiteral(
            "INSERT INTO PianoConti (IdContoTp, IdConto, RagioneSociale) VALUES "
            "('CL', 'C001', 'Enoteca Rossi'), ('CL', 'C002', 'Ristorante Bianchi'), "
            "('CL', 'C003', 'Bar Verdi'), ('FO', 'F001', 'Vetreria Nord'), ('FO', 'F002', 'Tappi Sud')"));
        Esegui(QStringLiteral("INSERT INTO Destinazioni (IdContoTp, IdConto, IdDestinazione, RagioneSociale) VALUES "
                              "('CL', 'C002', 1, 'Sede mare'), ('CL', 'C002', 2, 'Sede monti'), "
                              "('CL', 'C001', 1, 'Magazzino Rossi')"));
    }

    // A deposit price list stored with its rows (packaging code, price); answers its key.
    int Listino(const QString &codice, const QString &divisa, const QList<QPair<QString, double>> &righe)
    {
        const int chiave = Conta(QStringLiteral("LUMO_LisCauzT")) + 100;
        Esegui(QStringLiteral("INSERT INTO LUMO_LisCauzT (KContaT, IdListino, IdDivisa) VALUES (?, ?, ?)"),
               {chiave, codice, divisa});
        for (const auto &r : righe)
            Esegui(
                QStringLiteral("INSERT INTO LUMO_LisCauzR (KContaR, KContaT, IdImballo, Prezzo) VALUES (?, ?, ?, ?)"),
                {chiave * 100 + Conta(QStringLiteral("LUMO_LisCauzR")), chiave, r.first, r.second});
        return chiave;
    }

    // A card's column, 0 when the card is missing.
    double Scheda(const QString &tipo, const QString &conto, int destinazione, int tipoScheda, const QString &imballo,
                  const QString &colonna)
    {
        return company.Database()
            .ScalarValue(QStringLiteral("SELECT %1 FROM LUMO_ProgCauz WHERE IdContoTp = ? AND IdConto = ? AND "
                                        "IdDestinazione = ? AND FlTipoScheda = ? AND IdImballo = ?")
                             .arg(colonna),
                         {tipo, conto, destinazione, tipoScheda, imballo})
            .toDouble();
    }

    // A buffer row deleted with the rows' navigator, as the user does.
    void TogliRiga(TLumoBufferRighe *b, const QString &campo, const QVariant &valore)
    {
        ASSERT_TRUE(b->TTBuffer->Locate(campo, valore)) << valore.toString().toStdString();
        script.Yes(Cancellazione);
        qobject_cast<TForm *>(b->parent())
            ->Control<TDBNavigator>(QStringLiteral("navDettaglio"))
            ->Button(nbDelete)
            ->click();
        kv8test::ProcessEvents();
    }

    // The codes the search of a code field lists, the search cancelled.
    QStringList Elencati(TForm *f, const QString &controllo)
    {
        auto *campo = f->Control<TDBCodeEdit>(controllo);
        if (!campo) {
            ADD_FAILURE() << controllo.toStdString();
            return {};
        }
        QStringList codici;
        script.OnDialog(QStringLiteral("TfdlgRicerca"), [&codici](TForm &d) {
            auto &ricerca = static_cast<TfdlgRicerca &>(d);
            for (ricerca.qRicerca->First(); !ricerca.qRicerca->Eof(); ricerca.qRicerca->Next())
                codici << ricerca.qRicerca->Fields(0)->AsString();
            return int(mrCancel);
        });
        campo->Ricerca();
        return codici;
    }

    // Another user's connection to the company.
    std::unique_ptr<TXDatabase> AltroUtente() { return company.Db().Connect(QStringLiteral("altro")); }
};

#include "registers/Lumo_accisa.h"

#include "host/business/Dmibase.h"
#include "host/core/Errors.h"
#include "host/data/TDataSet.h"
#include "host/db/TXDatabase.h"
#include "host/ui/DBControls.h"

#include <QStringList>

namespace LumoAccisa {

namespace {

const QString Cliente = QStringLiteral("CL");

bool TrovaCliente(const QString &conto)
{
    TDMIBase::Crea();
    return TDMIBase::Posiziona(DMIBase->lkClienti, QStringLiteral("IdContoTp;IdConto"), {Cliente, conto});
}

bool TrovaDestinazione(const QString &conto, int destinazione)
{
    TDMIBase::Crea();
    return TDMIBase::Posiziona(DMIBase->lkDestinazioni, QStringLiteral("IdContoTp;IdConto;IdDestinazione"),
                               {Cliente, conto, destinazione});
}

} // namespace

void ControllaCliente(const QString &IdConto)
{
    if (IdConto.isEmpty())
        return;
    if (!TrovaCliente(IdConto))
        throw Exception(QStringLiteral("Codice Cliente non valido"));
    if (DMIBase->lkClienti->FieldByName(QStringLiteral("UT_LMQ_FlTipCli"))->AsInteger() == 0)
        throw Exception(QStringLiteral("Cliente non abilitato alla gestione accisa"));
}

void ControllaDestinazione(const QString &IdConto, int IdDestinazione)
{
    if (IdDestinazione == 0)
        return;
    if (!TrovaDestinazione(IdConto, IdDestinazione))
        throw Exception(QStringLiteral("Codice Destinatario non valido"));
    if (DMIBase->lkDestinazioni->FieldByName(QStringLiteral("UT_LMQ_FlTipCli"))->AsInteger() == 0)
        throw Exception(QStringLiteral("Destinazione non abilitata alla gestione accisa"));
}

void AggiungiNomiConsegnatario(TDataSet *parametri)
{
    parametri->AddCalcField(QStringLiteral("_RagioneSociale"), ftString, 50);
    parametri->AddCalcField(QStringLiteral("_DsDestinazione"), ftString, 50);
    auto prima = parametri->OnCalcFields;
    parametri->OnCalcFields = [prima](TDataSet *d) {
        if (prima)
            prima(d);
        const QString conto = d->FieldByName(QStringLiteral("IdConto"))->AsString();
        const int destinazione = d->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger();
        const bool cliente = !conto.isEmpty() && TrovaCliente(conto);
        d->FieldByName(QStringLiteral("_RagioneSociale"))
            ->SetAsString(cliente ? DMIBase->lkClienti->FieldByName(QStringLiteral("RagioneSociale"))->AsString()
                                  : QString());
        const bool trovata = destinazione != 0 && TrovaDestinazione(conto, destinazione);
        d->FieldByName(QStringLiteral("_DsDestinazione"))
            ->SetAsString(trovata ? DMIBase->lkDestinazioni->FieldByName(QStringLiteral("RagioneSociale"))->AsString()
                                  : QString());
    };
}

void ImpostaControlliConsegnatario(TDataSet *parametri, TDBCodeEdit *edDestinazione)
{
    parametri->FieldByName(QStringLiteral("IdConto"))->OnValidate = [](TField *f) { ControllaCliente(f->AsString()); };
    parametri->FieldByName(QStringLiteral("IdDestinazione"))->OnValidate = [parametri](TField *f) {
        ControllaDestinazione(parametri->FieldByName(QStringLiteral("IdConto"))->AsString(), f->AsInteger());
    };
    if (edDestinazione)
        edDestinazione->OnFiltroRicerca = [parametri](TDBCodeEdit *, QString &filtro) {
            filtro = QStringLiteral("Destinazioni.IdContoTp = '%1' AND Destinazioni.IdConto = %2")
                         .arg(Cliente, XWideQuotedStr(parametri->FieldByName(QStringLiteral("IdConto"))->AsString()));
        };
}

QString CondizioneStampa(TDataSet *parametri, TXDatabase &db, const QString &alias)
{
    const auto campo = [parametri](const char *nome) { return parametri->FieldByName(QString::fromLatin1(nome)); };
    const QString a = alias + QLatin1Char('.');
    QStringList condizioni;
    if (!campo("Da_Data")->IsNull())
        condizioni << a + QStringLiteral("DataDoc >= ") + db.FormatDataSQL(campo("Da_Data")->AsDateTime().date());
    if (!campo("A_Data")->IsNull())
        condizioni << a + QStringLiteral("DataDoc <= ") + db.FormatDataSQL(campo("A_Data")->AsDateTime().date());
    if (campo("Da_Numero")->AsInteger() != 0)
        condizioni << a + QStringLiteral("Numero >= ") + QString::number(campo("Da_Numero")->AsInteger());
    if (campo("A_Numero")->AsInteger() != 0)
        condizioni << a + QStringLiteral("Numero <= ") + QString::number(campo("A_Numero")->AsInteger());
    if (!campo("IdConto")->AsString().isEmpty())
        condizioni << a + QStringLiteral("IdConto = ") + XWideQuotedStr(campo("IdConto")->AsString());
    if (campo("IdDestinazione")->AsInteger() != 0)
        condizioni << a + QStringLiteral("IdDestinazione = ") + QString::number(campo("IdDestinazione")->AsInteger());
    return condizioni.join(QStringLiteral(" AND "));
}

QStringList SqlTesteStampa()
{
    return {QStringLiteral("SELECT T.*, P.CodAccisa, P.DsAutorita1, P.DsAutorita2, P.DsAutorita3, P.Garanzia1, "
                           "P.Garanzia2, P.Garanzia3, P.PaeseSpe, P.LuogoSpe, P.Firma, P.PercAcc, P.ImpGarNaz, "
                           "P.ImpGarInt, P.RipTraNaz, P.RipIntAcc, P.RipItaAcc, P.TassaAcc,"),
            QStringLiteral("C.RagioneSociale, C.Indirizzo, C.IdCap, C.Localita, C.IdProvincia, C.IdNazione, "
                           "C.PartitaIVA, C.Telefono1, C.UT_LMQ_CodAcc, C.UT_LMQ_RapFis, C.UT_LMQ_DurVia, C.IdIso, "
                           "C.DatiAggiuntivi,"),
            QStringLiteral("D.RagioneSociale AS DD_RagioneSociale, D.Indirizzo AS DD_Indirizzo, D.IdCap AS DD_IdCap, "
                           "D.Localita AS DD_Localita, D.IdProvincia AS DD_IdProvincia, D.IdNazione AS DD_IdNazione, "
                           "D.Telefono1 AS DD_Telefono1, D.UT_LMQ_CodAcc AS DD_UT_LMQ_CodAcc, "
                           "D.UT_LMQ_RapFis AS DD_UT_LMQ_RapFis, D.UT_LMQ_DurVia AS DD_UT_LMQ_DurVia, "
                           "D.IdIsoIntra AS DD_IdIso, D.DatiAggiuntivi AS DD_DatiAggiuntivi"),
            QStringLiteral("FROM LUMO_DocAccT T"),
            QStringLiteral("LEFT JOIN LUMO_ParAcc P ON P.IdCodice = '1'"),
            QStringLiteral("LEFT JOIN Clienti C ON C.IdContoTp = 'CL' AND C.IdConto = T.IdConto"),
            QStringLiteral("LEFT JOIN Destinazioni D ON D.IdContoTp = T.IdContoTp AND D.IdConto = T.IdConto "
                           "AND D.IdDestinazione = T.IdDestinazione"),
            QStringLiteral("{WHERE XWHERE}"),
            QStringLiteral("{ORDER BY XORDER BY}")};
}

} // namespace LumoAccisa

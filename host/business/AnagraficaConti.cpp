#include "host/business/AnagraficaConti.h"

#include "host/ui/DBControls.h"
#include "host/ui/MDIForm.h"

#include <QLabel>
#include <QToolBar>
#include <QToolButton>

TFBBasConti::TFBBasConti(const QString &tipo, const QString &tabella, QWidget *owner)
    : TFBBasAnagrafica(owner), tipo_(tipo)
{
    btDestinazioni = new QToolButton(tbComandi);
    btDestinazioni->setObjectName(QStringLiteral("btDestinazioni"));
    btDestinazioni->setText(QStringLiteral("Destinazioni"));
    btDestinazioni->setToolTip(QStringLiteral("Destinazioni diverse del conto"));
    btDestinazioni->setFocusPolicy(Qt::NoFocus);
    tbComandi->insertWidget(tbComandi->actions().value(tbComandi->actions().size() - 2), btDestinazioni);
    connect(btDestinazioni, &QToolButton::clicked, this, [this] { Guard([this] { btDestinazioniClick(); }); });

    TMain = CreaTabella(QStringLiteral("TMain"), tabella);
    TMain->SetXWhere(QStringLiteral("IdContoTp = %1").arg(XWideQuotedStr(tipo)));
    TMain->AfterScroll = [this](TDataSet *d) { TMainAfterScroll(d); };
    TMain->BeforePost = [this](TDataSet *d) { TMainBeforePost(d); };
    TMain->BeforeDelete = [this](TDataSet *d) { TMainBeforeDelete(d); };
    TMain->OnNewRecord = [this](TDataSet *d) { TMainNewRecord(d); };
    TMain->OnRigaScritta = [this](TXTabellaAnagrafica *t) { AggiornaPianoConti(t); };
}

void TFBBasConti::FormCreate()
{
    TFBBasAnagrafica::FormCreate();
    TMainAfterScroll(TMain);
}

void TFBBasConti::TMainAfterScroll(TDataSet *)
{
    AbilitaDestinazioni();
}

void TFBBasConti::DSMainStateChange(TDataSource *source)
{
    TFBBasAnagrafica::DSMainStateChange(source);
    AbilitaDestinazioni();
}

void TFBBasConti::AbilitaDestinazioni()
{
    // a stored account, not being edited
    btDestinazioni->setEnabled(TMain && TMain->Active() && !TMain->IsEmpty() && TMain->State() == dsBrowse);
}

void TFBBasConti::DSMainDataChange(TDataSource *source, TField *field)
{
    TFBBasAnagrafica::DSMainDataChange(source, field);
    // the agencies searched are those of the bank in the record
    if (auto *agenzia = FindControl<TDBCodeEdit>(QStringLiteral("edIdAgenzia")); agenzia && TMain->Active()) {
        const QString banca = TMain->FieldByName(QStringLiteral("IdBanca"))->AsString();
        agenzia->CondizioneRicerca =
            banca.isEmpty() ? QString() : QStringLiteral("IdBanca = %1").arg(XWideQuotedStr(banca));
        if (agenzia->LabelDescrizione)
            agenzia->LabelDescrizione->setText(agenzia->Descrizione());
    }
}

void TFBBasConti::TMainNewRecord(TDataSet *DataSet)
{
    DataSet->FieldByName(QStringLiteral("IdContoTp"))->SetAsString(tipo_);
}

void TFBBasConti::TMainBeforePost(TDataSet *DataSet)
{
    DataSet->FieldByName(QStringLiteral("IdContoTp"))->SetAsString(tipo_);
    ControllaRecord(DataSet);
}

void TFBBasConti::TMainBeforeDelete(TDataSet *DataSet)
{
    ControllaCancellazione(DataSet);
}

void TFBBasConti::btDestinazioniClick()
{
    if (!TMain->Active() || TMain->IsEmpty())
        return;
    TMain->CheckBrowseMode();
    Mdimainbase::EseguiScelta(
        QStringLiteral("BBAS0058F;%1;%2").arg(tipo_, TMain->FieldByName(QStringLiteral("IdConto"))->AsString()));
}

void TFBBasConti::AggiornaPianoConti(TDataSet *dataSet)
{
    TXDatabase &db = TMain->Database();
    const QString conto = dataSet->FieldByName(QStringLiteral("IdConto"))->AsString();
    const QString nome = dataSet->FieldByName(QStringLiteral("RagioneSociale"))->AsString();
    if (db.ExecSQL(QStringLiteral("UPDATE PianoConti SET RagioneSociale = ? WHERE IdContoTp = ? AND IdConto = ?"),
                   {nome, tipo_, conto})
        == 0)
        db.ExecSQL(QStringLiteral("INSERT INTO PianoConti (IdContoTp, IdConto, RagioneSociale) VALUES (?, ?, ?)"),
                   {tipo_, conto, nome});
}

void TFBBasConti::EliminaCollegati(TDataSet *dataSet)
{
    TFBBasAnagrafica::EliminaCollegati(dataSet);
    TMain->Database().ExecSQL(QStringLiteral("DELETE FROM PianoConti WHERE IdContoTp = ? AND IdConto = ?"),
                              {tipo_, dataSet->FieldByName(QStringLiteral("IdConto"))->AsString()});
}

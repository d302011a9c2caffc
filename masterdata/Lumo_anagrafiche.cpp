#include "masterdata/Lumo_anagrafiche.h"

#include "frame/Lumo_parametri.h"
#include "host/business/Dmibase.h"
#include "host/ui/DBControls.h"
#include "host/ui/Dbchild.h"

#include <QGridLayout>
#include <QTabWidget>

namespace Lumo_anagrafiche {

void Intitola(TForm *finestra)
{
    finestra->SetCaption(finestra->Caption() + QStringLiteral(" (Dusaria)"));
}

void AccodaPagine(TFDBTabChild *finestra, QTabWidget *pagine)
{
    while (pagine->count() > 0) {
        QWidget *pagina = pagine->widget(0);
        const QString titolo = pagine->tabText(0);
        pagine->removeTab(0);
        finestra->PageControl->addTab(pagina, titolo);
    }
}

void AccodaRighe(QGridLayout *dettaglio, QGridLayout *righe)
{
    struct TPosto {
        QLayoutItem *elemento;
        int riga, colonna, righe, colonne;
    };
    QList<TPosto> posti;
    while (righe->count() > 0) {
        TPosto p{};
        righe->getItemPosition(0, &p.riga, &p.colonna, &p.righe, &p.colonne);
        p.elemento = righe->takeAt(0);
        posti << p;
    }
    const int base = dettaglio->rowCount();
    for (const TPosto &p : std::as_const(posti)) {
        if (QWidget *w = p.elemento->widget()) {
            dettaglio->addWidget(w, base + p.riga, p.colonna, p.righe, p.colonne);
            delete p.elemento;
        } else {
            dettaglio->addItem(p.elemento, base + p.riga, p.colonna, p.righe, p.colonne);
        }
    }
}

bool CodiceEsiste(TXlkTable *lookup, const QString &chiave, const QVariant &valore)
{
    return TDMIBase::Posiziona(lookup, chiave, {valore});
}

void VerificaCodice(TXlkTable *lookup, const QString &chiave, TField *campo)
{
    if (campo->AsString().isEmpty() || CodiceEsiste(lookup, chiave, campo->Value()))
        return;
    throw Exception(QStringLiteral("Codice non trovato !"));
}

void CodiciImpostati(const QList<TField *> &campi)
{
    for (TField *f : campi) {
        if (f->IsText() && !f->IsNull() && f->AsString() != f->AsString().trimmed())
            f->SetAsString(f->AsString().trimmed());
        if (f->IsNull() || (f->IsText() && f->AsString().isEmpty()) || (f->IsNumeric() && f->AsLargeInt() == 0))
            throw Exception(
                QStringLiteral("Il campo '%1' non è impostato: indicarlo prima di registrare.").arg(f->DisplayLabel()));
    }
}

void MostraDescrizioni(TForm *finestra, TField *campo)
{
    if (!campo)
        return;
    for (TDBText *etichetta : finestra->findChildren<TDBText *>()) {
        const TField *f = etichetta->Field();
        if (f && f->FieldKind() == fkLookup && f->DataSet() == campo->DataSet()
            && f->KeyFields().split(QLatin1Char(';')).contains(campo->FieldName(), Qt::CaseInsensitive))
            etichetta->Refresh();
    }
}

bool AccisaAttiva(TDataSet *dataSet)
{
    return UT_LMQ_Parametri.FlAbilAccisa != 0 && dataSet->Active()
           && dataSet->FieldByName(QStringLiteral("UT_LMQ_FlTipCli"))->AsInteger() != 0;
}

void AzzeraAccisa(TDataSet *dataSet)
{
    if (AccisaAttiva(dataSet))
        return;
    for (const char *colonna : {"UT_LMQ_RapFis", "UT_LMQ_CodAcc", "UT_LMQ_DurVia"})
        dataSet->FieldByName(QLatin1String(colonna))->SetAsString(QString());
    dataSet->FieldByName(QStringLiteral("UT_LMQ_FlTipCli"))->SetAsInteger(0);
}

void SettaCausaleDocumento(TForm *finestra, TCausaleDocumento tipo)
{
    const TUT_PLMQ_Parametri &p = UT_LMQ_Parametri;
    const auto spegni = [finestra](std::initializer_list<const char *> nomi) {
        for (const char *nome : nomi)
            finestra->Control<QWidget>(QLatin1String(nome))->setEnabled(false);
    };
    if (p.FlAbilCauz == 0) {
        spegni({"chUT_LMQ_FlCauzioni", "chUT_LMQ_FlAggCau", "chUT_LMQ_FlAggCauB", "chUT_LMQ_FlAggCauF",
                "chUT_LMQ_FlAggMovC", "cbUT_LMQ_FlStaCau", "cbUT_LMQ_FlTpStaCau"});
        if (tipo == TCausaleDocumento::FattureClienti)
            spegni({"cbUT_FlValCauNeg"});
    }
    if (tipo == TCausaleDocumento::BolleFornitori)
        return;
    if (p.FlAbilTrasporto == 0)
        spegni({"cbUT_LMQ_FlTipoGest"});
    if (p.FlAbilPrenota == 0)
        spegni({"cbUT_LMQ_FlAbilPrenota"});
}

} // namespace Lumo_anagrafiche

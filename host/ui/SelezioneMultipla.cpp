#include "host/ui/SelezioneMultipla.h"

#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/ui/ClassRegistry.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>

namespace {

// The codes of a text of quoted codes ("'A','B''C'" -> A, B'C).
QStringList Codici(const QString &testo)
{
    QStringList out;
    QString corrente;
    bool dentro = false;
    for (int i = 0; i < testo.size(); ++i) {
        const QChar c = testo.at(i);
        if (!dentro) {
            if (c == QLatin1Char('\'')) {
                dentro = true;
                corrente.clear();
            }
        } else if (c == QLatin1Char('\'')) {
            if (i + 1 < testo.size() && testo.at(i + 1) == QLatin1Char('\'')) {
                corrente += c;
                ++i;
            } else {
                dentro = false;
                out << corrente;
            }
        } else {
            corrente += c;
        }
    }
    return out;
}

} // namespace

namespace Dlgselmulti {

void TSelezioneMultipla::Pulisci()
{
    Numero = 0;
    Codici.clear();
}

bool TSelezioneMultipla::Contiene(const QString &codice) const
{
    return ::Codici(Codici).contains(codice);
}

QString Quota(const QStringList &codici)
{
    QStringList quotati;
    for (const QString &c : codici)
        quotati << XWideQuotedStr(c);
    return quotati.join(QLatin1Char(','));
}

bool Seleziona(QWidget *owner, TSelezioneMultipla &selezione)
{
    const ClassRef cls = Dlgbase::XGetDialogClass(ClassRef::Of<TfdlgSelezioneMultipla>());
    std::unique_ptr<TfdlgSelezioneMultipla> dialog(cls.CreateAs<TfdlgSelezioneMultipla>(owner));
    dialog->Params = selezione;
    dialog->DoCreate();
    if (dialog->ShowModal() != mrOk)
        return false;
    selezione.Numero = dialog->Params.Numero;
    selezione.Codici = dialog->Params.Codici;
    return true;
}

} // namespace Dlgselmulti

TfdlgSelezioneMultipla::TfdlgSelezioneMultipla(QWidget *owner) : TfdlgBase(owner)
{
    setWindowTitle(QStringLiteral("Selezione"));
    auto *layout = new QVBoxLayout(ClientArea());
    lvLista = new QTreeWidget(ClientArea());
    lvLista->setObjectName(QStringLiteral("lvLista"));
    lvLista->setRootIsDecorated(false);
    lvLista->setUniformRowHeights(true);
    lvLista->setAllColumnsShowFocus(true);
    layout->addWidget(lvLista, 1);
    auto *tutti = AggiungiBottone(QStringLiteral("&Tutti"), QStringLiteral("btTutti"));
    auto *nessuno = AggiungiBottone(QStringLiteral("&Nessuno"), QStringLiteral("btNessuno"));
    connect(tutti, &QPushButton::clicked, this, [this] { SelezionaTutti(true); });
    connect(nessuno, &QPushButton::clicked, this, [this] { SelezionaTutti(false); });
    // A double click ticks or unticks the row.
    connect(lvLista, &QTreeWidget::itemDoubleClicked, this, [](QTreeWidgetItem *item, int) {
        item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    });
    SetClientSize(480, 380);
}

void TfdlgSelezioneMultipla::FormShow()
{
    TfdlgBase::FormShow();
    if (!Params.Titolo.isEmpty())
        setWindowTitle(Params.Titolo);
    QList<Dlgselmulti::TColonna> colonne = Params.Colonne;
    if (colonne.isEmpty())
        colonne << Dlgselmulti::TColonna{Params.CampoChiave, Params.CampoChiave, 100};
    QStringList campi{Params.CampoChiave};
    QStringList titoli;
    for (const Dlgselmulti::TColonna &c : colonne) {
        titoli << c.Titolo;
        campi << c.Campo;
    }
    lvLista->clear();
    lvLista->setHeaderLabels(titoli);
    // The first column also holds the check box.
    for (int i = 0; i < colonne.size(); ++i)
        lvLista->setColumnWidth(i, colonne[i].Larghezza + (i == 0 ? 24 : 0));

    // Table, columns and condition come from the caller's code, never from what is typed.
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(campi.join(QStringLiteral(", ")), Params.Tabella);
    if (!Params.Filtro.trimmed().isEmpty())
        sql += QStringLiteral(" WHERE ") + Params.Filtro;
    sql += QStringLiteral(" ORDER BY ") + Params.CampoChiave;
    const QStringList scelti = Codici(Params.Codici);
    QSqlQuery q = DMIDataBases::Instance().Global().OpenQuery(sql);
    while (q.next()) {
        auto *item = new QTreeWidgetItem(lvLista);
        const QString codice = q.value(0).toString();
        item->setData(0, Qt::UserRole, codice);
        for (int i = 0; i < colonne.size(); ++i)
            item->setText(i, q.value(i + 1).toString());
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, scelti.contains(codice) ? Qt::Checked : Qt::Unchecked);
    }
    if (lvLista->topLevelItemCount() > 0)
        lvLista->setCurrentItem(lvLista->topLevelItem(0));
    SetActiveControl(lvLista);
}

void TfdlgSelezioneMultipla::SelezionaTutti(bool scelti)
{
    for (int i = 0; i < lvLista->topLevelItemCount(); ++i)
        lvLista->topLevelItem(i)->setCheckState(0, scelti ? Qt::Checked : Qt::Unchecked);
}

QStringList TfdlgSelezioneMultipla::CodiciScelti() const
{
    QStringList out;
    for (int i = 0; i < lvLista->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = lvLista->topLevelItem(i);
        if (item->checkState(0) == Qt::Checked)
            out << item->data(0, Qt::UserRole).toString();
    }
    return out;
}

void TfdlgSelezioneMultipla::btOkClick()
{
    TfdlgBase::btOkClick();
    const QStringList scelti = CodiciScelti();
    Params.Numero = int(scelti.size());
    Params.Codici = Dlgselmulti::Quota(scelti);
}

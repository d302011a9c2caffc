// Every window of the menu, the host's and the module's, opened on the demo company at the
// size it opens with, every tab page shown: each label, button, check box and grid heading
// shows its whole text, and a grid's columns fit the grid unless a reason is kept here.
// A screenshot of every page is kept in the build folder.
#include "tests/module/demo/AziendaDemo.h"

#include "host/business/SceltaBbas.h"
#include "host/business/SceltaDocumenti.h"
#include "host/business/SceltaOrdini.h"
#include "host/business/SceltaStampe.h"
#include "documents/Sven0008f_p.h"
#include "host/ui/TabellaGenerica.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QTableView>
#include <QTextDocument>
#include <QToolButton>

#include <map>

using namespace kv8test;

namespace {

// Grids whose columns may run past the window ("grid" in any window, "CODE/grid" in one),
// and why.
const std::map<QString, QString> GriglieLarghe = {
    {QStringLiteral("GrigliaMain"), QStringLiteral("the list page of a table shows every column of its records")},
    {QStringLiteral("QARN0203D/gRisultati"),
     QStringLiteral("ten progressive quantities: the results grow to the main window's area, the rest scrolls")},
};

bool LargaPerScelta(const QString &codice, const QWidget *griglia)
{
    return GriglieLarghe.count(griglia->objectName()) || GriglieLarghe.count(codice + QLatin1Char('/') + griglia->objectName());
}

// The entries of a menu file (code, then its table or empty), submenus included.
void VociMenu(const QJsonArray &voci, QList<QPair<QString, QString>> &out)
{
    for (const auto &v : voci) {
        const QJsonObject voce = v.toObject();
        if (voce.contains(QStringLiteral("code")))
            out.append({voce.value(QStringLiteral("code")).toString(), voce.value(QStringLiteral("table")).toString()});
        VociMenu(voce.value(QStringLiteral("items")).toArray(), out);
    }
}

QList<QPair<QString, QString>> VociDelMenu()
{
    QFile file(qEnvironmentVariable("KV8_SOURCE_DIR") + QStringLiteral("/host/app/menu.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QPair<QString, QString>> voci;
    VociMenu(QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("menus")).toArray(), voci);
    return voci;
}

QString Nome(const QWidget *w)
{
    return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
}

// The text as drawn: mnemonics' ampersands dropped, rich text as plain.
QString Disegnato(QString text, bool rich)
{
    if (rich) {
        QTextDocument doc;
        doc.setHtml(text);
        return doc.toPlainText();
    }
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

int Larghezza(const QFontMetrics &fm, const QString &text)
{
    int widest = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, fm.horizontalAdvance(line));
    return widest;
}

// The width an edit draws its text in: inside its frame and the line edit's own margins, clear
// of the buttons it holds (the search button of a code).
int SpazioTesto(QLineEdit *e)
{
    QStyleOptionFrame opt;
    opt.initFrom(e);
    opt.rect = e->rect();
    opt.lineWidth = e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e) : 0;
    opt.state |= QStyle::State_Sunken;
    QRect r = e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e).marginsRemoved(e->textMargins());
    for (QWidget *w : e->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!w->isVisible())
            continue;
        if (w->geometry().center().x() > e->width() / 2)
            r.setRight(std::min(r.right(), w->geometry().left() - 1));
        else
            r.setLeft(std::max(r.left(), w->geometry().right() + 1));
    }
    return r.width() - 2 * 2; // the line edit's horizontal margin
}

// What does not show whole on the page shown now: one line per control.
QStringList NonEntra(const QString &codice, QWidget *finestra)
{
    QStringList out;
    for (QLabel *l : finestra->findChildren<QLabel *>()) {
        if (!l->isVisible() || l->wordWrap() || l->text().isEmpty() || !l->pixmap().isNull())
            continue;
        const bool rich = l->textFormat() == Qt::RichText || (l->textFormat() == Qt::AutoText && Qt::mightBeRichText(l->text()));
        const int serve = Larghezza(l->fontMetrics(), Disegnato(l->text(), rich)) + 2 * l->margin()
                          + std::max(0, l->indent());
        const int ha = l->contentsRect().width();
        if (serve > ha)
            out << QStringLiteral("label %1 \"%2\": %3 px in %4").arg(Nome(l), l->text()).arg(serve).arg(ha);
    }
    for (QAbstractButton *b : finestra->findChildren<QAbstractButton *>()) {
        // the tab bars' and the frames' own buttons are not the window's
        const QString padre = b->parent() ? QString::fromLatin1(b->parent()->metaObject()->className()) : QString();
        if (!b->isVisible() || b->text().isEmpty() || padre.contains(QLatin1String("TabBar"))
            || padre.startsWith(QLatin1String("QMdi")))
            continue;
        QStyle *st = b->style();
        int serve = Larghezza(b->fontMetrics(), Disegnato(b->text(), false));
        if (!b->icon().isNull())
            serve += b->iconSize().width() + 4;
        if (qobject_cast<QCheckBox *>(b))
            serve += st->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, b)
                     + st->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, b);
        else if (qobject_cast<QRadioButton *>(b))
            serve += st->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, b)
                     + st->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, b);
        else if (qobject_cast<QPushButton *>(b))
            serve += st->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b)
                     + 2 * st->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, b);
        if (serve > b->width())
            out << QStringLiteral("button %1 \"%2\": %3 px in %4").arg(Nome(b), b->text()).arg(serve).arg(b->width());
    }
    for (QLineEdit *e : finestra->findChildren<QLineEdit *>()) {
        if (!e->isVisible() || qobject_cast<QComboBox *>(e->parentWidget()))
            continue;
        const int ha = SpazioTesto(e);
        const QFontMetrics fm = e->fontMetrics();
        if (!e->text().isEmpty() && fm.horizontalAdvance(e->text()) > ha)
            out << QStringLiteral("edit %1 \"%2\": %3 px in %4").arg(Nome(e), e->text()).arg(fm.horizontalAdvance(e->text())).arg(ha);
    }
    for (QTableView *g : finestra->findChildren<QTableView *>()) {
        if (!g->isVisible() || !g->horizontalHeader()->isVisible())
            continue;
        QHeaderView *h = g->horizontalHeader();
        for (int i = 0; i < h->count(); ++i) {
            if (h->isSectionHidden(i))
                continue;
            const QString titolo = g->model()->headerData(i, Qt::Horizontal).toString();
            const int serve = h->sectionSizeHint(i);
            if (serve > h->sectionSize(i))
                out << QStringLiteral("grid %1 heading \"%2\": %3 px in %4").arg(Nome(g), titolo).arg(serve).arg(h->sectionSize(i));
        }
        if (h->length() > g->viewport()->width() && !LargaPerScelta(codice, g))
            out << QStringLiteral("grid %1: columns %2 px wide in %3 px").arg(Nome(g)).arg(h->length()).arg(g->viewport()->width());
    }
    return out;
}

class FinestreIntere : public AziendaDemo {
protected:
    void SetUp() override
    {
        AziendaDemo::SetUp();
        if (IsSkipped())
            return;
        // the host's menu choices, as the program installs them
        SceltaBbas::Registra();
        SceltaStampe::Registra();
        SceltaDocumenti::Registra();
        SceltaOrdini::Registra();
        for (const auto &[codice, tabella] : VociDelMenu())
            if (!tabella.isEmpty())
                HostTables::RegistraScelta(codice, tabella);
        // a modal dialog opened by a window is measured as it shows, then cancelled
        script.OnDialog(QStringLiteral("TForm"), [this](TForm &d) {
            Misura(codice_ + QStringLiteral(" dialog ") + QString::fromLatin1(d.metaObject()->className()), &d);
            return int(mrCancel);
        });
        script.AllowUnusedAnswers();
    }
    void TearDown() override
    {
        AziendaDemo::TearDown();
        HostMenu::Clear();
    }

    // Shows every tab page of the window in turn (nested pages too) and measures each.
    void Misura(const QString &nome, QWidget *finestra)
    {
        finestra->show();
        ProcessEvents();
        Pagine(nome, finestra, finestra, 0);
    }
    void Pagine(const QString &nome, QWidget *finestra, QWidget *dentro, int livello)
    {
        QList<QTabWidget *> schede;
        for (QTabWidget *t : dentro->findChildren<QTabWidget *>())
            if (t->isVisible() && (livello == 0 || dentro != t))
                schede << t;
        // only the outermost visible tab widgets here; inner ones when their page shows
        QList<QTabWidget *> esterne;
        for (QTabWidget *t : schede) {
            bool interna = false;
            for (QTabWidget *altra : schede)
                interna = interna || (altra != t && altra->isAncestorOf(t));
            if (!interna)
                esterne << t;
        }
        if (esterne.isEmpty()) {
            Registra(nome, finestra);
            return;
        }
        for (QTabWidget *t : esterne) {
            const int prima = t->currentIndex();
            for (int i = 0; i < t->count(); ++i) {
                if (!t->isTabVisible(i))
                    continue;
                t->setCurrentIndex(i);
                ProcessEvents();
                Pagine(nome + QStringLiteral(" page \"") + t->tabText(i).remove(QLatin1Char('&')) + QStringLiteral("\""),
                       finestra, t->widget(i), livello + 1);
            }
            t->setCurrentIndex(prima);
            ProcessEvents();
        }
    }
    void Registra(const QString &nome, QWidget *finestra)
    {
        QString file = nome;
        file.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_]+")), QStringLiteral("-"));
        finestra->grab().save(ArtefactPath(QStringLiteral("windows/") + file + QStringLiteral(".png")));
        for (const QString &c : NonEntra(nome.section(QLatin1Char(' '), 0, 0), finestra))
            difetti_ << nome + QStringLiteral(": ") + c;
    }

    QStringList difetti_;
    QString codice_; // the menu code being opened
};

TEST_F(FinestreIntere, EveryWindowOfTheMenuShowsItsTextsWhole)
{
    QStringList codici;
    for (const auto &voce : VociDelMenu())
        codici << voce.first;
    ASSERT_GT(codici.size(), 80);
    QDir(ArtefactPath(QString())).mkpath(QStringLiteral("windows"));
    int aperte = 0;
    QStringList chiuse;
    for (const QString &codice : codici) {
        const qsizetype dialoghi = script.DialogsShown().size();
        codice_ = codice;
        TForm *f = main->MenuChoice(codice);
        if (f) {
            ++aperte;
            Misura(codice, f);
        } else if (script.DialogsShown().size() > dialoghi) {
            ++aperte; // a modal window, measured as it showed
        } else {
            chiuse << codice;
        }
        CloseAllWindows();
        Initialize();
    }
    EXPECT_GT(aperte, 80) << "windows opened of " << codici.size() << " codes; none for "
                          << chiuse.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(difetti_.isEmpty()) << difetti_.size() << " controls cut:\n"
                                    << difetti_.join(QLatin1Char('\n')).toStdString();
}

// The DuSa dialog of the sales rows, opened from the demo invoice whose row carries the
// deposit packaging codes, as the user opens it from the row.
TEST_F(FinestreIntere, TheDuSaDialogShowsThePackagingDescriptionsWhole)
{
    QDir(ArtefactPath(QString())).mkpath(QStringLiteral("windows"));
    codice_ = QStringLiteral("SVEN0008F_F");
    auto *f = Apri<TFSVen0008f_p>(codice_);
    ASSERT_TRUE(f);
    ASSERT_TRUE(f->CaricaDocumento(5)); // the document the search finds
    ProcessEvents();
    ASSERT_TRUE(f->TRighe->Locate(QStringLiteral("UT_LMQ_IdImballo1"), QStringLiteral("CAS")));
    QString descrizione;
    script.OnDialog(QStringLiteral("Tflumo_dlgDocBac"), [&](TForm &d) {
        Misura(codice_ + QStringLiteral(" dialog Tflumo_dlgDocBac"), &d);
        descrizione = d.findChild<QLineEdit *>(QStringLiteral("edDsImballo1"))->text();
        return int(mrCancel);
    });
    qobject_cast<QAbstractButton *>(f->btnDuSa)->click();
    ProcessEvents();
    EXPECT_EQ(descrizione, QStringLiteral("Cassa plastica 12 bottiglie a rendere"));
    EXPECT_TRUE(difetti_.isEmpty()) << difetti_.size() << " controls cut:\n"
                                    << difetti_.join(QLatin1Char('\n')).toStdString();
}

} // namespace


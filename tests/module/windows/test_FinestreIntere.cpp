// Every window of the menu, the host's and the module's, opened on the demo company at the
// size it opens with, then on each of its stored records, every tab page shown: each label,
// button, check box, edit, drop-down list (its text and its longest item), grid heading and grid
// cell shows its whole text, no label runs into its neighbours, and a grid's columns fit the grid
// unless a reason is kept here. A screenshot of every page is kept in the build folder, as the
// window opens and on the stored record that shows the most text.
#include "tests/module/demo/AziendaDemo.h"

#include "documents/Sven0008f_p.h"
#include "host/business/Dmibbas.h"
#include "host/business/Documento.h"
#include "host/business/SceltaBbas.h"
#include "host/business/SceltaDocumenti.h"
#include "host/business/SceltaOrdini.h"
#include "host/business/SceltaStampe.h"
#include "host/data/TXTable.h"
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
#include <QSet>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QTableView>
#include <QTextDocument>
#include <QToolButton>

#include <functional>
#include <map>

using namespace kv8test;

namespace {

// Grids whose columns may run past the window ("grid" in any window, "CODE/grid" in one),
// and why.
const std::map<QString, QString> GriglieLarghe = {
    {QStringLiteral("GrigliaMain"), QStringLiteral("the list page of a table shows every column of its records")},
    {QStringLiteral("gSelOrdR"),
     QStringLiteral("sixteen columns of an order line: the selection takes the width of the screen, the rest scrolls")},
    {QStringLiteral("QARN0203D/gRisultati"),
     QStringLiteral("ten progressive quantities: the results grow to the main window's area, the rest scrolls")},
};

bool LargaPerScelta(const QString &codice, const QWidget *griglia)
{
    return GriglieLarghe.count(griglia->objectName())
           || GriglieLarghe.count(codice + QLatin1Char('/') + griglia->objectName());
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

// The width a drop-down list draws its text in.
int SpazioTesto(QComboBox *c)
{
    QStyleOptionComboBox opt;
    opt.initFrom(c);
    opt.editable = c->isEditable();
    opt.frame = c->hasFrame();
    const QRect campo = c->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c);
    return c->isEditable() ? SpazioTesto(c->lineEdit()) : campo.width() - 2; // the label's own margin
}

// The visible neighbours that a label's text runs into.
QStringList Sovrapposti(QLabel *l)
{
    QStringList out;
    if (!l->isVisible() || l->wordWrap() || l->text().isEmpty() || !l->pixmap().isNull() || !l->parentWidget())
        return out;
    const bool rich =
        l->textFormat() == Qt::RichText || (l->textFormat() == Qt::AutoText && Qt::mightBeRichText(l->text()));
    const QSize testo(Larghezza(l->fontMetrics(), Disegnato(l->text(), rich)), l->fontMetrics().height());
    const QRect disegnato =
        QStyle::alignedRect(l->layoutDirection(), QStyle::visualAlignment(l->layoutDirection(), l->alignment()), testo,
                            l->contentsRect().adjusted(l->margin() + std::max(0, l->indent()), 0, -l->margin(), 0))
            .translated(l->pos());
    for (QWidget *w : l->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (w != l && w->isVisible() && !w->isWindow() && w->geometry().intersects(disegnato))
            out << Nome(w);
    return out;
}

// The cells of a grid whose text its column cuts: every row, every column shown.
QStringList CelleTagliate(QTableView *g)
{
    QStringList out;
    const QAbstractItemModel *m = g->model();
    if (!m)
        return out;
    const int margine =
        2 * (g->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, g) + 1) + (g->showGrid() ? 1 : 0);
    for (int c = 0; c < m->columnCount(); ++c) {
        if (g->isColumnHidden(c))
            continue;
        const int ha = g->columnWidth(c) - margine;
        for (int r = 0; r < m->rowCount(); ++r) {
            const QModelIndex i = m->index(r, c);
            const QString testo = i.data(Qt::DisplayRole).toString();
            const QVariant font = i.data(Qt::FontRole);
            const QFontMetrics fm(font.isValid() ? font.value<QFont>() : g->font());
            if (!testo.isEmpty() && fm.horizontalAdvance(testo) > ha) {
                out << QStringLiteral("grid %1 column \"%2\" cell \"%3\": %4 px in %5")
                           .arg(Nome(g), m->headerData(c, Qt::Horizontal).toString(), testo)
                           .arg(fm.horizontalAdvance(testo))
                           .arg(ha);
                break; // one cell per column is enough to say it
            }
        }
    }
    return out;
}

// What does not show whole on the page shown now: one line per control.
QStringList NonEntra(const QString &codice, QWidget *finestra)
{
    QStringList out;
    // a window on a 1366x768 screen, its frame included (a child window's frame is its sub-window)
    const QSize ingombro = finestra->isWindow() || !finestra->parentWidget() ? finestra->frameGeometry().size()
                                                                             : finestra->parentWidget()->size();
    if (ingombro.width() > 1366 || ingombro.height() > 768)
        out << QStringLiteral("window %1 x %2 px").arg(ingombro.width()).arg(ingombro.height());
    for (QLabel *l : finestra->findChildren<QLabel *>()) {
        if (!l->isVisible() || l->wordWrap() || l->text().isEmpty() || !l->pixmap().isNull())
            continue;
        const bool rich =
            l->textFormat() == Qt::RichText || (l->textFormat() == Qt::AutoText && Qt::mightBeRichText(l->text()));
        const int serve =
            Larghezza(l->fontMetrics(), Disegnato(l->text(), rich)) + 2 * l->margin() + std::max(0, l->indent());
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
            out << QStringLiteral("edit %1 \"%2\": %3 px in %4")
                       .arg(Nome(e), e->text())
                       .arg(fm.horizontalAdvance(e->text()))
                       .arg(ha);
    }
    for (QComboBox *c : finestra->findChildren<QComboBox *>()) {
        if (!c->isVisible())
            continue;
        const int ha = SpazioTesto(c);
        QString piuLunga = c->currentText();
        for (int i = 0; i < c->count(); ++i)
            if (c->fontMetrics().horizontalAdvance(c->itemText(i)) > c->fontMetrics().horizontalAdvance(piuLunga))
                piuLunga = c->itemText(i);
        for (const QString &testo : {c->currentText(), piuLunga})
            if (c->fontMetrics().horizontalAdvance(testo) > ha) {
                out << QStringLiteral("drop-down %1 \"%2\": %3 px in %4")
                           .arg(Nome(c), testo)
                           .arg(c->fontMetrics().horizontalAdvance(testo))
                           .arg(ha);
                break;
            }
    }
    for (QLabel *l : finestra->findChildren<QLabel *>())
        for (const QString &vicino : Sovrapposti(l))
            out << QStringLiteral("label %1 \"%2\" runs into %3").arg(Nome(l), l->text(), vicino);
    for (QTableView *g : finestra->findChildren<QTableView *>()) {
        if (!g->isVisible())
            continue;
        out << CelleTagliate(g);
        if (!g->horizontalHeader()->isVisible())
            continue;
        QHeaderView *h = g->horizontalHeader();
        for (int i = 0; i < h->count(); ++i) {
            if (h->isSectionHidden(i))
                continue;
            const QString titolo = g->model()->headerData(i, Qt::Horizontal).toString();
            const int serve = h->sectionSizeHint(i);
            if (serve > h->sectionSize(i))
                out << QStringLiteral("grid %1 heading \"%2\": %3 px in %4")
                           .arg(Nome(g), titolo)
                           .arg(serve)
                           .arg(h->sectionSize(i));
        }
        if (h->length() > g->viewport()->width() && !LargaPerScelta(codice, g))
            out << QStringLiteral("grid %1: columns %2 px wide in %3 px")
                       .arg(Nome(g))
                       .arg(h->length())
                       .arg(g->viewport()->width());
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

    // Shows every tab page of the window in turn (nested pages too) and measures each; foto
    // keeps a screenshot of each.
    void Misura(const QString &nome, QWidget *finestra, bool foto = true)
    {
        finestra->show();
        ProcessEvents();
        Pagine(nome, finestra, finestra, 0, foto);
    }
    // The window on each stored record of its main table in turn (a document window on each
    // stored document), every page measured; then on the record showing the most text, whose
    // pages are kept as screenshots named "<code> stored".
    void MisuraRecord(const QString &codice, TForm *f)
    {
        std::function<bool(int)> vaiA;
        int quanti = 0;
        if (auto *doc = qobject_cast<TFDocumento *>(f)) {
            const QStringList chiavi = Elenco(QStringLiteral("SELECT %1 FROM %2 ORDER BY 1")
                                                  .arg(doc->TipoDoc().ChiaveTesta, doc->TipoDoc().TabellaTeste));
            quanti = int(chiavi.size());
            vaiA = [doc, chiavi](int i) { return doc->CaricaDocumento(chiavi.at(i).toLongLong()); };
        } else if (auto *child = qobject_cast<TFDBChild *>(f)) {
            TDataSet *ds = child->MainDataSet();
            if (!ds || !ds->Active() || ds->State() != dsBrowse)
                return;
            // a window that shows its records once searched: all of them, as a search of no
            // condition opens its table
            if (auto *tabella = qobject_cast<TXTable *>(ds); tabella && ds->IsEmpty())
                TDMIBbas::Crea()->ApriTabella(tabella, QString(), QString());
            quanti = ds->RecordCount();
            vaiA = [ds](int i) {
                ds->SetRecNo(i + 1);
                return true;
            };
        }
        int migliore = -1;
        qsizetype piuTesto = -1;
        for (int i = 0; i < quanti; ++i) {
            if (!vaiA(i))
                continue;
            ProcessEvents();
            Misura(codice + QStringLiteral(" record ") + QString::number(i + 1), f, false);
            const qsizetype testo = TestoMostrato(f);
            if (testo > piuTesto) {
                piuTesto = testo;
                migliore = i;
            }
        }
        if (migliore >= 0 && vaiA(migliore))
            Misura(codice + QStringLiteral(" stored"), f);
    }
    // How much text the window's controls hold, on every page: edits, labels, lists, grid cells.
    static qsizetype TestoMostrato(QWidget *f)
    {
        qsizetype n = 0;
        for (QLineEdit *e : f->findChildren<QLineEdit *>())
            n += e->text().size();
        for (QLabel *l : f->findChildren<QLabel *>())
            n += l->text().size();
        for (QTableView *g : f->findChildren<QTableView *>())
            for (int r = 0; g->model() && r < g->model()->rowCount(); ++r)
                for (int c = 0; c < g->model()->columnCount(); ++c)
                    n += g->model()->index(r, c).data().toString().size();
        return n;
    }
    void Pagine(const QString &nome, QWidget *finestra, QWidget *dentro, int livello, bool foto)
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
            Registra(nome, finestra, foto);
            return;
        }
        for (QTabWidget *t : esterne) {
            const int prima = t->currentIndex();
            for (int i = 0; i < t->count(); ++i) {
                if (!t->isTabVisible(i))
                    continue;
                t->setCurrentIndex(i);
                ProcessEvents();
                Pagine(nome + QStringLiteral(" page \"") + t->tabText(i).remove(QLatin1Char('&'))
                           + QStringLiteral("\""),
                       finestra, t->widget(i), livello + 1, foto);
            }
            t->setCurrentIndex(prima);
            ProcessEvents();
        }
    }
    void Registra(const QString &nome, QWidget *finestra, bool foto)
    {
        if (foto) {
            QString file = nome;
            file.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_]+")), QStringLiteral("-"));
            finestra->grab().save(ArtefactPath(QStringLiteral("windows/") + file + QStringLiteral(".png")));
        }
        // a control cut on several records is told once, on the first
        static const QRegularExpression record(QStringLiteral(" (record \\d+|stored)"));
        for (const QString &c : NonEntra(nome.section(QLatin1Char(' '), 0, 0), finestra)) {
            const QString chiave = QString(nome).remove(record) + QStringLiteral(": ") + c;
            if (!detti_.contains(chiave)) {
                detti_.insert(chiave);
                difetti_ << nome + QStringLiteral(": ") + c;
            }
        }
    }

    QStringList difetti_;
    QSet<QString> detti_;
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
            MisuraRecord(codice, f);
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

// The selections a document takes its rows from, as the user opens them from its rows: a
// delivery note's order lines, on an order typed and saved for the customer just before, and an
// invoice's delivery notes of the demo's customer C0006. Their data bars and grids show whole.
TEST_F(FinestreIntere, TheRowSelectionsOfTheDocumentsShowTheirLinesWhole)
{
    QDir(ArtefactPath(QString())).mkpath(QStringLiteral("windows"));
    auto *ordine = Apri<TFDocumento>(QStringLiteral("SORC0001F"));
    ASSERT_TRUE(ordine);
    const auto riga = [](TFDocumento *f, const QString &articolo, const QString &colli, const QString &prezzo) {
        f->DBNavigatore2->Button(nbInsert)->click();
        ProcessEvents();
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdProdotto"), articolo));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edLunghezza"), colli));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edPrezzo"), prezzo));
        f->DBNavigatore2->Button(nbPost)->click();
        ProcessEvents();
    };
    EXPECT_TRUE(Scrivi(ordine, QStringLiteral("edIdCausale"), QStringLiteral("ORD")));
    EXPECT_TRUE(Scrivi(ordine, QStringLiteral("edIdCliente"), QStringLiteral("C0001")));
    riga(ordine, QStringLiteral("BAROLO19"), QStringLiteral("120"), QStringLiteral("1250,5"));
    riga(ordine, QStringLiteral("ACQUANAT"), QStringLiteral("4"), QStringLiteral("0,6"));
    Tasto(ordine->Control<TDBEdit>(QStringLiteral("edDataDocumento")), Qt::Key_F10);
    ASSERT_TRUE(ordine->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    ordine->Close();
    ProcessEvents();

    // a new document of the code, its head typed, the selection opened with its button, the
    // document left
    const auto selezione = [this](const QString &codice, const QString &causale, const QString &cliente,
                                  const QString &pulsante) {
        codice_ = codice;
        auto *f = Apri<TFDocumento>(codice);
        ASSERT_TRUE(f);
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdCausale"), causale));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdCliente"), cliente));
        const qsizetype dialoghi = script.DialogsShown().size();
        f->Control<QPushButton>(pulsante)->click();
        ProcessEvents();
        EXPECT_GT(script.DialogsShown().size(), dialoghi) << script.Texts().join(QLatin1Char('|')).toStdString();
        script.Yes(QStringLiteral("Conferma Abbandono Modifiche ?"));
        f->Close();
        ProcessEvents();
    };
    selezione(QStringLiteral("SVEN0001F_C"), QStringLiteral("DDT"), QStringLiteral("C0001"),
              QStringLiteral("btnOrdini"));
    selezione(QStringLiteral("SVEN0008F_F"), QStringLiteral("FTI"), QStringLiteral("C0006"),
              QStringLiteral("btnBolle"));
    EXPECT_TRUE(difetti_.isEmpty()) << difetti_.size() << " controls cut:\n"
                                    << difetti_.join(QLatin1Char('\n')).toStdString();
}

} // namespace

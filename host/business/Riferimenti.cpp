#include "host/business/Riferimenti.h"

#include "host/core/Errors.h"
#include "host/db/DMIDataBases.h"
#include "host/db/Dictionary.h"

namespace {

using Riferimenti::TRiferimento;

// Columns that hold a code of a master table wherever a host table has them.
struct TNomeColonna {
    const char *colonna;
    const char *tabella;
    const char *chiave;
};

const TNomeColonna PerNome[] = {
    {"IdProdotto", "Articoli", "IdProdotto"},
    {"IdCategoria", "CategorieMerc", "IdCategoria"},
    {"IdUM", "UnitaMisura", "IdUM"},
    {"IdUM1", "UnitaMisura", "IdUM"},
    {"IdUM2", "UnitaMisura", "IdUM"},
    {"UmVolume", "UnitaMisura", "IdUM"},
    {"IdUmDoc", "UnitaMisura", "IdUM"},
    {"IdImballo", "Imballi", "IdImballo"},
    {"IdIva", "CodiciIva", "IdIva"},
    {"IdEsclusione", "CodiciIva", "IdIva"},
    {"IdIvaAgevolata", "CodiciIva", "IdIva"},
    {"IdDivisa", "Divise", "IdDivisa"},
    {"IdNazione", "Nazioni", "IdNazione"},
    {"IdZona", "Zone", "IdZona"},
    {"IdAgente1", "Agenti", "IdAgente"},
    {"IdAgente2", "Agenti", "IdAgente"},
    {"IdAgenteAddetto", "Agenti", "IdAgente"},
    {"IdPagamento", "Pagamenti", "IdPagamento"},
    {"IdPagamentoAlt", "Pagamenti", "IdPagamento"},
    {"IdTipoMovimento", "TipiMovPagamento", "IdTipoMovimento"},
    {"IdListino", "TipiListino", "IdListino"},
    {"IdLingua", "Lingue", "IdLingua"},
    {"IdTipoTrasporto", "TipiTrasporto", "IdTipoTrasporto"},
    {"IdSpedizione1", "Spedizionieri", "IdSpedizione"},
    {"IdSpedizione2", "Spedizionieri", "IdSpedizione"},
    {"IdPorto", "Porti", "IdPorto"},
    {"IdMagazzino", "Magazzini", "IdMagazzino"},
    {"IdMagazzino1", "Magazzini", "IdMagazzino"},
    {"IdMagazzino2", "Magazzini", "IdMagazzino"},
    {"IdMagArrivo", "Magazzini", "IdMagazzino"},
    {"IdCausaleMaga", "CausaliMagaz", "IdCausale"},
};

// Document tables and the causal table of their IdCausale.
const char *const CausaliDocumenti[][2] = {
    {"MovMagazzino", "CausaliMagaz"},       {"BolleCliTeste", "CausaliBolleCli"},
    {"FattureCliTeste", "CausaliFattCli"},  {"BolleForTeste", "CausaliBolleFor"},
    {"OrdiniCliTeste", "CausaliOrdiniCli"}, {"OfferteCliTeste", "CausaliOfferteCli"},
};

bool TabellaHost(const DictTable &t)
{
    return t.IsStored() && t.origin.contains(QLatin1String("host/dictionary/"));
}

bool ColonnaHost(const DictColumn &c)
{
    return c.origin.contains(QLatin1String("host/dictionary/"));
}

bool Ha(const DictTable &t, const char *colonna)
{
    const DictColumn *c = t.Column(QLatin1String(colonna));
    return c && ColonnaHost(*c);
}

bool ChiaveDi(const DictTable &t, const QString &colonna)
{
    return t.primaryKey.size() == 1 && t.primaryKey.first().compare(colonna, Qt::CaseInsensitive) == 0;
}

QList<TRiferimento> RiferimentiHost()
{
    QList<TRiferimento> out;
    const Dictionary &dict = Dictionary::Instance();
    auto add = [&out, &dict](const DictTable &t, QStringList colonne, const char *riferita, QStringList chiavi) {
        if (!dict.Table(QLatin1String(riferita)))
            return;
        out.append(TRiferimento{t.name, std::move(colonne), QLatin1String(riferita), std::move(chiavi)});
    };
    for (const DictTable *t : dict.Tables()) {
        if (!TabellaHost(*t))
            continue;
        for (const TNomeColonna &n : PerNome) {
            const QString riferita = QLatin1String(n.tabella);
            // a table's own key is not a reference
            if (!Ha(*t, n.colonna)
                || (t->name.compare(riferita, Qt::CaseInsensitive) == 0 && ChiaveDi(*t, QLatin1String(n.colonna))))
                continue;
            add(*t, {QLatin1String(n.colonna)}, n.tabella, {QLatin1String(n.chiave)});
        }
        if (Ha(*t, "IdBanca") && Ha(*t, "IdAgenzia")
            && t->name.compare(QLatin1String("Banche"), Qt::CaseInsensitive) != 0)
            add(*t, {QStringLiteral("IdBanca"), QStringLiteral("IdAgenzia")}, "Banche",
                {QStringLiteral("IdBanca"), QStringLiteral("IdAgenzia")});
        // accounts and their destinations
        const QStringList chiaveConto{QStringLiteral("IdContoTp"), QStringLiteral("IdConto")};
        const QStringList chiaveDestinazione = chiaveConto + QStringList{QStringLiteral("IdDestinazione")};
        if (Ha(*t, "IdClienteTp") && Ha(*t, "IdCliente")) {
            const QStringList conto{QStringLiteral("IdClienteTp"), QStringLiteral("IdCliente")};
            add(*t, conto, "Clienti", chiaveConto);
            if (Ha(*t, "IdDestinazione"))
                add(*t, conto + QStringList{QStringLiteral("IdDestinazione")}, "Destinazioni", chiaveDestinazione);
        } else if (Ha(*t, "IdCliente")) {
            add(*t, {QStringLiteral("IdCliente")}, "Clienti", {QStringLiteral("IdConto")});
        }
        if (Ha(*t, "IdClienteFatt"))
            add(*t, {QStringLiteral("IdClienteFatt")}, "Clienti", {QStringLiteral("IdConto")});
        if (Ha(*t, "IdFornitoreTp") && Ha(*t, "IdFornitore")) {
            const QStringList conto{QStringLiteral("IdFornitoreTp"), QStringLiteral("IdFornitore")};
            add(*t, conto, "Fornitori", chiaveConto);
            if (Ha(*t, "IdDestinazione"))
                add(*t, conto + QStringList{QStringLiteral("IdDestinazione")}, "Destinazioni", chiaveDestinazione);
        }
        const bool conti = t->name.compare(QLatin1String("Clienti"), Qt::CaseInsensitive) != 0
                           && t->name.compare(QLatin1String("Fornitori"), Qt::CaseInsensitive) != 0
                           && t->name.compare(QLatin1String("PianoConti"), Qt::CaseInsensitive) != 0;
        if (conti && Ha(*t, "IdContoTp") && Ha(*t, "IdConto")) {
            add(*t, chiaveConto, "Clienti", chiaveConto);
            add(*t, chiaveConto, "Fornitori", chiaveConto);
            if (Ha(*t, "IdDestinazione") && t->name.compare(QLatin1String("Destinazioni"), Qt::CaseInsensitive) != 0)
                add(*t, chiaveDestinazione, "Destinazioni", chiaveDestinazione);
        }
    }
    for (const auto &cd : CausaliDocumenti)
        if (const DictTable *t = dict.Table(QLatin1String(cd[0])))
            add(*t, {QStringLiteral("IdCausale")}, cd[1], {QStringLiteral("IdCausale")});
    if (const DictTable *t = dict.Table(QStringLiteral("CausaliMagaz")))
        add(*t, {QStringLiteral("IdContropartita")}, "CausaliMagaz", {QStringLiteral("IdCausale")});
    return out;
}

QList<TRiferimento> &Registrati()
{
    static QList<TRiferimento> registrati;
    return registrati;
}

bool Uguale(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString Condizione(const QStringList &colonne)
{
    QStringList parti;
    for (const QString &c : colonne)
        parti << c + QStringLiteral(" = ?");
    return parti.join(QLatin1String(" AND "));
}

} // namespace

namespace Riferimenti {

QList<TRiferimento> Elenco()
{
    static const QList<TRiferimento> host = RiferimentiHost();
    return host + Registrati();
}

void Registra(const TRiferimento &riferimento)
{
    for (const TRiferimento &r : Registrati())
        if (Uguale(r.Tabella, riferimento.Tabella) && Uguale(r.Riferita, riferimento.Riferita)
            && r.Colonne == riferimento.Colonne)
            return;
    Registrati().append(riferimento);
}

QList<TRiferimento> Di(const QString &tabella)
{
    QList<TRiferimento> out;
    for (const TRiferimento &r : Elenco())
        if (Uguale(r.Tabella, tabella))
            out << r;
    return out;
}

QList<TRiferimento> A(const QString &tabella)
{
    QList<TRiferimento> out;
    for (const TRiferimento &r : Elenco())
        if (Uguale(r.Riferita, tabella))
            out << r;
    return out;
}

bool Esiste(const TRiferimento &riferimento, const QVariantList &valori)
{
    TXDatabase &db = DMIDataBases::Instance().Global();
    return db
        .ScalarValue(QStringLiteral("SELECT 1 FROM %1 WHERE %2 LIMIT 1")
                         .arg(riferimento.Riferita, Condizione(riferimento.Chiavi)),
                     valori)
        .isValid();
}

QStringList Utilizzi(const QString &tabella, const std::function<QVariant(const QString &)> &valore,
                     const QStringList &escluse)
{
    TXDatabase &db = DMIDataBases::Instance().Global();
    QStringList out;
    for (const TRiferimento &r : A(tabella)) {
        if (escluse.contains(r.Tabella, Qt::CaseInsensitive))
            continue;
        const QString etichetta = Etichetta(r.Tabella);
        if (out.contains(etichetta))
            continue;
        QVariantList valori;
        for (const QString &chiave : r.Chiavi)
            valori << valore(chiave);
        if (db.ScalarValue(QStringLiteral("SELECT 1 FROM %1 WHERE %2 LIMIT 1").arg(r.Tabella, Condizione(r.Colonne)),
                           valori)
                .isValid())
            out << etichetta;
    }
    return out;
}

void ControllaCancellazione(const QString &tabella, const QString &codice,
                            const std::function<QVariant(const QString &)> &valore, const QStringList &escluse)
{
    const QStringList usi = Utilizzi(tabella, valore, escluse);
    if (!usi.isEmpty())
        throw Exception(QStringLiteral("Codice %1 usato in %2: impossibile cancellarlo")
                            .arg(codice, usi.join(QLatin1String(", "))));
}

QString Etichetta(const QString &tabella)
{
    const DictTable *t = Dictionary::Instance().Table(tabella);
    return t && !t->label.isEmpty() ? t->label : tabella;
}

} // namespace Riferimenti

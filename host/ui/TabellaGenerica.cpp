#include "host/ui/TabellaGenerica.h"

#include "host/data/TXTable.h"
#include "host/db/Dictionary.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"
#include "host/ui/WindowFactory.h"

#include <QFormLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

#include <map>

TFTabellaGenerica::TFTabellaGenerica(QWidget *owner) : TFDBTabChild(owner)
{
    tMain = new TXTable(this);
    tMain->setObjectName(QStringLiteral("tMain"));
    DSMain->SetDataSet(tMain);
}

void TFTabellaGenerica::ImpostaTabella(const QString &table, const QString &caption)
{
    const DictTable *dict = Dictionary::Instance().Table(table);
    if (!dict || !dict->IsStored())
        throw Exception(QStringLiteral("La tabella %1 non è nel dizionario del database aziendale").arg(table));
    table_ = dict->name;
    setObjectName(QStringLiteral("TFTabellaGenerica_") + dict->name);
    tMain->SetTableName(dict->name);
    tMain->SetUsaDizionario(true);
    setWindowTitle(caption.isEmpty() ? (dict->label.isEmpty() ? dict->name : dict->label) : caption);

    auto *outer = new QVBoxLayout(ClientArea());
    outer->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(ClientArea());
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *page = new QWidget(scroll);
    auto *form = new QFormLayout(page);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    for (const DictColumn &column : dict->columns) {
        QWidget *control = nullptr;
        IDataControl *data = nullptr;
        if (!column.items.isEmpty()) {
            auto *combo = new TDBComboBox(page);
            control = combo;
            data = combo;
        } else if (column.type == FieldType::DateTime) {
            auto *date = new TDBDateEdit(page);
            date->setMaximumWidth(120);
            control = date;
            data = date;
        } else if (column.type == FieldType::Memo) {
            auto *memo = new TDBMemo(page);
            memo->setMaximumHeight(80);
            control = memo;
            data = memo;
        } else {
            auto *edit = new TDBEdit(page);
            const int chars = column.type == FieldType::String ? std::clamp(column.size, 4, 60) : 14;
            edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * chars + 16);
            if (column.type != FieldType::String)
                edit->setAlignment(Qt::AlignRight);
            control = edit;
            data = edit;
        }
        control->setObjectName(QStringLiteral("ed") + column.name);
        data->SetDataField(column.name);
        data->SetDataSource(DSMain);
        form->addRow((column.label.isEmpty() ? column.name : column.label) + QLatin1Char(':'), control);
    }
    scroll->setWidget(page);
    outer->addWidget(scroll);
    SetClientSize(720, 460);
}

namespace HostTables {

ClassRef ClassePerTabella(const QString &table, const QString &caption)
{
    return ClassRef(
        QStringLiteral("TFTabellaGenerica"),
        [table, caption](QObject *owner) -> QObject * {
            auto *form = new TFTabellaGenerica(qobject_cast<QWidget *>(owner));
            try {
                form->ImpostaTabella(table, caption);
            } catch (...) {
                delete form;
                throw;
            }
            return form;
        },
        &TFTabellaGenerica::staticMetaObject);
}

void RegistraScelta(const QString &code, const QString &table, const QString &caption)
{
    if (HostMenu::Has(code))
        return;
    HostMenu::Register(code, [code, table, caption](const QString &) {
        static std::map<QString, QPointer<TFTabellaGenerica>> open;
        Funzioni::CreaFinestraProt(ClassePerTabella(table, caption), open[code], taNormale);
    });
}

} // namespace HostTables

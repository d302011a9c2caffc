// Another library's dispatcher hook: takes "QARN0204F" and counts every code it sees.
#include "frame/Dmiqarnsce.h"

class TDMIQARNSCE_Prova : public TDMIQARNSCE {
    Q_OBJECT
public:
    using TDMIQARNSCE::TDMIQARNSCE;

    bool QARN_EseguiScelta(QWidget *mainForm, const QString &code) override
    {
        ++viste;
        if (code == QLatin1String("QARN0204F"))
            return true;
        return TDMIQARNSCE::QARN_EseguiScelta(mainForm, code);
    }

    static inline int viste = 0;
};

extern "C" Q_DECL_EXPORT void ProvaInstallaScelta()
{
    TDMIQARNSCE_Prova::viste = 0;
    if (!DMIQARNSCE)
        Application->CreateForm(ClassRef::Of<TDMIQARNSCE_Prova>(), DMIQARNSCE);
}

extern "C" Q_DECL_EXPORT int ProvaScelteViste()
{
    return TDMIQARNSCE_Prova::viste;
}

#include "HookSce.moc"

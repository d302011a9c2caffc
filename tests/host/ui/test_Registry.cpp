// Class references and the four registries: names without regard to case, the replacement
// answered in place of the class, and host code creating the replacement.
#include "host/ui/ClassRegistry.h"
#include "host/ui/Forms.h"
#include "tests/support/ui/UiScript.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class HostPrint : public QObject {
    Q_OBJECT
public:
    explicit HostPrint(QObject *owner = nullptr) : QObject(owner) {}
    virtual QString Kind() const { return QStringLiteral("host"); }
};

class ModulePrint : public HostPrint {
    Q_OBJECT
public:
    explicit ModulePrint(QObject *owner = nullptr) : HostPrint(owner) {}
    QString Kind() const override { return QStringLiteral("module"); }
};

// A print registered under a host name that does not derive from the host class.
class UnrelatedPrint : public QObject {
    Q_OBJECT
public:
    explicit UnrelatedPrint(QObject *owner = nullptr) : QObject(owner) {}
};

class HostModule : public TXDataModule {
    Q_OBJECT
public:
    explicit HostModule(QObject *owner = nullptr) : TXDataModule(owner) {}
    void DataModuleCreate() override { created.append(QStringLiteral("host")); }
    QStringList created;
};

class ModuleModule : public HostModule {
    Q_OBJECT
public:
    explicit ModuleModule(QObject *owner = nullptr) : HostModule(owner) {}
    void DataModuleCreate() override
    {
        HostModule::DataModuleCreate();
        created.append(QStringLiteral("module"));
    }
};

class RegistryTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        Kv8reportb::Registry().Clear();
        Kv8datamodule::Registry().Clear();
        Xforms::Registry().Clear();
        Dbchilddlg::Registry().Clear();
    }
};

} // namespace

TEST_F(RegistryTest, NamesAreFoundWithoutRegardToCase)
{
    Xforms::XRegisterDMClass(QStringLiteral("TDMISBAS"), ClassRef::Of<ModuleModule>(), false, true);
    Dbchilddlg::XRegisterCDialogClass(QStringLiteral("TFsven0001f_001"), ClassRef::Of<ModuleModule>());

    EXPECT_TRUE(Xforms::Registry().Contains(QStringLiteral("TDMISBas")));
    EXPECT_TRUE(Xforms::Registry().Contains(QStringLiteral("tdmisbas")));
    EXPECT_TRUE(Dbchilddlg::Registry().Contains(QStringLiteral("TFSVen0001f_001")));
    EXPECT_FALSE(Kv8reportb::Registry().Contains(QStringLiteral("TDMISBAS"))) << "each registry keeps its own names";
    EXPECT_EQ(Xforms::Registry().Find(QStringLiteral("tDmIsBaS")).Name(), QStringLiteral("ModuleModule"));
}

TEST_F(RegistryTest, LookupAnswersTheReplacementOrTheClassItself)
{
    const ClassRef host(
        QStringLiteral("TFSVen0002s"), [](QObject *o) { return new HostPrint(o); }, &HostPrint::staticMetaObject);
    EXPECT_EQ(Kv8reportb::XGetReportClass(host).Name(), QStringLiteral("TFSVen0002s"));

    Kv8reportb::XRegisterReportClass(QStringLiteral("TFSVEN0002S"), ClassRef::Of<UnrelatedPrint>(), false, true);
    const ClassRef chosen = Kv8reportb::XGetReportClass(host);
    EXPECT_EQ(chosen.Name(), QStringLiteral("UnrelatedPrint"));
    std::unique_ptr<QObject> print(chosen.Create());
    EXPECT_TRUE(qobject_cast<UnrelatedPrint *>(print.get()));

    // a class registered nowhere comes back as itself
    EXPECT_EQ(Dlgbase::XGetDialogClass(ClassRef::Of<HostPrint>()).Name(), QStringLiteral("HostPrint"));
}

TEST_F(RegistryTest, HostCreatesTheRegisteredSubstituteWhereItAsksForItsName)
{
    QObject owner;
    // what the host does where it makes its print "TfSVen0009s"
    auto hostCreates = [&owner] {
        const ClassRef cls = Kv8reportb::XGetReportClass(QStringLiteral("TfSVen0009s"), ClassRef::Of<HostPrint>());
        return cls.CreateAs<HostPrint>(&owner);
    };
    EXPECT_EQ(hostCreates()->Kind(), QStringLiteral("host"));

    Kv8reportb::XRegisterReportClass(QStringLiteral("TFSVEN0009S"), ClassRef::Of<ModulePrint>());
    HostPrint *print = hostCreates();
    EXPECT_EQ(print->Kind(), QStringLiteral("module"));
    EXPECT_EQ(print->parent(), &owner) << "created with the owner the host gives";
}

TEST_F(RegistryTest, DataModulesAreCreatedWithTheirCreationHandler)
{
    kv8test::EnsureApplication();
    Xforms::XRegisterDMClass(QStringLiteral("TDMIBMag"), ClassRef::Of<ModuleModule>());
    const ClassRef cls = Xforms::XGetDMClass(ClassRef::Of<HostModule>(QStringLiteral("TDMIBMag")));
    std::unique_ptr<HostModule> dm(CreateObjectAs<HostModule>(cls, nullptr));
    EXPECT_EQ(dm->created, (QStringList{QStringLiteral("host"), QStringLiteral("module")}));

    QPointer<HostModule> global;
    Application->CreateForm(cls, global);
    ASSERT_TRUE(global);
    EXPECT_EQ(global->parent(), Application) << "owned by the application";
    EXPECT_EQ(global->created.size(), 2);
    Application->DestroyComponents();
    EXPECT_FALSE(global);
}

TEST_F(RegistryTest, CreatingAClassOfTheWrongKindFailsAndFreesIt)
{
    QObject owner;
    const ClassRef cls = ClassRef::Of<UnrelatedPrint>();
    EXPECT_THROW(cls.CreateAs<HostPrint>(&owner), Exception);
    EXPECT_TRUE(owner.children().isEmpty());
    EXPECT_THROW(ClassRef().Create(), Exception);
    EXPECT_THROW(Kv8reportb::Registry().Get(QStringLiteral("TfNessuna")), Exception);
}

#include "test_Registry.moc"

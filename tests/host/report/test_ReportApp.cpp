// Fonts, pictures and PDF output need a GUI application; tests run it offscreen.
#include <QByteArray>
#include <QGuiApplication>

#include <gtest/gtest.h>

namespace {

class GuiApplication : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (!QCoreApplication::instance())
            app_ = new QGuiApplication(argc_, argv_);
    }
    void TearDown() override
    {
        delete app_;
        app_ = nullptr;
    }

private:
    int argc_ = 1;
    char name_[12] = "test_report";
    char *argv_[2] = {name_, nullptr};
    QGuiApplication *app_ = nullptr;
};

[[maybe_unused]] const ::testing::Environment *const environment =
    ::testing::AddGlobalTestEnvironment(new GuiApplication);

} // namespace

#include "tests/support/ui/LogCapture.h"

namespace kv8test {

namespace {
LogCapture *g_capture = nullptr;
}

LogCapture::LogCapture() : previousCapture_(g_capture)
{
    g_capture = this;
    previous_ = qInstallMessageHandler(&LogCapture::Handler);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previous_);
    g_capture = previousCapture_;
}

void LogCapture::Handler(QtMsgType, const QMessageLogContext &, const QString &message)
{
    if (g_capture)
        g_capture->lines_ << message;
}

} // namespace kv8test

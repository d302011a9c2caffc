#pragma once
// The log lines (qWarning) the database layer writes while the object lives, kept instead of printed.
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace {

// The log lines written while it lives.
class LogCapture {
public:
    LogCapture()
    {
        previous_ = qInstallMessageHandler(&LogCapture::Handler);
        Current() = this;
    }
    ~LogCapture()
    {
        qInstallMessageHandler(previous_);
        Current() = nullptr;
    }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QString Text() const { return lines_.join(u'\n'); }

private:
    static LogCapture *&Current()
    {
        static LogCapture *current = nullptr;
        return current;
    }
    static void Handler(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        if (Current())
            Current()->lines_.append(message);
    }
    QtMessageHandler previous_ = nullptr;
    QStringList lines_;
};

} // namespace

#pragma once
// The log lines (qWarning and the like) written while the object lives, kept instead of
// printed.
#include <QStringList>
#include <QtGlobal>

namespace kv8test {

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    const QStringList &Lines() const { return lines_; }
    // The lines holding a text.
    QStringList Containing(const QString &text) const { return lines_.filter(text); }

private:
    static void Handler(QtMsgType type, const QMessageLogContext &context, const QString &message);
    QStringList lines_;
    LogCapture *previousCapture_ = nullptr;
    QtMessageHandler previous_ = nullptr;
};

} // namespace kv8test

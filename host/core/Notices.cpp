#include "host/core/Notices.h"

#include <QDebug>

#include <utility>

namespace Notices {

namespace {
TNoticeSink *g_sink = nullptr;
}

void Tell(const QString &text, TNoticeKind kind)
{
    if (g_sink)
        g_sink->Tell(text, kind);
    else
        qWarning().noquote() << "kv8:" << text;
}

bool Ask(const QString &text, TNoticeKind kind, bool noByDefault)
{
    if (g_sink)
        return g_sink->Ask(text, kind, noByDefault);
    qWarning().noquote() << "kv8: unanswered question:" << text;
    return false;
}

TNoticeSink *SetSink(TNoticeSink *sink)
{
    return std::exchange(g_sink, sink);
}

TNoticeSink *Sink()
{
    return g_sink;
}

} // namespace Notices

#pragma once
// What the business layer tells or asks the user while it works. Data modules and engines show
// nothing themselves: they hand their notices and questions to the sink in effect, which the
// window layer supplies (the host's message service; a window or job may put its own in place
// for one run with TNoticeScope). Without a sink a notice goes to the log and a question gets
// the negative answer.
#include <QString>

// The kinds of notice, numbered as the host's message types.
enum class TNoticeKind : int { Warning = 0, Error = 1, Information = 2, Confirmation = 3 };

class TNoticeSink {
public:
    virtual ~TNoticeSink() = default;
    // A notice with one button: the work goes on (or stops, as the caller decides) after it.
    virtual void Tell(const QString &text, TNoticeKind kind) = 0;
    // A question answered yes or no; true for yes. noByDefault: no is the default answer.
    virtual bool Ask(const QString &text, TNoticeKind kind, bool noByDefault) = 0;
};

namespace Notices {

void Tell(const QString &text, TNoticeKind kind);
bool Ask(const QString &text, TNoticeKind kind = TNoticeKind::Confirmation, bool noByDefault = false);

// Puts sink in place (nullptr: none); answers the sink replaced.
TNoticeSink *SetSink(TNoticeSink *sink);
TNoticeSink *Sink();

} // namespace Notices

// A sink in place for the life of the object; the previous one comes back afterwards.
class TNoticeScope {
public:
    explicit TNoticeScope(TNoticeSink *sink) : previous_(Notices::SetSink(sink)) {}
    ~TNoticeScope() { Notices::SetSink(previous_); }
    TNoticeScope(const TNoticeScope &) = delete;
    TNoticeScope &operator=(const TNoticeScope &) = delete;

private:
    TNoticeSink *previous_;
};

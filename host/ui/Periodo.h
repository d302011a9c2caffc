#pragma once
// A period typed by the user: its end may not precede its start.
#include <QDateTime>
#include <QString>

class QWidget;

namespace Funzioni {

// The message for a period whose end precedes its start, where the window has none of its own.
QString TestoPeriodoInvertito();

// Both dates given and the end's day before the start's (times of day do not count).
bool PeriodoInvertito(const QDateTime &inizio, const QDateTime &fine);

// True when the period may be used. Otherwise shows the error testo (the program's own message
// when empty), puts the focus on fuoco when given, and answers false.
bool ControllaPeriodo(const QDateTime &inizio, const QDateTime &fine, QWidget *fuoco = nullptr,
                      const QString &testo = QString());

} // namespace Funzioni

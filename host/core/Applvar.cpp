#include "host/core/Applvar.h"

#include <QDate>

TCFG::TCFG() : Anno(QDate::currentDate().year()) {}

TCFG CFG;

#pragma once
// The user running the program.
#include <QString>
#include <QtGlobal>

struct TUtente {
    QString IdUtente; // identifier, written on documents as the operator
    QString Nome;
    quint8 FlPrivilegi = 0; // 1: may open the configuration
};

extern TUtente gUtente;

namespace Kutfunctions {
using ::gUtente;
using ::TUtente;
} // namespace Kutfunctions

#include "host/core/Kutfunctions.h"

TUtente gUtente;

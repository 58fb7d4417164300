// Gravo graphics library; everything is declared in gravo.h.
#ifndef GRAVO_GRAPHICS_H
#define GRAVO_GRAPHICS_H

#include "gravo.h"

#endif

// The canvas interface is header-only; this unit keeps the drawing library non-empty and gives
// the interface's vtable a home.
#include "draw/canvas.h"

#include "draw/canvas.h"
#include "imaging/bmp_writer.h"

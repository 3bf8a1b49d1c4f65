#include <QImage>

#include "cli/commands.h"
#include "gui/canvas.h"

#include "draw/plot.h"

#include "platform/formatting.h"
#include "platform/window.h"

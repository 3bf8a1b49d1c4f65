#include "platform/alloc.h"
#include "app/commands.h"

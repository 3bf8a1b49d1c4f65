#pragma once
#include "draw/canvas.h"
#include "../app/state.h"

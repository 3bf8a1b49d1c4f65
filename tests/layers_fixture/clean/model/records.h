#pragma once
#include <vector>

#include "platform/alloc.h"

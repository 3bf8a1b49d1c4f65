#pragma once
#include <vector>
#include "processing/chains.h"

#pragma once
#include "draw/canvas.h"
#include "simulation/statistics.h"
#include <benchmark/benchmark.h>

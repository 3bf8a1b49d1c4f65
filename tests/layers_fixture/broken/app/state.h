#pragma once
#include "model/records.h"

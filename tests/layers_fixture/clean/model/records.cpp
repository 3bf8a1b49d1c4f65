#include "records.h"
#include "model/records.h"

#pragma once
#include <cli/commands.h>

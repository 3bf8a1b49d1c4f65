#include "detect/detection.h"
#include "platform/headless.h"
#include "platform/message_sink.h"

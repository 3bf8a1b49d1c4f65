#include "imaging/bmp_writer.h"
#include "imaging/little_endian.h"
#include "platform/alloc.h"
#include "platform/message_sink.h"

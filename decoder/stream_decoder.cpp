#include "decoder/stream_decoder.h"

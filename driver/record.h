// The request record of the call in progress. The host owns the record; an
// entry records its address first thing, and every function below the entry
// reads the request's fields and writes its reply through these helpers at
// the byte offsets the request defines.
#pragma once

#include <cstdint>

#include "driver/globals.h"
#include "driver/le.h"

namespace tvk {

inline int16_t rec_i16(int off) { return load_i16(current_record + off); }
inline uint16_t rec_u16(int off) { return load_u16(current_record + off); }
inline int32_t rec_i32(int off) { return load_i32(current_record + off); }
inline uint32_t rec_u32(int off) { return load_u32(current_record + off); }
inline uint8_t rec_u8(int off) { return current_record[off]; }
inline double rec_f64(int off) { return load_f64(current_record + off); }

inline void rec_set_i16(int off, int16_t v) { store_i16(current_record + off, v); }
inline void rec_set_u16(int off, uint16_t v) { store_u16(current_record + off, v); }
inline void rec_set_i32(int off, int32_t v) { store_i32(current_record + off, v); }
inline void rec_set_u8(int off, uint8_t v) { current_record[off] = v; }
inline void rec_set_f64(int off, double v) { store_f64(current_record + off, v); }

// Status and reply length of the common header.
inline int16_t request_code() { return rec_i16(0); }
inline void set_status(int16_t status) { rec_set_i16(0, status); }
inline void set_reply_length(uint16_t length) { rec_set_u16(2, length); }

}  // namespace tvk

// The configuration entry's own requests. Internal to config/.
#pragma once

namespace tvk {

void serve_configure();         // 21
void serve_line_type_table();   // 22
void serve_pen_speed_table();   // 23
void serve_pen_number_table();  // 25
void serve_pen_width_table();   // 44

}  // namespace tvk

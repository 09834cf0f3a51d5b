// The configuration entry: dispatch on the request code.
#include "config/config.h"
#include "deffile/deffile.h"
#include "driver/driver.h"
#include "driver/globals.h"
#include "driver/record.h"

namespace tvk {

void config_entry(void* record) {
    current_record = static_cast<uint8_t*>(record);
    current_model = static_cast<uint8_t>(rec_i16(4) - 1);
    switch (request_code()) {
        case 2:  // no operation
            break;
        case 11:
            serve_open(&read_definition_file);
            break;
        case 49:
            serve_initialise();
            break;
        case 50:
            serve_host_language();
            break;
        default:  // not served: the record comes back untouched
            break;
    }
}

}  // namespace tvk

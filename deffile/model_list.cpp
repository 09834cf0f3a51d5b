// "[PLOTTER]": the model list, names made of a series prefix and a model line.
#include <cstring>

#include "deffile/deffile.h"
#include "deffile/value_scan.h"

namespace tvk {

int read_model_list() {
    std::memset(definition_line, 0, sizeof definition_line);
    while (std::strcmp(definition_line, "[PLOTTER]") != 0)
        if (const int r = read_definition_line(); r != 0) return r < 0 ? -1 : 0;

    char prefix[kModelNameLength + 1] = {};
    int count = 0;
    while (definition_line[0] != '%' && count < kMaxModels) {
        if (const int r = read_definition_line(); r != 0) return r < 0 ? -1 : count;
        const char first = definition_line[0];
        if (first == '*') copy_cut(prefix, definition_line + 1, kModelNameLength);
        if (first == '[') return count;
        if (first == '*' || first == '%' || prefix[0] == '\0') continue;

        char name[2 * kModelNameLength + 1];
        copy_cut(name, prefix, kModelNameLength);
        copy_cut(name + std::strlen(name), definition_line, kModelNameLength);
        std::memset(model_list[count], 0, sizeof model_list[count]);
        copy_cut(model_list[count], name, kModelNameLength);
        ++count;
    }
    return count;
}

}  // namespace tvk

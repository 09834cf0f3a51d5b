// The paper menu: the model's papers a page at a time; typing a number of
// another page shows that page, typing one on the page shown chooses it.
#include <cstdio>
#include <cstring>

#include "config/config.h"
#include "config/questions.h"
#include "deffile/deffile.h"
#include "driver/globals.h"
#include "driver/host_services.h"

namespace tvk {
namespace {

struct MenuForm {
    int32_t per_page;
    bool configuration;
};

void print_page(const MenuForm& form, int32_t first, int32_t count) {
    if (form.configuration)
        host_printf("\n%s\n\n", message(21));
    else
        host_printf("%s\n", message(21));
    for (int32_t i = first; i < first + form.per_page && i < count; ++i)
        host_printf("  %3d. %s\n", i + 1, paper_table[i + 1].name);
}

void make_prompt(const MenuForm& form, int32_t count, char* prompt, std::size_t size) {
    if (form.configuration) {
        std::snprintf(prompt, size, "%s", message(10));
        return;
    }
    // "から" (to) in Shift-JIS for a Japanese host.
    const bool japanese = std::strcmp(host_language, "JA") == 0;
    std::snprintf(prompt, size, japanese ? "%s (1 \x82\xa9\x82\xe7 %d) " : "%s (1 to %d) ",
                  message(10), count);
}

void choose_paper(int32_t number) {
    const PaperEntry& paper = paper_table[number];
    current_paper.number = number;
    stored_config.paper = number;
    current_paper.area_x = paper.size_x;
    current_paper.area_y = paper.size_y;
    current_paper.origin_x = paper.origin_x;
    current_paper.origin_y = paper.origin_y;
}

}  // namespace

int paper_menu(int form_code) {
    const int32_t count = paper_count < kMaxPapers ? paper_count : kMaxPapers;
    if (count <= 0) return -1;
    const bool configuration = form_code == kPaperMenuConfiguration;
    const MenuForm form{configuration ? 20 : 10, configuration};
    // The page of the current paper; a number outside the list counts as paper 1.
    const int32_t number = current_paper.number;
    const int32_t current = number >= 1 && number <= count ? number : 1;
    int32_t first = (current - 1) / form.per_page * form.per_page;
    char prompt[320];
    make_prompt(form, count, prompt, sizeof prompt);

    for (;;) {
        print_page(form, first, count);
        if (form.configuration) host_printf("\n");
        int32_t answer = current;
        host_ask_choice(prompt, 1, count, &answer);
        if (input_cancelled()) return -1;
        answer = answer_in_range(answer, 1, count);
        if (answer > first && answer <= first + form.per_page) {
            choose_paper(answer);
            return answer;
        }
        first = (answer - 1) / form.per_page * form.per_page;
    }
}

}  // namespace tvk

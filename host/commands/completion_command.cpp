// tvkplot completion bash|zsh|fish and tvkplot man: shell completion
// scripts and the manual page, made from the program's own option
// definitions, so that they never fall behind. The build runs them and
// `cmake --install` installs what they write; they are hidden from --help.
#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

#include "host/commands/commands.h"
#include "host/commands/markdown_roff.h"
#include "host/host_error.h"

namespace tvk::host {
namespace {

struct Generated {
    std::string what;       // bash, zsh, fish or man
    std::string output;     // empty: standard output
    std::string reference;  // man: the reference text (Markdown) to include
};

std::vector<const CLI::App*> commands_of(const CLI::App& app) {
    std::vector<const CLI::App*> out;
    for (const CLI::App* c : app.get_subcommands({})) {
        if (!c->get_group().empty()) out.push_back(c);
    }
    return out;
}

std::vector<const CLI::Option*> options_of(const CLI::App& app) {
    return app.get_options({});
}

// Every name of an option: "-o", "--output".
std::vector<std::string> names_of(const CLI::Option& o) {
    std::vector<std::string> names;
    for (const auto& s : o.get_snames()) names.push_back("-" + s);
    for (const auto& l : o.get_lnames()) names.push_back("--" + l);
    return names;
}

bool takes_value(const CLI::Option& o) {
    return o.get_type_size() > 0 && o.get_expected_max() > 0;
}

// Values named as files, devices or directories are completed as paths.
bool takes_path(const CLI::Option& o) {
    const std::string type = o.get_type_name();
    for (const char* word : {"FILE", "PATH", "OUT", "DEVICE", "DRAWING", "STREAM"}) {
        if (type.find(word) != std::string::npos) return true;
    }
    return false;
}

// Options whose values tvkplot itself lists (`tvkplot complete WHAT`).
std::string value_source(const CLI::Option& o) {
    for (const auto& name : o.get_lnames()) {
        if (name == "model") return "models";
        if (name == "lang") return "languages";
        if (name == "language") return "stream-languages";
        if (name == "paper") return "papers";
    }
    return {};
}

std::string joined(const std::vector<std::string>& words) {
    std::string out;
    for (const auto& w : words) out += (out.empty() ? "" : " ") + w;
    return out;
}

// "a|b|c", as a shell's case takes them.
std::string alternatives(const std::vector<std::string>& words) {
    std::string out;
    for (const auto& w : words) out += (out.empty() ? "" : "|") + w;
    return out;
}

std::string option_words(const CLI::App& app) {
    std::vector<std::string> words;
    for (const CLI::Option* o : options_of(app)) {
        for (const auto& n : names_of(*o)) words.push_back(n);
    }
    return joined(words);
}

std::string bash_script(const CLI::App& app) {
    std::ostringstream s;
    std::vector<std::string> names, path_options;
    for (const CLI::App* c : commands_of(app)) names.push_back(c->get_name());
    const auto note_paths = [&](const CLI::App& a) {
        for (const CLI::Option* o : options_of(a)) {
            if (o->get_positional() || !takes_path(*o)) continue;
            for (const auto& n : names_of(*o)) {
                if (std::find(path_options.begin(), path_options.end(), n) == path_options.end())
                    path_options.push_back(n);
            }
        }
    };
    note_paths(app);
    for (const CLI::App* c : commands_of(app)) note_paths(*c);
    s << "# bash completion for tvkplot (made by `tvkplot completion bash`)\n"
      << "_tvkplot() {\n"
      << "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
      << "    local command= word i def= model=\n"
      << "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
      << "        case ${COMP_WORDS[i]} in\n"
      << "            --def) def=\"--def ${COMP_WORDS[i+1]}\" ;;\n"
      << "            --model) model=\"--model ${COMP_WORDS[i+1]}\" ;;\n"
      << "        esac\n"
      << "    done\n"
      << "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
      << "        word=${COMP_WORDS[i]}\n"
      << "        case $word in " << alternatives(names) << ") ;; *) continue ;; esac\n"
      << "        command=$word; break\n"
      << "    done\n"
      << "    case $prev in\n";
    if (!path_options.empty()) {
        s << "        " << alternatives(path_options)
          << ") COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n";
    }
    // Values tvkplot knows: it is asked (with the definition file given).
    s << "        --model) COMPREPLY=($(compgen -W \"$(\"${COMP_WORDS[0]}\" $def complete models "
         "2>/dev/null)\" -- \"$cur\")); return ;;\n"
      << "        --lang) COMPREPLY=($(compgen -W \"$(\"${COMP_WORDS[0]}\" complete languages)\" "
         "-- \"$cur\")); return ;;\n"
      << "        --language) COMPREPLY=($(compgen -W \"$(\"${COMP_WORDS[0]}\" complete "
         "stream-languages)\" -- \"$cur\")); return ;;\n"
      << "        --paper) COMPREPLY=($(compgen -W \"$(\"${COMP_WORDS[0]}\" $def complete papers "
         "$model 2>/dev/null)\" -- \"$cur\")); return ;;\n";
    s << "    esac\n"
      << "    local global=\"" << option_words(app) << "\" words\n"
      << "    case $command in\n";
    for (const CLI::App* c : commands_of(app)) {
        s << "        " << c->get_name() << ") words=\"" << option_words(*c) << "\" ;;\n";
    }
    s << "        *) words=\"" << joined(names) << "\" ;;\n"
      << "    esac\n"
      << "    if [[ $cur == -* ]]; then\n"
      << "        COMPREPLY=($(compgen -W \"$words $global\" -- \"$cur\"))\n"
      << "    elif [[ -z $command ]]; then\n"
      << "        COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
      << "    else\n"
      << "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
      << "    fi\n"
      << "}\n"
      << "complete -o filenames -F _tvkplot tvkplot\n";
    return s.str();
}

// A description as zsh's _arguments and _describe quote it.
std::string zsh_text(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            if (c == '[' || c == ']' || c == ':' || c == '\\') out += '\\';
            out += c;
        }
    }
    return out;
}

std::string zsh_specs(const CLI::App& app, const std::string& indent) {
    std::ostringstream s;
    for (const CLI::Option* o : options_of(app)) {
        const std::string source = value_source(*o);
        const std::string action =
            !source.empty()
                ? "{compadd -- ${(f)\"$(tvkplot complete " + source + " 2>/dev/null)\"}}"
            : takes_path(*o) ? "_files"
                             : "";
        const std::string value =
            !takes_value(*o) ? "" : ":" + zsh_text(o->get_type_name()) + ":" + action;
        if (o->get_positional()) {
            s << indent << "'*:" << zsh_text(o->get_type_name()) << ":_files' \\\n";
            continue;
        }
        for (const auto& n : names_of(*o)) {
            s << indent << "'" << n << "[" << zsh_text(o->get_description()) << "]" << value
              << "' \\\n";
        }
    }
    return s.str();
}

std::string zsh_script(const CLI::App& app) {
    std::ostringstream s;
    s << "#compdef tvkplot\n"
      << "# zsh completion for tvkplot (made by `tvkplot completion zsh`)\n"
      << "_tvkplot() {\n"
      << "    local -a commands\n"
      << "    commands=(\n";
    for (const CLI::App* c : commands_of(app)) {
        s << "        '" << c->get_name() << ":" << zsh_text(c->get_description()) << "'\n";
    }
    s << "    )\n"
      << "    local curcontext=$curcontext state line\n"
      << "    _arguments -C \\\n"
      << zsh_specs(app, "        ") << "        '1: :->command' \\\n"
      << "        '*:: :->args'\n"
      << "    case $state in\n"
      << "        command) _describe 'command' commands ;;\n"
      << "        args)\n"
      << "            case $words[1] in\n";
    for (const CLI::App* c : commands_of(app)) {
        s << "                " << c->get_name() << ") _arguments \\\n"
          << zsh_specs(*c, "                    ") << "                    ;;\n";
    }
    s << "            esac ;;\n"
      << "    esac\n"
      << "}\n"
      << "_tvkplot \"$@\"\n";
    return s.str();
}

std::string fish_text(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\'' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

std::string fish_lines(const CLI::App& app, const std::string& condition) {
    std::ostringstream s;
    for (const CLI::Option* o : options_of(app)) {
        if (o->get_positional()) continue;
        s << "complete -c tvkplot -n '" << condition << "'";
        for (const auto& n : o->get_snames()) s << " -s " << n;
        for (const auto& n : o->get_lnames()) s << " -l " << n;
        if (const std::string source = value_source(*o); !source.empty()) {
            s << " -r -f -a '(tvkplot complete " << source << " 2>/dev/null)'";
        } else if (takes_value(*o)) {
            s << (takes_path(*o) ? " -r -F" : " -r -f");
        }
        s << " -d '" << fish_text(o->get_description()) << "'\n";
    }
    return s.str();
}

std::string fish_script(const CLI::App& app) {
    std::ostringstream s;
    s << "# fish completion for tvkplot (made by `tvkplot completion fish`)\n";
    std::vector<std::string> names;
    for (const CLI::App* c : commands_of(app)) names.push_back(c->get_name());
    s << fish_lines(app, "true");
    for (const CLI::App* c : commands_of(app)) {
        s << "complete -c tvkplot -f -n '__fish_use_subcommand' -a " << c->get_name() << " -d '"
          << fish_text(c->get_description()) << "'\n"
          << fish_lines(*c, "__fish_seen_subcommand_from " + c->get_name());
    }
    return s.str();
}

// Text as roff shows it: backslashes doubled, hyphens and a leading dot
// escaped, `commands` in bold.
std::string roff(const std::string& text) {
    std::string out;
    bool code = false;
    for (const char c : text) {
        if (c == '`') {
            code = !code;
            out += code ? "\\fB" : "\\fR";
        } else if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else if (c == '\n') {
            out += "\n.br\n";
        } else {
            out += c;
        }
    }
    if (!out.empty() && (out.front() == '.' || out.front() == '\'')) out.insert(0, "\\&");
    return out;
}

std::string man_options(const CLI::App& app) {
    std::ostringstream s;
    for (const CLI::Option* o : options_of(app)) {
        s << ".TP\n";
        if (o->get_positional()) {
            s << "\\fI" << roff(o->get_type_name()) << "\\fR\n";
        } else {
            std::string names;
            for (const auto& n : names_of(*o))
                names += (names.empty() ? "" : ", ") + ("\\fB" + roff(n) + "\\fR");
            if (takes_value(*o)) names += " \\fI" + roff(o->get_type_name()) + "\\fR";
            s << names << "\n";
        }
        s << roff(o->get_description()) << "\n";
    }
    return s.str();
}

std::string man_page(const CLI::App& app, const std::string& reference) {
    std::string text;
    if (!reference.empty()) {
        std::ifstream in(reference, std::ios::binary);
        if (!in) throw HostError("cannot read the reference text " + reference);
        std::ostringstream all;
        all << in.rdbuf();
        text = markdown_to_roff(all.str());
    }
    std::ostringstream s;
    s << ".TH TVKPLOT 1 \"\" \"tvkplot " << TVK_VERSION << "\" \"User Commands\"\n"
      << ".SH NAME\ntvkplot \\- "
      << roff(app.get_description().substr(app.get_description().find(": ") + 2)) << "\n"
      << ".SH SYNOPSIS\n\\fBtvkplot\\fR [\\fIOPTIONS\\fR] \\fICOMMAND\\fR [\\fIARGUMENTS\\fR]\n"
      << ".SH OPTIONS\n"
      << man_options(app) << ".SH COMMANDS\n";
    for (const CLI::App* c : commands_of(app)) {
        s << ".SS \"tvkplot " << c->get_name() << "\"\n"
          << roff(c->get_description()) << "\n"
          << man_options(*c);
        if (!c->get_footer().empty()) s << ".PP\n.nf\n" << roff(c->get_footer()) << "\n.fi\n";
    }
    s << text << ".SH \"EXIT STATUS\"\n";
    for (const ExitStatus& e : kExitStatuses) {
        s << ".TP\n\\fB" << e.code << "\\fR\n" << roff(e.meaning) << "\n";
    }
    s << ".SH FILES\n.TP\n\\fI$XDG_CONFIG_HOME/tvkplot/MODEL.toml\\fR (else "
         "\\fI~/.config/tvkplot/\\fR)\nThe profiles \\fBconfigure\\fR saves.\n"
      << ".SH \"SEE ALSO\"\nThe README of the source tree, and doc/reference.md, the text of "
         "this page.\n";
    return s.str();
}

int generate(const CLI::App& app, const Generated& g) {
    const std::string text = g.what == "man"    ? man_page(app, g.reference)
                             : g.what == "zsh"  ? zsh_script(app)
                             : g.what == "fish" ? fish_script(app)
                                                : bash_script(app);
    if (g.output.empty()) {
        std::fputs(text.c_str(), stdout);
        return 0;
    }
    std::ofstream out(g.output, std::ios::binary);
    out << text;
    if (!out.flush()) throw HostError("cannot write " + g.output);
    return 0;
}

}  // namespace

std::vector<Command> add_generator_commands(CLI::App& app) {
    auto completion = std::make_shared<Generated>();
    auto man = std::make_shared<Generated>(Generated{"man", {}, {}});
    CLI::App* c = app.add_subcommand("completion", "A completion script for a shell");
    c->add_option("shell", completion->what, "bash, zsh or fish")
        ->required()
        ->check(CLI::IsMember({"bash", "zsh", "fish"}));
    c->add_option("-o,--output", completion->output,
                  "The file to write (default: standard output)");
    CLI::App* m = app.add_subcommand("man", "The manual page (roff)");
    m->add_option("-o,--output", man->output, "The file to write (default: standard output)");
    m->add_option("--reference", man->reference,
                  "The reference text (Markdown) to include (the build gives doc/reference.md)")
        ->type_name("FILE");
    return {{c, [&app, completion] { return generate(app, *completion); }},
            {m, [&app, man] { return generate(app, *man); }}};
}

}  // namespace tvk::host

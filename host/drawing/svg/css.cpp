#include "host/drawing/svg/css.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <map>
#include <numbers>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <tuple>
#include <vector>

namespace tvk::host {

namespace {

const char* c_str(const xmlChar* s) {
    return reinterpret_cast<const char*>(s);
}
const xmlChar* xml(const std::string& s) {
    return reinterpret_cast<const xmlChar*>(s.c_str());
}

std::string trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r\n\f");
    if (first == std::string_view::npos) return "";
    return std::string(s.substr(first, s.find_last_not_of(" \t\r\n\f") - first + 1));
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::optional<std::string> own_attribute(const xmlNode* node, const char* name) {
    xmlChar* v = xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>(name));
    if (!v) return std::nullopt;
    std::string s = c_str(v);
    xmlFree(v);
    return s;
}

std::string strip_comments(std::string css) {
    for (size_t open; (open = css.find("/*")) != std::string::npos;) {
        const size_t close = css.find("*/", open + 2);
        css.erase(open, close == std::string::npos ? std::string::npos : close + 2 - open);
    }
    return css;
}

// ---- declarations

struct Declaration {
    std::string name, value;
    bool important = false;
};

// Splits at `sep` outside parentheses and quotes (a url() may hold ';').
std::vector<std::string> split_outside(std::string_view s, char sep) {
    std::vector<std::string> parts;
    int depth = 0;
    char quote = 0;
    size_t from = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            depth = std::max(0, depth - 1);
        } else if (c == sep && depth == 0) {
            parts.emplace_back(s.substr(from, i - from));
            from = i + 1;
        }
    }
    parts.emplace_back(s.substr(from));
    return parts;
}

// The font shorthand, "[style] [weight] size[/line-height] family": what
// it sets and resets; nothing for a system font or a value without a size.
std::vector<Declaration> font_longhands(const std::string& value) {
    std::vector<Declaration> out{{"font-style", "normal"}, {"font-weight", "normal"}};
    size_t at = 0;
    while (at < value.size()) {
        while (at < value.size() && std::isspace(static_cast<unsigned char>(value[at]))) ++at;
        size_t end = at;
        while (end < value.size() && !std::isspace(static_cast<unsigned char>(value[end]))) ++end;
        const std::string word = value.substr(at, end - at);
        // A number alone is a weight; a size has its unit.
        const bool number =
            !word.empty() && (std::isdigit(static_cast<unsigned char>(word[0])) || word[0] == '.');
        const bool size = (number && word.find_first_not_of("0123456789.") != std::string::npos) ||
                          word.find("-small") != std::string::npos ||
                          word.find("-large") != std::string::npos || word == "small" ||
                          word == "medium" || word == "large" || word == "smaller" ||
                          word == "larger";
        if (size) {
            const std::string family = trim(value.substr(end));
            if (family.empty()) return {};
            out.push_back({"font-size", word.substr(0, word.find('/'))});
            out.push_back({"font-family", family});
            return out;
        }
        const std::string key = lower(word);
        if (key == "italic" || key == "oblique") out[0].value = key;
        if (key == "bold" || key == "bolder" || key == "lighter" ||
            (!key.empty() && std::isdigit(static_cast<unsigned char>(key[0]))))
            out[1].value = key;
        at = end;
    }
    return {};
}

std::vector<Declaration> declarations(std::string_view block) {
    std::vector<Declaration> out;
    for (const std::string& part : split_outside(block, ';')) {
        const auto colon = part.find(':');
        if (colon == std::string::npos) continue;
        Declaration d{lower(trim(part.substr(0, colon))), trim(part.substr(colon + 1))};
        if (const auto bang = d.value.rfind('!'); bang != std::string::npos) {
            if (lower(trim(d.value.substr(bang + 1))) == "important") {
                d.important = true;
                d.value = trim(d.value.substr(0, bang));
            }
        }
        // Custom properties and vendors' own are not the reader's.
        if (d.name.empty() || d.name[0] == '-' || d.value.empty()) continue;
        if (!std::all_of(d.name.begin(), d.name.end(), [](char c) {
                return std::islower(static_cast<unsigned char>(c)) || c == '-';
            }))
            continue;
        // The marker shorthand sets all three.
        if (d.name == "marker") {
            for (const char* which : {"marker-start", "marker-mid", "marker-end"})
                out.push_back({which, d.value, d.important});
            continue;
        }
        if (d.name == "font") {
            for (Declaration& longhand : font_longhands(d.value)) {
                longhand.important = d.important;
                out.push_back(std::move(longhand));
            }
            continue;
        }
        out.push_back(std::move(d));
    }
    return out;
}

// ---- selectors

struct AttributeTest {
    std::string name, value;
    char op = 0;  // 0: present; '=', '~', '|', '^', '$', '*'
};

struct Selector;

// A pseudo-class: :first-child and its like by name alone; :nth-child(an+b)
// and friends with their a and b (and the selectors of "of S"); :not(), :is()
// and :where() with their selectors.
struct PseudoClass {
    std::string name;
    long a = 0, b = 0;
    std::vector<Selector> of;
};

struct Compound {
    std::string type;  // empty or "*": any
    std::vector<std::string> ids, classes;
    std::vector<PseudoClass> pseudo;
    std::vector<AttributeTest> attributes;
    char combinator = 0;  // how it relates to the compound after it: ' ', '>', '+', '~'
};

struct Selector {
    std::vector<Compound> parts;  // left to right
    int ids = 0, classes = 0, types = 0;
    bool valid = true;

    auto specificity() const { return std::tuple(ids, classes, types); }
};

bool name_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80 || c == '\\';
}

Selector parse_selector(std::string_view s);

// The a and b of an+b ("odd", "even", "3", "-n+2", "2n"); nothing when the
// text is not one.
std::optional<std::pair<long, long>> parse_nth(std::string text) {
    text.erase(std::remove_if(text.begin(), text.end(),
                              [](char c) { return std::isspace(static_cast<unsigned char>(c)); }),
               text.end());
    text = lower(text);
    if (text == "odd") return std::pair(2L, 1L);
    if (text == "even") return std::pair(2L, 0L);
    const auto number = [](std::string_view digits, long& out) {
        if (digits.empty() || digits.size() > 9 ||
            !std::all_of(digits.begin(), digits.end(),
                         [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            return false;
        out = std::stol(std::string(digits));
        return true;
    };
    const size_t n = text.find('n');
    long a = 0, b = 0;
    std::string_view rest = text;
    if (n != std::string::npos) {
        std::string_view coefficient = rest.substr(0, n);
        long sign = 1;
        if (!coefficient.empty() && (coefficient[0] == '-' || coefficient[0] == '+')) {
            sign = coefficient[0] == '-' ? -1 : 1;
            coefficient.remove_prefix(1);
        }
        if (coefficient.empty())
            a = 1;
        else if (!number(coefficient, a))
            return std::nullopt;
        a *= sign;
        rest = rest.substr(n + 1);
        if (rest.empty()) return std::pair(a, 0L);
        if (rest[0] != '+' && rest[0] != '-') return std::nullopt;
    }
    long sign = 1;
    if (!rest.empty() && (rest[0] == '-' || rest[0] == '+')) {
        sign = rest[0] == '-' ? -1 : 1;
        rest.remove_prefix(1);
    }
    if (!number(rest, b)) return std::nullopt;
    return std::pair(a, sign * b);
}

// Reads the argument of a functional pseudo-class into `p` and adds its
// specificity to `sel`'s: :nth-child() and friends count as a class (with
// the most specific of their "of" selectors), :not() and :is() as their
// most specific selector, :where() as nothing. False when it is not one
// the reader knows or the argument does not parse.
bool pseudo_argument(PseudoClass& p, std::string_view argument, Selector& sel) {
    const auto selectors = [&](std::string_view list) {
        std::tuple<int, int, int> most{};
        for (const std::string& part : split_outside(list, ',')) {
            Selector inner = parse_selector(trim(part));
            if (!inner.valid) return std::optional<std::tuple<int, int, int>>();
            most = std::max(most, inner.specificity());
            p.of.push_back(std::move(inner));
        }
        return std::optional(most);
    };
    const auto add = [&](const std::tuple<int, int, int>& t) {
        sel.ids += std::get<0>(t);
        sel.classes += std::get<1>(t);
        sel.types += std::get<2>(t);
    };
    if (p.name == "not" || p.name == "is" || p.name == "where") {
        const auto most = selectors(argument);
        if (!most) return false;
        if (p.name != "where") add(*most);
        return true;
    }
    if (p.name == "nth-child" || p.name == "nth-last-child" || p.name == "nth-of-type" ||
        p.name == "nth-last-of-type") {
        std::string text(argument);
        std::optional<std::tuple<int, int, int>> of;
        if (p.name.ends_with("child")) {
            // "an+b of S" counts only the siblings S matches.
            std::string low = lower(text);
            if (const size_t at = low.find(" of "); at != std::string::npos) {
                of = selectors(std::string_view(text).substr(at + 4));
                if (!of) return false;
                text = text.substr(0, at);
            }
        }
        const auto nth = parse_nth(text);
        if (!nth) return false;
        std::tie(p.a, p.b) = *nth;
        ++sel.classes;
        if (of) add(*of);
        return true;
    }
    return false;
}

Selector parse_selector(std::string_view s) {
    Selector sel;
    size_t i = 0;
    auto name = [&] {
        const size_t from = i;
        while (i < s.size() && name_char(s[i])) ++i;
        return std::string(s.substr(from, i - from));
    };
    Compound current;
    bool any = false;
    char pending = 0;
    auto finish = [&] {
        if (!any) return;
        if (!sel.parts.empty()) sel.parts.back().combinator = pending ? pending : ' ';
        sel.parts.push_back(std::move(current));
        current = Compound{};
        any = false;
        pending = 0;
    };
    while (i < s.size()) {
        const char c = s[i];
        if (std::isspace(static_cast<unsigned char>(c)) || c == '>' || c == '+' || c == '~') {
            finish();
            while (i < s.size() && (std::isspace(static_cast<unsigned char>(s[i])) || s[i] == '>' ||
                                    s[i] == '+' || s[i] == '~')) {
                if (s[i] != ' ' && !std::isspace(static_cast<unsigned char>(s[i]))) pending = s[i];
                ++i;
            }
            continue;
        }
        any = true;
        if (c == '*') {
            ++i;
            current.type = "*";
        } else if (c == '#') {
            ++i;
            current.ids.push_back(name());
            ++sel.ids;
        } else if (c == '.') {
            ++i;
            current.classes.push_back(name());
            ++sel.classes;
        } else if (c == ':') {
            ++i;
            if (i < s.size() && s[i] == ':') sel.valid = false;  // pseudo-elements draw nothing
            while (i < s.size() && s[i] == ':') ++i;
            PseudoClass p;
            p.name = lower(name());
            if (i < s.size() && s[i] == '(') {
                // The argument, up to its own closing parenthesis.
                size_t close = i + 1;
                for (int depth = 1; close < s.size(); ++close) {
                    if (s[close] == '(') ++depth;
                    if (s[close] == ')' && --depth == 0) break;
                }
                if (close >= s.size() || !pseudo_argument(p, s.substr(i + 1, close - i - 1), sel)) {
                    sel.valid = false;
                    break;
                }
                i = close + 1;
            } else if (p.name == "not" || p.name == "is" || p.name == "where" ||
                       p.name.rfind("nth-", 0) == 0) {
                sel.valid = false;  // these take an argument
                break;
            } else {
                ++sel.classes;
            }
            current.pseudo.push_back(std::move(p));
        } else if (c == '[') {
            const size_t close = s.find(']', i);
            if (close == std::string_view::npos) {
                sel.valid = false;
                break;
            }
            std::string body = trim(s.substr(i + 1, close - i - 1));
            i = close + 1;
            AttributeTest t;
            const auto eq = body.find('=');
            if (eq == std::string::npos) {
                t.name = trim(body);
            } else {
                size_t name_end = eq;
                if (eq > 0 &&
                    std::string_view("~|^$*").find(body[eq - 1]) != std::string_view::npos) {
                    t.op = body[eq - 1];
                    name_end = eq - 1;
                } else {
                    t.op = '=';
                }
                t.name = trim(body.substr(0, name_end));
                t.value = trim(body.substr(eq + 1));
                if (t.value.size() >= 2 && (t.value[0] == '"' || t.value[0] == '\'') &&
                    t.value.back() == t.value[0])
                    t.value = t.value.substr(1, t.value.size() - 2);
            }
            current.attributes.push_back(std::move(t));
            ++sel.classes;
        } else if (name_char(c)) {
            current.type = name();
            ++sel.types;
        } else {
            sel.valid = false;
            break;
        }
    }
    finish();
    if (sel.parts.empty() || pending) sel.valid = false;
    return sel;
}

const xmlNode* element_sibling(const xmlNode* n, bool forward) {
    for (n = forward ? n->next : n->prev; n; n = forward ? n->next : n->prev)
        if (n->type == XML_ELEMENT_NODE) return n;
    return nullptr;
}

const xmlNode* element_parent(const xmlNode* n) {
    return n->parent && n->parent->type == XML_ELEMENT_NODE ? n->parent : nullptr;
}

bool has_word(const std::string& list, const std::string& word) {
    std::istringstream words(list);
    for (std::string w; words >> w;)
        if (w == word) return true;
    return false;
}

bool selector_matches(const Selector& sel, const xmlNode* n, long& steps);

// Selector matching work (compounds and siblings tested) in a document:
// beyond it, a style sheet built to take hours.
constexpr long kMaxMatchSteps = 100'000'000;

void spend(long& steps, long n) {
    steps += n;
    if (steps > kMaxMatchSteps)
        throw std::runtime_error("its style sheets take more than " +
                                 std::to_string(kMaxMatchSteps) + " steps to match");
}

// The place of n among its parent's element children (from 1; from the
// end when `from_end`), counting those `counted` takes.
long sibling_index(const xmlNode* n, bool from_end,
                   const std::function<bool(const xmlNode*)>& counted, long& steps) {
    long index = 1;
    for (const xmlNode* s = element_sibling(n, from_end); s; s = element_sibling(s, from_end)) {
        spend(steps, 1);
        if (counted(s)) ++index;
    }
    return index;
}

bool nth_matches(long a, long b, long index) {
    if (a == 0) return index == b;
    return (index - b) % a == 0 && (index - b) / a >= 0;
}

bool pseudo_matches(const PseudoClass& p, const xmlNode* n, long& steps) {
    const auto any_of = [&](const xmlNode* e) {
        return std::any_of(p.of.begin(), p.of.end(),
                           [&](const Selector& s) { return selector_matches(s, e, steps); });
    };
    const auto same_type = [n](const xmlNode* s) { return xmlStrcmp(s->name, n->name) == 0; };
    const auto every = [](const xmlNode*) { return true; };
    const std::string& name = p.name;
    if (name == "first-child") return !element_sibling(n, false);
    if (name == "last-child") return !element_sibling(n, true);
    if (name == "only-child") return !element_sibling(n, false) && !element_sibling(n, true);
    if (name == "first-of-type") return sibling_index(n, false, same_type, steps) == 1;
    if (name == "last-of-type") return sibling_index(n, true, same_type, steps) == 1;
    if (name == "only-of-type")
        return sibling_index(n, false, same_type, steps) == 1 &&
               sibling_index(n, true, same_type, steps) == 1;
    if (name == "root") return !element_parent(n);
    if (name == "empty") {
        for (const xmlNode* c = n->children; c; c = c->next)
            if (c->type == XML_ELEMENT_NODE ||
                (c->type == XML_TEXT_NODE && c->content && *c->content))
                return false;
        return true;
    }
    if (name == "link" || name == "any-link")
        return xmlStrcmp(n->name, reinterpret_cast<const xmlChar*>("a")) == 0;
    if (name == "not") return !any_of(n);
    if (name == "is" || name == "where") return any_of(n);
    if (name == "nth-child" || name == "nth-last-child") {
        if (!p.of.empty() && !any_of(n)) return false;
        const bool from_end = name == "nth-last-child";
        if (p.of.empty()) return nth_matches(p.a, p.b, sibling_index(n, from_end, every, steps));
        return nth_matches(p.a, p.b, sibling_index(n, from_end, any_of, steps));
    }
    if (name == "nth-of-type" || name == "nth-last-of-type")
        return nth_matches(p.a, p.b,
                           sibling_index(n, name == "nth-last-of-type", same_type, steps));
    return false;  // :hover and the like: not so on paper
}

bool matches(const Compound& c, const xmlNode* n, long& steps) {
    if (!c.type.empty() && c.type != "*" && c.type != c_str(n->name)) return false;
    for (const std::string& id : c.ids)
        if (own_attribute(n, "id").value_or("") != id) return false;
    if (!c.classes.empty()) {
        const std::string classes = own_attribute(n, "class").value_or("");
        for (const std::string& cls : c.classes)
            if (!has_word(classes, cls)) return false;
    }
    for (const AttributeTest& t : c.attributes) {
        const auto v = own_attribute(n, t.name.c_str());
        if (!v) return false;
        const std::string& w = t.value;
        switch (t.op) {
            case '=':
                if (*v != w) return false;
                break;
            case '~':
                if (!has_word(*v, w)) return false;
                break;
            case '|':
                if (*v != w && v->rfind(w + "-", 0) != 0) return false;
                break;
            case '^':
                if (w.empty() || v->rfind(w, 0) != 0) return false;
                break;
            case '$':
                if (w.empty() || v->size() < w.size() ||
                    v->compare(v->size() - w.size(), w.size(), w) != 0)
                    return false;
                break;
            case '*':
                if (w.empty() || v->find(w) == std::string::npos) return false;
                break;
            default:
                break;
        }
    }
    for (const PseudoClass& p : c.pseudo)
        if (!pseudo_matches(p, n, steps)) return false;
    return true;
}

// Matches a selector from its right end, remembering what failed: without,
// chains of descendant combinators in deep documents take exponential time.
class Matcher {
  public:
    Matcher(const std::vector<Compound>& parts, long& steps) : parts_(parts), steps_(steps) {}

    bool at(const xmlNode* n) { return from(parts_.size() - 1, n); }

  private:
    // Whether parts[0..k] match with parts[k] at n.
    bool from(size_t k, const xmlNode* n) {
        if (failed_.count({k, n})) return false;
        spend(steps_, 1);
        const bool ok = match(k, n);
        if (!ok) failed_.insert({k, n});
        return ok;
    }

    bool match(size_t k, const xmlNode* n) {
        if (!matches(parts_[k], n, steps_)) return false;
        if (k == 0) return true;
        switch (parts_[k - 1].combinator) {
            case '>':
                return element_parent(n) && from(k - 1, element_parent(n));
            case '+':
                return element_sibling(n, false) && from(k - 1, element_sibling(n, false));
            case '~':
                for (const xmlNode* s = element_sibling(n, false); s; s = element_sibling(s, false))
                    if (from(k - 1, s)) return true;
                return false;
            default:
                for (const xmlNode* p = element_parent(n); p; p = element_parent(p))
                    if (from(k - 1, p)) return true;
                return false;
        }
    }

    const std::vector<Compound>& parts_;
    long& steps_;
    std::set<std::pair<size_t, const xmlNode*>> failed_;
};

bool selector_matches(const Selector& sel, const xmlNode* n, long& steps) {
    return Matcher(sel.parts, steps).at(n);
}

struct Rule {
    Selector selector;
    std::vector<Declaration> declarations;
    size_t order = 0;
};

// The rules of a style sheet; the rules of @media blocks count (a plot is
// no screen, but drawings put their styles there for all media), other
// at-rules are skipped.
void parse_sheet(std::string_view css, std::vector<Rule>& rules) {
    size_t at = 0;
    while (at < css.size()) {
        const size_t brace = css.find('{', at);
        const size_t semi = css.find(';', at);
        if (brace == std::string_view::npos) return;
        std::string prelude = trim(css.substr(at, brace - at));
        // A statement at-rule (@import, @charset) before the block.
        if (!prelude.empty() && prelude[0] == '@' && semi < brace) {
            at = semi + 1;
            continue;
        }
        // The block's end, braces nested.
        size_t end = brace + 1;
        for (int depth = 1; end < css.size() && depth > 0; ++end) {
            if (css[end] == '{') ++depth;
            if (css[end] == '}') --depth;
        }
        const std::string_view body =
            css.substr(brace + 1, (end > brace + 1 ? end - 1 : brace + 1) - brace - 1);
        if (!prelude.empty() && prelude[0] == '@') {
            if (lower(prelude).rfind("@media", 0) == 0) parse_sheet(body, rules);
        } else {
            const std::vector<Declaration> decls = declarations(body);
            for (const std::string& s : split_outside(prelude, ',')) {
                Selector sel = parse_selector(trim(s));
                if (!sel.valid) continue;
                rules.push_back({std::move(sel), decls, rules.size()});
            }
        }
        at = end;
    }
}

// SVG's presentation attributes: CSS properties an attribute may also set.
bool is_presentation_attribute(const std::string& name) {
    static const char* const kNames[] = {"alignment-baseline",
                                         "baseline-shift",
                                         "clip",
                                         "clip-path",
                                         "clip-rule",
                                         "color",
                                         "color-interpolation",
                                         "color-interpolation-filters",
                                         "color-profile",
                                         "color-rendering",
                                         "cursor",
                                         "direction",
                                         "display",
                                         "dominant-baseline",
                                         "enable-background",
                                         "fill",
                                         "fill-opacity",
                                         "fill-rule",
                                         "filter",
                                         "flood-color",
                                         "flood-opacity",
                                         "font-family",
                                         "font-size",
                                         "font-size-adjust",
                                         "font-stretch",
                                         "font-style",
                                         "font-variant",
                                         "font-weight",
                                         "glyph-orientation-horizontal",
                                         "glyph-orientation-vertical",
                                         "image-rendering",
                                         "kerning",
                                         "letter-spacing",
                                         "lighting-color",
                                         "marker-end",
                                         "marker-mid",
                                         "marker-start",
                                         "mask",
                                         "opacity",
                                         "overflow",
                                         "pointer-events",
                                         "shape-rendering",
                                         "stop-color",
                                         "stop-opacity",
                                         "stroke",
                                         "stroke-dasharray",
                                         "stroke-dashoffset",
                                         "stroke-linecap",
                                         "stroke-linejoin",
                                         "stroke-miterlimit",
                                         "stroke-opacity",
                                         "stroke-width",
                                         "text-anchor",
                                         "text-decoration",
                                         "text-rendering",
                                         "transform",
                                         "transform-origin",
                                         "unicode-bidi",
                                         "visibility",
                                         "word-spacing",
                                         "writing-mode"};
    return std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames);
}

// Geometry properties: CSS may set them, and they become the attributes.
// Geometry properties: CSS may set them on the elements that have them, and
// they become the attributes. The <svg> elements keep their own size: web
// pages size them by CSS (width: 100%), the plot by their attributes.
bool is_geometry_property(const std::string& name, const xmlNode* node) {
    const std::string_view element = c_str(node->name);
    const auto is = [&](std::initializer_list<std::string_view> names) {
        return std::find(names.begin(), names.end(), element) != names.end();
    };
    if (name == "x" || name == "y" || name == "width" || name == "height")
        return is({"rect", "image", "use", "foreignObject"});
    if (name == "r") return is({"circle"});
    if (name == "rx" || name == "ry") return is({"rect", "ellipse"});
    if (name == "cx" || name == "cy") return is({"circle", "ellipse"});
    if (name == "d") return is({"path"});
    return false;
}

// A CSS value in an attribute's syntax.
std::string attribute_value(const std::string& name, const std::string& value) {
    if (name == "transform") return svg_transform_of_css(value);
    if (name == "d") {
        // d: path("M 0 0 L 10 10")
        const std::string v = trim(value);
        if (lower(v).rfind("path(", 0) == 0 && v.back() == ')') {
            std::string inner = trim(std::string_view(v).substr(5, v.size() - 6));
            if (inner.size() >= 2 && (inner[0] == '"' || inner[0] == '\''))
                inner = inner.substr(1, inner.size() - 2);
            return inner;
        }
        return v == "none" ? "" : v;
    }
    return value;
}

// A length with its unit, in user units; percentages of `reference`.
std::optional<double> length_of(std::string_view s, double reference, double font_size) {
    const std::string t = trim(s);
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (end == t.c_str() || !std::isfinite(v)) return std::nullopt;
    const std::string unit = lower(trim(end));
    if (unit.empty() || unit == "px") return v;
    if (unit == "%") return v / 100 * reference;
    if (unit == "pt") return v * 96 / 72;
    if (unit == "pc") return v * 16;
    if (unit == "in") return v * 96;
    if (unit == "cm") return v * 96 / 2.54;
    if (unit == "mm") return v * 96 / 25.4;
    if (unit == "q") return v * 96 / 101.6;
    if (unit == "em" || unit == "rem") return v * font_size;
    if (unit == "ex") return v * font_size / 2;
    return std::nullopt;
}

// transform-origin as a translation: lengths, or keywords and percentages of the viewport.
std::optional<std::pair<double, double>> origin_of(const std::string& value, double width,
                                                   double height, double font_size) {
    std::istringstream words(value);
    std::vector<std::string> w;
    for (std::string s; words >> s;) w.push_back(lower(s));
    if (w.empty()) return std::nullopt;
    if (w.size() == 1) w.push_back("center");
    // "top left": the vertical keyword first.
    if (w[0] == "top" || w[0] == "bottom" || w[1] == "left" || w[1] == "right")
        std::swap(w[0], w[1]);
    auto axis = [&](const std::string& s, double size, const char* low, const char* high) {
        if (s == low) return std::optional<double>(0);
        if (s == "center") return std::optional<double>(size / 2);
        if (s == high) return std::optional<double>(size);
        return length_of(s, size, font_size);
    };
    const auto x = axis(w[0], width, "left", "right");
    const auto y = axis(w[1], height, "top", "bottom");
    if (!x || !y) return std::nullopt;
    return std::pair(*x, *y);
}

std::string number(double v) {
    std::ostringstream out;
    out.precision(12);
    out << v;
    return out.str();
}

// Moves an attribute to the head of the element's list: read first.
void put_first(xmlNode* node, const char* name) {
    xmlAttr* a = xmlHasNsProp(node, reinterpret_cast<const xmlChar*>(name), nullptr);
    if (!a || a == node->properties) return;
    if (a->prev) a->prev->next = a->next;
    if (a->next) a->next->prev = a->prev;
    a->prev = nullptr;
    a->next = node->properties;
    node->properties->prev = a;
    node->properties = a;
}

struct Viewport {
    double width = 100, height = 100;
};

class Cascade {
  public:
    explicit Cascade(std::vector<Rule> rules) : rules_(std::move(rules)) {}

    void apply(xmlNode* node, double parent_font_size, Viewport viewport) {
        for (; node; node = node->next) {
            if (node->type != XML_ELEMENT_NODE) continue;
            const double font_size = resolve(node, parent_font_size, viewport);
            Viewport inner = viewport;
            if (xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>("svg")) == 0)
                inner = viewport_of(node, viewport);
            apply(node->children, font_size, inner);
        }
    }

  private:
    static Viewport viewport_of(const xmlNode* svg, Viewport outer) {
        if (const auto box = own_attribute(svg, "viewBox")) {
            std::string spaced = *box;
            std::replace(spaced.begin(), spaced.end(), ',', ' ');
            std::istringstream in(spaced);
            double x, y, w, h;
            if (in >> x >> y >> w >> h && w > 0 && h > 0) return {w, h};
        }
        Viewport v = outer;
        if (auto w = own_attribute(svg, "width"))
            v.width = length_of(*w, outer.width, 16).value_or(v.width);
        if (auto h = own_attribute(svg, "height"))
            v.height = length_of(*h, outer.height, 16).value_or(v.height);
        return v;
    }

    // The element's font size, after its declarations are left as attributes.
    double resolve(xmlNode* node, double parent_font_size, Viewport viewport) {
        // Priority: presentation attribute, sheet, style attribute, sheet
        // !important, style attribute !important; then specificity and order.
        using Rank = std::tuple<int, std::tuple<int, int, int>, size_t>;
        std::map<std::string, std::pair<Rank, std::string>> won;
        auto offer = [&](const std::string& name, const std::string& value, Rank rank) {
            auto it = won.find(name);
            if (it == won.end() || !(rank < it->second.first)) won[name] = {rank, value};
        };
        for (xmlAttr* a = node->properties; a; a = a->next) {
            if (a->ns) continue;
            const std::string name = c_str(a->name);
            if (!is_presentation_attribute(name)) continue;
            offer(name, own_attribute(node, name.c_str()).value_or(""), Rank{0, {}, 0});
        }
        for (const Rule& r : rules_) {
            if (!Matcher(r.selector.parts, steps_).at(node)) continue;
            for (const Declaration& d : r.declarations)
                offer(d.name, d.value,
                      Rank{d.important ? 3 : 1, r.selector.specificity(), r.order});
        }
        if (const auto style = own_attribute(node, "style")) {
            size_t order = 0;
            for (const Declaration& d : declarations(*style))
                offer(d.name, d.value, Rank{d.important ? 4 : 2, {}, order++});
            xmlUnsetProp(node, reinterpret_cast<const xmlChar*>("style"));
        }
        double font_size = parent_font_size;
        for (const auto& [name, entry] : won) {
            const auto& [rank, value] = entry;
            const bool from_css = std::get<0>(rank) > 0;
            if (name == "font-size") {
                font_size = font_size_of(value, parent_font_size);
                xmlSetProp(node, xml(name), xml(number(font_size)));
                continue;
            }
            if (name == "transform-origin" || value == "auto") continue;
            if (!from_css) continue;  // the attribute stands
            if (!is_presentation_attribute(name) && !is_geometry_property(name, node)) {
                // Other properties go in as attributes when the element has no such attribute.
                if (xmlHasNsProp(node, xml(name), nullptr)) continue;
            }
            xmlSetProp(node, xml(name), xml(attribute_value(name, value)));
        }
        if (auto origin = won.find("transform-origin"); origin != won.end()) {
            const auto transform = own_attribute(node, "transform");
            const auto at =
                origin_of(origin->second.second, viewport.width, viewport.height, font_size);
            if (transform && at && !trim(*transform).empty()) {
                const std::string o = number(at->first) + " " + number(at->second);
                const std::string back = number(-at->first) + " " + number(-at->second);
                xmlSetProp(node, xml("transform"),
                           xml("translate(" + o + ") " + *transform + " translate(" + back + ")"));
            }
        }
        put_first(node, "font-size");
        return font_size;
    }

    std::vector<Rule> rules_;
    long steps_ = 0;
};

}  // namespace

std::string svg_transform_of_css(const std::string& css) {
    std::string out;
    size_t at = 0;
    while (at < css.size()) {
        const size_t open = css.find('(', at);
        if (open == std::string::npos) break;
        const size_t close = css.find(')', open);
        if (close == std::string::npos) break;
        std::string name = lower(trim(std::string_view(css).substr(at, open - at)));
        // A comma between functions is no part of a name.
        while (!name.empty() &&
               (name[0] == ',' || std::isspace(static_cast<unsigned char>(name[0]))))
            name.erase(0, 1);
        std::vector<double> args;
        std::string inner = css.substr(open + 1, close - open - 1);
        std::replace(inner.begin(), inner.end(), ',', ' ');
        std::istringstream words(inner);
        bool bad = false;
        for (std::string w; words >> w;) {
            char* end = nullptr;
            double v = std::strtod(w.c_str(), &end);
            if (end == w.c_str()) {
                bad = true;
                break;
            }
            const std::string unit = lower(end);
            if (unit == "rad")
                v *= 180 / std::numbers::pi;
            else if (unit == "grad")
                v *= 0.9;
            else if (unit == "turn")
                v *= 360;
            else if (unit == "pt")
                v *= 96.0 / 72;
            else if (unit == "mm")
                v *= 96 / 25.4;
            else if (unit == "cm")
                v *= 96 / 2.54;
            else if (unit == "in")
                v *= 96;
            args.push_back(v);
        }
        at = close + 1;
        if (bad || args.empty()) continue;
        const auto arg = [&](size_t i, double otherwise) {
            return i < args.size() ? args[i] : otherwise;
        };
        std::string svg;
        if (name == "translatex")
            svg = "translate(" + number(args[0]) + " 0)";
        else if (name == "translatey")
            svg = "translate(0 " + number(args[0]) + ")";
        else if (name == "translate")
            svg = "translate(" + number(args[0]) + " " + number(arg(1, 0)) + ")";
        else if (name == "scalex")
            svg = "scale(" + number(args[0]) + " 1)";
        else if (name == "scaley")
            svg = "scale(1 " + number(args[0]) + ")";
        else if (name == "scale")
            svg = "scale(" + number(args[0]) + " " + number(arg(1, args[0])) + ")";
        else if (name == "rotate" || name == "rotatez") {
            svg = "rotate(" + number(args[0]);
            if (args.size() == 3) svg += " " + number(args[1]) + " " + number(args[2]);
            svg += ")";
        } else if (name == "skewx")
            svg = "skewX(" + number(args[0]) + ")";
        else if (name == "skewy")
            svg = "skewY(" + number(args[0]) + ")";
        else if (name == "skew") {
            const double tx = std::tan(args[0] * std::numbers::pi / 180);
            const double ty = std::tan(arg(1, 0) * std::numbers::pi / 180);
            svg = "matrix(1 " + number(ty) + " " + number(tx) + " 1 0 0)";
        } else if (name == "matrix" && args.size() == 6) {
            svg = "matrix(";
            for (size_t i = 0; i < 6; ++i) svg += (i ? " " : "") + number(args[i]);
            svg += ")";
        }
        if (!svg.empty()) out += (out.empty() ? "" : " ") + svg;
    }
    return out;
}

double font_size_of(const std::string& css, double parent) {
    static const std::map<std::string, double> kKeywords = {
        {"xx-small", 9}, {"x-small", 10}, {"small", 13},   {"medium", 16},
        {"large", 18},   {"x-large", 24}, {"xx-large", 32}};
    const std::string v = lower(trim(css));
    if (auto it = kKeywords.find(v); it != kKeywords.end()) return it->second;
    if (v == "larger") return parent * 1.2;
    if (v == "smaller") return parent / 1.2;
    const auto size = length_of(v, parent, parent);
    return size && *size > 0 ? *size : parent;
}

void cascade_styles(xmlNode* root) {
    std::vector<Rule> rules;
    const std::function<void(xmlNode*)> sheets = [&](xmlNode* node) {
        for (; node; node = node->next) {
            if (node->type != XML_ELEMENT_NODE) continue;
            if (xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>("style")) == 0) {
                const std::string type = lower(own_attribute(node, "type").value_or("text/css"));
                if (type.empty() || type == "text/css") {
                    xmlChar* text = xmlNodeGetContent(node);
                    const std::string css = strip_comments(text ? c_str(text) : "");
                    xmlFree(text);
                    std::vector<Rule> found;
                    parse_sheet(css, found);
                    for (Rule& r : found) {
                        r.order = rules.size();
                        rules.push_back(std::move(r));
                    }
                }
                continue;
            }
            sheets(node->children);
        }
    };
    sheets(root);
    Cascade(std::move(rules)).apply(root, 16, Viewport{});
}

}  // namespace tvk::host

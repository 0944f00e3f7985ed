#include "instutils/Switches.h"

#include <vector>

#include "instutils/CommandLine.h"

const char* const ComponentSwitchNames[5] = {"spell", "hyphen", "templates", "clips", "sounds"};
const char* const AssociateSwitchNames[4] = {"rtf", "cod", "doc", "docx"};

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

std::string UpperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = Upper(c);
    return out;
}

struct TSwitch {
    std::string Name;  // upper case, without its "/" or "-"
    bool HasValue = false;
    std::string Value;
};

std::optional<TSwitch> SplitSwitch(const std::string& arg) {
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) return std::nullopt;
    TSwitch s;
    const size_t eq = arg.find('=');
    s.Name = UpperAscii(std::string_view(arg).substr(1, eq == std::string::npos ? eq : eq - 1));
    if (eq != std::string::npos) {
        s.HasValue = true;
        s.Value = arg.substr(eq + 1);
    }
    return s;
}

// Where NSIS's /D= starts (its blank), or npos: the last " /D=" or " -D="
// that no quote follows and that lies outside quotes.
size_t NsisDirStart(std::string_view line) {
    for (size_t i = line.size(); i-- > 0;) {
        if (line[i] == '"') return std::string_view::npos;
        if (i + 4 > line.size() || !IsBlank(line[i])) continue;
        if ((line[i + 1] != '/' && line[i + 1] != '-') || Upper(line[i + 2]) != 'D' ||
            line[i + 3] != '=')
            continue;
        size_t quotes = 0;
        for (size_t j = 0; j < i; ++j) quotes += line[j] == '"';
        return quotes % 2 == 0 ? i : std::string_view::npos;
    }
    return std::string_view::npos;
}

std::string TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return std::string(s);
}

// The items of a comma-separated list, each matched against `names`
// without regard to case; bit i for names[i]. Nothing when an item is not
// a name, with that item in `bad`.
std::optional<uint32_t> ListBits(const std::string& list, const char* const* names, size_t count,
                                 std::string& bad) {
    uint32_t bits = 0;
    size_t at = 0;
    while (at <= list.size()) {
        size_t comma = list.find(',', at);
        if (comma == std::string::npos) comma = list.size();
        const std::string item = TrimBlanks(std::string_view(list).substr(at, comma - at));
        if (!item.empty() || comma < list.size()) {
            size_t i = 0;
            while (i < count) {
                std::string name = names[i];
                std::string lowered = item;
                for (char& c : lowered) c = Lower(c);
                if (lowered == name) break;
                ++i;
            }
            if (i == count) {
                bad = item;
                return std::nullopt;
            }
            bits |= 1u << i;
        }
        at = comma + 1;
    }
    return bits;
}

std::string JoinNames(const char* const* names, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) text += (i ? ", " : "") + std::string(names[i]);
    return text;
}

// What the switches of both programs share: the modes and the log.
// Returns false when `s` is none of them.
bool TakeCommonSwitch(const TSwitch& s, const std::string& arg, TRunMode& mode,
                      std::string& logFile, std::string& error) {
    auto flag = [&] {
        if (s.HasValue && error.empty()) error = "The switch " + arg + " takes no value.";
    };
    if (s.Name == "SILENT") {
        flag();
        if (mode == TRunMode::Wizard) mode = TRunMode::Silent;
    } else if (s.Name == "VERYSILENT" || s.Name == "S") {
        flag();
        mode = TRunMode::VerySilent;
    } else if (s.Name == "LOG") {
        if (s.Value.empty() && error.empty())
            error = "The switch " + arg + " needs a file name, as in /LOG=\"C:\\setup.log\".";
        logFile = s.Value;
    } else {
        return false;
    }
    return true;
}

}  // namespace

TSetupCommand ParseSetupCommand(std::string_view line) {
    TSetupCommand c;
    auto refuse = [&c](std::string text) {
        if (c.Error.empty()) c.Error = std::move(text);
    };
    std::string_view head = line;
    const size_t nsis = NsisDirStart(line);
    if (nsis != std::string_view::npos) {
        c.Dir = TrimBlanks(line.substr(nsis + 4));
        head = line.substr(0, nsis);
    }
    const std::vector<std::string> args = SplitCommandLine(head);
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const std::optional<TSwitch> s = SplitSwitch(arg);
        const bool dirSwitch = s && s->HasValue && (s->Name == "DIR" || s->Name == "D");
        // The folder switch it always had: first, case-sensitive, verbatim.
        if (i == 1 && arg.compare(0, 2, "-d") == 0 && !dirSwitch) {
            c.Dir = arg.substr(2);
            continue;
        }
        if (!s) {
            refuse("Unknown argument: " + arg);
            continue;
        }
        auto flag = [&] {
            if (s->HasValue) refuse("The switch " + arg + " takes no value.");
        };
        auto value = [&](const char* example) {
            if (s->Value.empty()) refuse("The switch " + arg + " needs a value, as in " + example + ".");
        };
        if (TakeCommonSwitch(*s, arg, c.Mode, c.LogFile, c.Error)) continue;
        if (s->Name == "DIR" || s->Name == "D") {
            value("/DIR=\"C:\\Program Files\\Parvela\"");
            c.Dir = s->Value;
        } else if (s->Name == "COMPONENTS") {
            std::string bad;
            const auto bits = ListBits(s->Value, ComponentSwitchNames, 5, bad);
            if (!bits)
                refuse("Unknown component \"" + bad + "\" in " + arg +
                       ". The components are: " + JoinNames(ComponentSwitchNames, 5) + ".");
            else
                c.Components = 1u | *bits << 1;
        } else if (s->Name == "ASSOCIATE") {
            value("/ASSOCIATE=rtf,doc");
            std::string bad;
            std::optional<uint32_t> bits;
            if (UpperAscii(TrimBlanks(s->Value)) == "NONE")
                bits = 0;
            else
                bits = ListBits(s->Value, AssociateSwitchNames, 4, bad);
            if (!bits) {
                refuse("Unknown document type \"" + bad + "\" in " + arg +
                       ". The types are: " + JoinNames(AssociateSwitchNames, 4) + ", or none.");
            } else {
                std::string letters;
                for (int l = 0; l < 4; ++l)
                    if (*bits >> l & 1) letters += "ABCD"[l];
                c.Extensions = letters;
            }
        } else if (s->Name == "CLOSEAPPLICATIONS") {
            flag();
            c.CloseApplications = true;
        } else if (s->Name == "?" || s->Name == "HELP") {
            flag();
            c.Help = true;
        } else {
            refuse("Unknown switch: " + arg);
        }
    }
    if (c.Dir && c.Dir->empty() && nsis != std::string_view::npos)
        refuse("The switch /D= needs a folder.");
    return c;
}

TUninstallCommand ParseUninstallSwitches(const std::string* first, const std::string* last) {
    TUninstallCommand c;
    for (const std::string* a = first; a != last; ++a) {
        const std::optional<TSwitch> s = SplitSwitch(*a);
        if (s && TakeCommonSwitch(*s, *a, c.Mode, c.LogFile, c.Error)) continue;
        if (c.Error.empty()) c.Error = (s ? "Unknown switch: " : "Unknown argument: ") + *a;
    }
    return c;
}

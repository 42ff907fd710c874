// Command-line options of the console programs: "--opt VALUE" and "--opt=VALUE" read alike.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace text {

// True when `arg` is the option, alone or with "=VALUE".
inline bool isOption(const std::string& arg, const std::string& opt) {
    return arg == opt || arg.compare(0, opt.size() + 1, opt + "=") == 0;
}

// The option's value: after "=", or the next argument (i then points at it). False, with a
// message in *error, when there is none.
inline bool optionValue(const std::vector<std::string>& args, size_t& i, const std::string& opt, std::string* value,
                        std::string* error) {
    const std::string& arg = args[i];
    if (arg.size() > opt.size() && arg.compare(0, opt.size() + 1, opt + "=") == 0) {
        *value = arg.substr(opt.size() + 1);
        return true;
    }
    if (i + 1 >= args.size()) {
        *error = opt + " needs a value";
        return false;
    }
    *value = args[++i];
    return true;
}

// What the twins' "list --format" offers: tab-separated text or JSON.
enum class ListFormat { Tsv, Json };

// Reads a --format value into *format; false, with a message in *error, for any other word.
inline bool listFormat(const std::string& value, ListFormat* format, std::string* error) {
    if (value == "tsv") {
        *format = ListFormat::Tsv;
    } else if (value == "json") {
        *format = ListFormat::Json;
    } else {
        *error = "unknown format '" + value + "' (tsv or json)";
        return false;
    }
    return true;
}

// A command-word program's command line: the first word is the command, the words after it are
// operands; "--" ends the options (so an operand may begin with "-"); -h, --help, /? and
// --version are every program's. Any other option goes to `option`, which reads it (and its
// value: text::optionValue moves i on) and returns false when it is not one of the program's,
// or is malformed with *error set.
struct CommandLine {
    int command = 0;  // 1 + the index of the command word in the list given; 0 when none
    std::vector<std::string> operands;
    bool help = false;
    bool version = false;
};

inline bool parseCommandLine(const std::vector<std::string>& args, const std::vector<std::string>& commands,
                             const std::function<bool(size_t& i, std::string* error)>& option, CommandLine* out,
                             std::string* error) {
    CommandLine c;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
            if (c.command != 0) {
                c.operands.push_back(a);
                continue;
            }
            for (size_t k = 0; k < commands.size() && c.command == 0; ++k)
                if (a == commands[k]) c.command = static_cast<int>(k) + 1;
            if (c.command == 0) {
                *error = "unknown command '" + a + "'";
                return false;
            }
        } else if (a == "--") {
            optionsEnded = true;
        } else if (a == "-h" || a == "--help" || a == "/?") {
            c.help = true;
        } else if (a == "--version") {
            c.version = true;
        } else {
            error->clear();
            if (!option(i, error)) {
                if (error->empty()) *error = "unknown option '" + a + "'";
                return false;
            }
        }
    }
    *out = std::move(c);
    return true;
}

}  // namespace text

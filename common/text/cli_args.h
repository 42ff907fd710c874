// Command-line options of the console programs, and the conventions every one of them keeps:
// "--opt VALUE" and "--opt=VALUE" read alike; -h, --help and /? ask for the usage and --version
// for the version wherever they stand before "--"; a result that cannot be written is a failure.
#pragma once

#include <exception>
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

// What every twin reads alike, before its own options: help (-h, --help, /?) and --version
// wherever they stand before "--" (never when they are the value of an option: "--output
// --help" names a file), and the other words with "--opt=VALUE" of an option in `valued` split
// into "--opt" and "VALUE", so that the program's own reader needs only the spaced form.
struct CommonFlags {
    bool help = false;
    bool version = false;
    std::vector<std::string> rest;  // the words that are the program's own
};

inline CommonFlags readCommonFlags(const std::vector<std::string>& args, const std::vector<std::string>& valued) {
    CommonFlags c;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded) {
            c.rest.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            c.rest.push_back(a);
        } else if (a == "-h" || a == "--help" || a == "/?") {
            c.help = true;
        } else if (a == "--version") {
            c.version = true;
        } else {
            bool split = false;
            for (const std::string& opt : valued) {
                if (a == opt) {  // the value follows: it is the option's, whatever it looks like
                    c.rest.push_back(a);
                    if (i + 1 < args.size()) c.rest.push_back(args[++i]);
                    split = true;
                } else if (a.compare(0, opt.size() + 1, opt + "=") == 0) {
                    c.rest.push_back(opt);
                    c.rest.push_back(a.substr(opt.size() + 1));
                    split = true;
                }
                if (split) break;
            }
            if (!split) c.rest.push_back(a);
        }
    }
    return c;
}

// Runs a twin's command with its result writer watched: a result that could not be written
// turns a run that would have ended 0 into `failed`, with a word on standard error. `Console`
// has `out` (returns false when not written) and `err`.
template <class Console, class Command>
int runWithCheckedOutput(Console& console, const std::string& program, int failed, Command&& command) {
    bool lost = false;
    Console watched = console;
    watched.out = [&console, &lost](const std::string& s) {
        const bool ok = console.out(s);
        if (!ok) lost = true;
        return ok;
    };
    int rc = command(watched);
    if (lost && rc == 0) {
        console.err(program + ": the result could not be written to standard output\n");
        rc = failed;
    }
    return rc;
}

// What a twin says of itself, for runTwin.
struct TwinInfo {
    std::string program;  // "hiverun"
    const char* usage;    // the usage text, ended by a newline
    const char* version;  // the suite's version
    int usageError;       // the exit status of a command line that cannot be used
    int failed;           // the exit status of a run that failed
};

// A twin's whole run: `parse(args, &options, &error)` reads the command line (false: a usage
// error, the message and the usage on standard error); help prints the usage, --version the
// program and version; otherwise `command(options, console)` runs. What the command throws
// (running out of memory) fails the run with a word on standard error, as does a result that
// could not be written (runWithCheckedOutput).
template <class Options, class Console, class Parse, class Command>
int runTwin(const std::vector<std::string>& args, Console& console, const TwinInfo& info, Parse&& parse,
            Command&& command) {
    return runWithCheckedOutput(console, info.program, info.failed, [&](Console& checked) {
        Options o;
        std::string error;
        if (!parse(args, &o, &error)) {
            checked.err(info.program + ": " + error + "\n" + info.usage);
            return info.usageError;
        }
        if (o.help) {
            checked.out(info.usage);
            return 0;
        }
        if (o.version) {
            checked.out(info.program + " " + info.version + "\n");
            return 0;
        }
        try {
            return command(o, checked);
        } catch (const std::exception& e) {
            checked.err(info.program + ": " + e.what() + "\n");
            return info.failed;
        }
    });
}

// A command-word program's command line: the first word is the command, the words after it are
// operands; "--" ends the options (so an operand may begin with "-"); -h, --help, /? and
// --version are every program's and win over anything else wrong on the line. Any other option
// goes to `option`, which reads it (and its value: text::optionValue moves i on) and returns
// false when it is not one of the program's, or is malformed with *error set.
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
    std::string firstError;  // reported unless help or the version is asked for
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsEnded && (a == "-h" || a == "--help" || a == "/?")) {
            c.help = true;
        } else if (!optionsEnded && a == "--version") {
            c.version = true;
        } else if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
            if (c.command != 0) {
                c.operands.push_back(a);
                continue;
            }
            for (size_t k = 0; k < commands.size() && c.command == 0; ++k)
                if (a == commands[k]) c.command = static_cast<int>(k) + 1;
            if (c.command == 0 && firstError.empty()) firstError = "unknown command '" + a + "'";
        } else if (a == "--") {
            optionsEnded = true;
        } else {
            error->clear();
            if (!option(i, error) && firstError.empty())
                firstError = error->empty() ? "unknown option '" + a + "'" : *error;
        }
    }
    if (!firstError.empty() && !c.help && !c.version) {
        *error = firstError;
        return false;
    }
    *out = std::move(c);
    return true;
}

}  // namespace text

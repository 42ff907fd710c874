// Command-line options of the console programs: "--opt VALUE" and "--opt=VALUE" read alike.
#pragma once

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

}  // namespace text

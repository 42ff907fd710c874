// Substitutes of the startup manager's shell services: shortcuts a test defines, a Recycle Bin
// that takes files out of the fake file tree and remembers them, and a fixed environment.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/platform/fake/fake_files.h"
#include "common/platform/startup_shell.h"
#include "common/text/text.h"

namespace plat {

class FakeShellLinks : public ShellLinks {
public:
    // Makes `path` a shortcut (the file is added to `files` too).
    void add(FakeFiles& files, const std::string& path, const std::string& target, const std::string& arguments) {
        files.addFile(path, std::string("L\0\0\0", 4));
        links_[text::toUpper(path)] = ShellLinkInfo{target, arguments};
    }
    long readLink(const std::string& path, ShellLinkInfo* out) override {
        auto it = links_.find(text::toUpper(path));
        if (it == links_.end()) return kNotALink;
        *out = it->second;
        return 0;
    }
    static constexpr long kNotALink = static_cast<long>(0x80004005);  // E_FAIL

private:
    std::map<std::string, ShellLinkInfo> links_;
};

class FakeRecycleBin : public RecycleBin {
public:
    explicit FakeRecycleBin(FakeFiles& files) : files_(files) {}
    long recycle(const std::string& path) override {
        if (failWith) return failWith;
        std::optional<std::string> bytes = files_.readFile(path);
        const long rc = files_.deleteFile(path);
        if (rc == 0) recycled.push_back({path, bytes.value_or("")});
        return rc;
    }
    struct Item {
        std::string path, bytes;
    };
    std::vector<Item> recycled;  // what was moved there, in order
    long failWith = 0;

private:
    FakeFiles& files_;
};

class FakeEnvironment : public Environment {
public:
    void set(const std::string& name, const std::string& value) { vars_[text::toUpper(name)] = value; }
    std::string expand(const std::string& s) override {
        std::string out;
        size_t i = 0;
        while (i < s.size()) {
            size_t open = s.find('%', i);
            size_t close = open == std::string::npos ? open : s.find('%', open + 1);
            if (close == std::string::npos) {
                out += s.substr(i);
                break;
            }
            out += s.substr(i, open - i);
            auto it = vars_.find(text::toUpper(s.substr(open + 1, close - open - 1)));
            out += it != vars_.end() ? it->second : s.substr(open, close - open + 1);  // undefined: kept
            i = close + 1;
        }
        return out;
    }

private:
    std::map<std::string, std::string> vars_;
};

}  // namespace plat

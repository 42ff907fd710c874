#include "common/platform/fake/fake_registry.h"

#include <algorithm>

#include "common/text/text.h"

namespace plat {

namespace {

constexpr uint32_t kMaximumAllowed = 0x02000000;
constexpr uint32_t kGenericRead = 0x80000000u;
constexpr uint32_t kGenericWrite = 0x40000000;
constexpr uint32_t kGenericAll = 0x10000000;
constexpr uint32_t kDelete = 0x10000;
constexpr uint32_t kKeyWrite = 0x20006;
// Rights that change a key: set value, create subkey, create link, delete, write DAC/owner.
constexpr uint32_t kWriteRights = 0x0002 | 0x0004 | 0x0020 | kDelete | 0x40000 | 0x80000;
constexpr size_t kMaxKeyNameChars = 256;  // what Wine accepts (Windows documents 255)
constexpr size_t kMaxValueNameChars = 16383;
constexpr long kErrorBadPathname = 161;

// Subkeys are enumerated in Wine's order: case-insensitive by lower-cased UTF-16 units.
// (Windows upper-cases instead; the two differ only where "[\\]^_`" meet letters.)
struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const {
        // ASCII fast path: most names are plain ASCII, and lower-casing a byte is enough there.
        const size_t n0 = std::min(a.size(), b.size());
        size_t i = 0;
        for (; i < n0; ++i) {
            const auto ca = static_cast<unsigned char>(a[i]);
            const auto cb = static_cast<unsigned char>(b[i]);
            if (ca >= 0x80 || cb >= 0x80) break;
            const int la = (ca >= 'A' && ca <= 'Z') ? ca + 0x20 : ca;
            const int lb = (cb >= 'A' && cb <= 'Z') ? cb + 0x20 : cb;
            if (la != lb) return la < lb;
        }
        if (i == n0) return a.size() < b.size();
        const std::u16string wa = text::toUtf16(a);
        const std::u16string wb = text::toUtf16(b);
        const size_t n = std::min(wa.size(), wb.size());
        for (size_t i = 0; i < n; ++i) {
            const char16_t la = text::lowerUnit(wa[i]);
            const char16_t lb = text::lowerUnit(wb[i]);
            if (la != lb) return la < lb;
        }
        return wa.size() < wb.size();
    }
};

size_t units(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return text::toUtf16(s).size();
    return s.size();
}

uint32_t mapGeneric(uint32_t sam) {
    sam &= ~(kKeyWow64_32Key | kKeyWow64_64Key);
    if (sam & kGenericRead) sam = (sam & ~kGenericRead) | kKeyRead;
    if (sam & kGenericWrite) sam = (sam & ~kGenericWrite) | kKeyWrite;
    if (sam & kGenericAll) sam = (sam & ~kGenericAll) | kKeyAllAccess;
    return sam;
}

std::vector<std::string_view> pathParts(std::string_view path) {
    std::vector<std::string_view> parts;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t end = path.find('\\', pos);
        if (end == std::string_view::npos) end = path.size();
        if (end > pos) parts.push_back(path.substr(pos, end - pos));
        pos = end + 1;
    }
    return parts;
}

bool eqNoCase(std::string_view a, std::string_view b) { return text::equalNoCase(std::string(a), std::string(b)); }

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && eqNoCase(s.substr(0, prefix.size()), prefix);
}

}  // namespace

// The 32-bit view's redirection (redirect32) is in fake_registry_view.cpp.

struct FakeRegistry::Node {
    struct Value {
        std::string name;
        uint32_t type = 0;
        std::vector<uint8_t> data;
    };
    std::string name;
    std::weak_ptr<Node> parent;
    std::map<std::string, std::shared_ptr<Node>, NoCaseLess> children;
    // Where the last enumeration of this key's subkeys stopped; cleared when they change.
    bool cursorValid = false;
    uint32_t cursorIndex = 0;
    std::map<std::string, std::shared_ptr<Node>, NoCaseLess>::iterator cursorIt;
    std::vector<Value> values;
    bool deleted = false;
    bool pinned = false;  // predefined roots and the keys they alias
    bool denied = false;
    bool readOnly = false;
    // A symbolic link: the full name of the key it leads to ("\REGISTRY\MACHINE\..."); "" for
    // an ordinary key. Opening a path through a link goes on at its target.
    std::string linkTarget;

    Value* findValue(std::string_view n) {
        for (auto& v : values)
            if (text::equalNoCase(v.name, n)) return &v;
        return nullptr;
    }
};

FakeRegistry::FakeRegistry() {
    for (RegHandle h = kHkeyClassesRoot; h <= kHkeyDynData; ++h) {
        auto n = std::make_shared<Node>();
        n->pinned = true;
        roots_[h] = n;
    }
    auto alias = [](const std::shared_ptr<Node>& parent, const std::string& name, const std::shared_ptr<Node>& node) {
        node->name = name;
        node->parent = parent;
        parent->children[name] = node;
        parent->cursorValid = false;
    };
    alias(roots_[kHkeyUsers], "S-1-5-21-0-0-0-1000", roots_[kHkeyCurrentUser]);
    auto software = std::make_shared<Node>();
    software->pinned = true;
    alias(roots_[kHkeyLocalMachine], "Software", software);
    alias(software, "Classes", roots_[kHkeyClassesRoot]);
}

FakeRegistry::~FakeRegistry() = default;

std::shared_ptr<FakeRegistry::Node> FakeRegistry::rootNode(RegHandle root) const {
    auto it = roots_.find(root);
    return it == roots_.end() ? nullptr : it->second;
}

long FakeRegistry::resolve(RegHandle key, std::shared_ptr<Node>* node, uint32_t* access) const {
    if (auto root = rootNode(key)) {
        *node = root;
        *access = kKeyAllAccess;
        return kErrorSuccess;
    }
    auto it = handles_.find(key);
    if (it == handles_.end()) return kErrorInvalidHandle;
    if (it->second.node->deleted) return kErrorKeyDeleted;
    *node = it->second.node;
    *access = it->second.access;
    return kErrorSuccess;
}

namespace {
constexpr int kMaxLinkHops = 16;  // a chain of links longer than this leads nowhere
constexpr const char* kMachineName = "\\REGISTRY\\MACHINE";
constexpr const char* kUsersName = "\\REGISTRY\\USER";
}  // namespace

std::shared_ptr<FakeRegistry::Node> FakeRegistry::child(const std::shared_ptr<Node>& node, std::string_view name,
                                                        int hops) const {
    auto it = node->children.find(std::string(name));
    if (it == node->children.end()) return nullptr;
    if (it->second->linkTarget.empty()) return it->second;
    return hops >= kMaxLinkHops ? nullptr : byFullName(it->second->linkTarget, hops + 1);
}

std::shared_ptr<FakeRegistry::Node> FakeRegistry::byFullName(std::string_view fullName, int hops) const {
    std::shared_ptr<Node> cur;
    if (startsWithNoCase(fullName, kMachineName)) {
        cur = rootNode(kHkeyLocalMachine);
        fullName.remove_prefix(std::string_view(kMachineName).size());
    } else if (startsWithNoCase(fullName, kUsersName)) {
        cur = rootNode(kHkeyUsers);
        fullName.remove_prefix(std::string_view(kUsersName).size());
    } else {
        return nullptr;
    }
    if (!fullName.empty() && fullName.front() != '\\') return nullptr;
    for (auto part : pathParts(fullName)) {
        cur = child(cur, part, hops);
        if (!cur) return nullptr;
    }
    return cur;
}

std::string FakeRegistry::fullNameOf(const std::shared_ptr<Node>& node, RegHandle* root) const {
    std::vector<const Node*> chain;
    std::shared_ptr<Node> top = node;
    for (std::shared_ptr<Node> p = node; p; p = p->parent.lock()) top = p;
    for (const Node* n = node.get(); n && n != top.get(); n = n->parent.lock().get()) chain.push_back(n);
    std::string out;
    RegHandle r = 0;
    if (top == rootNode(kHkeyLocalMachine)) {
        out = kMachineName;
        r = kHkeyLocalMachine;
    } else if (top == rootNode(kHkeyUsers)) {
        out = kUsersName;
        r = kHkeyUsers;
    } else {
        // The other roots have no place of their own below \REGISTRY in this store.
        for (const auto& [h, n] : roots_)
            if (n == top) out = "\\REGISTRY\\ROOT" + std::to_string(h - kHkeyClassesRoot);
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) out += "\\" + (*it)->name;
    if (root) *root = r;
    return out;
}

std::shared_ptr<FakeRegistry::Node> FakeRegistry::find(const std::shared_ptr<Node>& from, std::string_view path) const {
    std::shared_ptr<Node> cur = from;
    for (auto part : pathParts(path)) {
        cur = child(cur, part, 0);
        if (!cur) return nullptr;
    }
    return cur;
}

std::shared_ptr<FakeRegistry::Node> FakeRegistry::findOrCreate(const std::shared_ptr<Node>& from,
                                                               std::string_view path) {
    std::shared_ptr<Node> cur = from;
    for (auto part : pathParts(path)) {
        std::string name(part);
        auto it = cur->children.find(name);
        if (it == cur->children.end()) {
            auto n = std::make_shared<Node>();
            n->name = name;
            n->parent = cur;
            it = cur->children.emplace(name, n).first;
            cur->cursorValid = false;
        }
        cur = it->second->linkTarget.empty() ? it->second : child(cur, name, 0);
        if (!cur) return nullptr;
    }
    return cur;
}

RegHandle FakeRegistry::newHandle(std::shared_ptr<Node> node, uint32_t access) {
    const RegHandle h = nextHandle_;
    nextHandle_ += 4;
    handles_[h] = OpenHandle{std::move(node), access};
    ++openCalls_;
    return h;
}

// Where an open from `base` by `subKey` starts and which names it follows: the names as given,
// or, for the 32-bit view, the redirected path from the root.
void FakeRegistry::viewPath(std::shared_ptr<Node>* base, std::vector<std::string>* parts, uint32_t sam) const {
    if (!(sam & kKeyWow64_32Key)) return;
    RegHandle root = 0;
    const std::string name = fullNameOf(*base, &root);
    if (root == 0) return;
    std::vector<std::string> full;
    const std::string_view rootName = root == kHkeyLocalMachine ? kMachineName : kUsersName;
    for (auto p : pathParts(std::string_view(name).substr(rootName.size()))) full.emplace_back(p);
    full.insert(full.end(), parts->begin(), parts->end());
    const size_t before = full.size();
    redirect32(root, full);
    if (full.size() == before) return;
    *base = rootNode(root);
    *parts = std::move(full);
}

long FakeRegistry::open(RegHandle parent, std::string_view subKey, uint32_t sam, bool maximumAllowed, bool create,
                        RegHandle* out, bool* created) {
    if (created) *created = false;
    if (!out) return kErrorInvalidParameter;
    *out = 0;
    std::shared_ptr<Node> base;
    uint32_t parentAccess = 0;
    if (long rc = resolve(parent, &base, &parentAccess); rc != kErrorSuccess) return rc;
    if (parent == kHkeyPerformanceData) return kErrorInvalidHandle;
    if (!subKey.empty() && subKey.front() == '\\') {
        if (parent != kHkeyClassesRoot) return kErrorBadPathname;
        subKey.remove_prefix(1);
    }
    std::vector<std::string> parts;
    for (auto part : pathParts(subKey)) {
        if (units(part) > kMaxKeyNameChars) return kErrorInvalidParameter;
        parts.emplace_back(part);
    }
    viewPath(&base, &parts, sam);

    std::shared_ptr<Node> node = base;
    for (const std::string& part : parts) {
        auto it = node->children.find(part);
        if (it != node->children.end()) {
            node = it->second->linkTarget.empty() ? it->second : child(node, part, 0);
            if (!node) return kErrorFileNotFound;  // a link that leads nowhere
            continue;
        }
        if (!create) return kErrorFileNotFound;
        if (node->denied || node->readOnly) return kErrorAccessDenied;
        auto n = std::make_shared<Node>();
        n->name = part;
        n->parent = node;
        node->children.emplace(n->name, n);
        node->cursorValid = false;
        node = n;
        if (created) *created = true;
    }

    uint32_t access;
    if (maximumAllowed) {
        if (node->denied) return kErrorAccessDenied;
        access = node->readOnly ? kKeyRead : kKeyAllAccess;
    } else {
        access = mapGeneric(sam);
        if (access & kMaximumAllowed) access = node->readOnly ? kKeyRead : kKeyAllAccess;
        if (node->denied) return kErrorAccessDenied;
        if (node->readOnly && (access & kWriteRights)) return kErrorAccessDenied;
    }
    *out = newHandle(node, access);
    return kErrorSuccess;
}

long FakeRegistry::openKey(RegHandle parent, std::string_view subKey, RegHandle* out) {
    if (!out) return kErrorInvalidParameter;
    if (subKey.empty()) {
        // RegOpenKeyW hands back the very handle it was given.
        std::shared_ptr<Node> node;
        uint32_t access;
        *out = 0;
        if (long rc = resolve(parent, &node, &access); rc != kErrorSuccess) return rc;
        *out = parent;
        return kErrorSuccess;
    }
    return open(parent, subKey, 0, true, false, out, nullptr);
}

long FakeRegistry::openKeyEx(RegHandle parent, std::string_view subKey, uint32_t sam, RegHandle* out) {
    return open(parent, subKey, sam, false, false, out, nullptr);
}

long FakeRegistry::createKey(RegHandle parent, std::string_view subKey, RegHandle* out) {
    return open(parent, subKey, 0, true, true, out, nullptr);
}

long FakeRegistry::createKeyEx(RegHandle parent, std::string_view subKey, uint32_t sam, RegHandle* out, bool* created) {
    return open(parent, subKey, sam, false, true, out, created);
}

long FakeRegistry::enumKey(RegHandle key, uint32_t index, uint32_t bufferChars, std::string* name) {
    if (name) name->clear();
    std::shared_ptr<Node> node;
    uint32_t access;
    if (long rc = resolve(key, &node, &access); rc != kErrorSuccess) return rc;
    if (!(access & kKeyEnumerateSubKeys)) return kErrorAccessDenied;
    if (index >= node->children.size()) return kErrorNoMoreItems;
    // A walk asks for index 0, 1, 2, ... of one key: continue from the last answer instead of
    // counting from the start each time. Any change of a key's subkeys forgets the cursor.
    auto it = node->children.begin();
    if (node->cursorValid && node->cursorIndex <= index) {
        it = node->cursorIt;
        std::advance(it, index - node->cursorIndex);
    } else {
        std::advance(it, index);
    }
    node->cursorValid = true;
    node->cursorIndex = index;
    node->cursorIt = it;
    if (units(it->second->name) >= bufferChars) return kErrorMoreData;
    if (name) *name = it->second->name;
    return kErrorSuccess;
}

namespace {

long copyData(const std::vector<uint8_t>& stored, std::vector<uint8_t>* data, uint32_t* dataBytes) {
    if (data && !dataBytes) return kErrorInvalidParameter;
    if (data) data->clear();
    long rc = kErrorSuccess;
    if (data) {
        if (stored.size() > *dataBytes)
            rc = kErrorMoreData;
        else
            *data = stored;
    }
    if (dataBytes) *dataBytes = static_cast<uint32_t>(stored.size());
    return rc;
}

}  // namespace

long FakeRegistry::enumValue(RegHandle key, uint32_t index, std::string* name, uint32_t* nameChars, uint32_t* type,
                             std::vector<uint8_t>* data, uint32_t* dataBytes) {
    if (name) name->clear();
    if (data) data->clear();
    if (!nameChars) return kErrorInvalidParameter;
    if (data && !dataBytes) return kErrorInvalidParameter;
    std::shared_ptr<Node> node;
    uint32_t access;
    if (long rc = resolve(key, &node, &access); rc != kErrorSuccess) return rc;
    if (!(access & kKeyQueryValue)) return kErrorAccessDenied;
    if (index >= node->values.size()) return kErrorNoMoreItems;
    const Node::Value& v = node->values[index];
    const auto len = static_cast<uint32_t>(units(v.name));
    if (len >= *nameChars) return kErrorMoreData;
    if (name) *name = v.name;
    *nameChars = len;
    if (type) *type = v.type;
    return copyData(v.data, data, dataBytes);
}

long FakeRegistry::queryValueEx(RegHandle key, std::string_view name, uint32_t* type, std::vector<uint8_t>* data,
                                uint32_t* dataBytes) {
    if (data) data->clear();
    if (data && !dataBytes) return kErrorInvalidParameter;
    std::shared_ptr<Node> node;
    uint32_t access;
    if (long rc = resolve(key, &node, &access); rc != kErrorSuccess) return rc;
    if (!(access & kKeyQueryValue)) return kErrorAccessDenied;
    const Node::Value* v = node->findValue(name);
    if (!v) return kErrorFileNotFound;
    if (type) *type = v->type;
    return copyData(v->data, data, dataBytes);
}

long FakeRegistry::queryInfoKey(RegHandle key, KeyInfo* info) {
    std::shared_ptr<Node> node;
    uint32_t access;
    if (long rc = resolve(key, &node, &access); rc != kErrorSuccess) return rc;
    // No access right is needed for the counts (as Wine answers).
    if (!info) return kErrorSuccess;
    *info = KeyInfo{};
    info->subKeys = static_cast<uint32_t>(node->children.size());
    info->values = static_cast<uint32_t>(node->values.size());
    for (const auto& [n, child] : node->children)
        info->maxSubKeyLen = std::max(info->maxSubKeyLen, static_cast<uint32_t>(units(child->name)));
    for (const auto& v : node->values) {
        info->maxValueNameLen = std::max(info->maxValueNameLen, static_cast<uint32_t>(units(v.name)));
        info->maxValueLen = std::max(info->maxValueLen, static_cast<uint32_t>(v.data.size()));
    }
    return kErrorSuccess;
}

long FakeRegistry::setValueEx(RegHandle key, std::string_view name, uint32_t type, const uint8_t* data,
                              uint32_t bytes) {
    std::shared_ptr<Node> node;
    uint32_t access;
    if (long rc = resolve(key, &node, &access); rc != kErrorSuccess) return rc;
    if (!(access & kKeySetValue)) return kErrorAccessDenied;
    if (units(name) > kMaxValueNameChars) return kErrorInvalidParameter;
    if (!data && bytes) return kErrorInvalidParameter;
    std::vector<uint8_t> bytesCopy(data, data + bytes);
    if (Node::Value* v = node->findValue(name)) {
        v->type = type;
        v->data = std::move(bytesCopy);
    } else {
        node->values.push_back(Node::Value{std::string(name), type, std::move(bytesCopy)});
    }
    return kErrorSuccess;
}

long FakeRegistry::deleteValue(RegHandle key, std::string_view name) {
    std::shared_ptr<Node> node;
    uint32_t access;
    if (long rc = resolve(key, &node, &access); rc != kErrorSuccess) return rc;
    if (!(access & kKeySetValue)) return kErrorAccessDenied;
    auto it = std::find_if(node->values.begin(), node->values.end(),
                           [&](const Node::Value& v) { return text::equalNoCase(v.name, name); });
    if (it == node->values.end()) return kErrorFileNotFound;
    node->values.erase(it);
    return kErrorSuccess;
}

long FakeRegistry::deleteKey(RegHandle parent, std::string_view subKey) {
    return deleteKeyEx(parent, subKey, kKeyWow64_64Key);
}

long FakeRegistry::deleteKeyEx(RegHandle parent, std::string_view subKey, uint32_t sam) {
    std::shared_ptr<Node> base;
    uint32_t access;
    if (long rc = resolve(parent, &base, &access); rc != kErrorSuccess) return rc;
    std::shared_ptr<Node> node;
    if (subKey.empty()) {
        if (!(access & kDelete)) return kErrorAccessDenied;
        node = base;
    } else {
        if (subKey.front() == '\\') return kErrorBadPathname;
        std::vector<std::string> parts;
        for (auto part : pathParts(subKey)) {
            if (units(part) > kMaxKeyNameChars) return kErrorInvalidParameter;
            parts.emplace_back(part);
        }
        viewPath(&base, &parts, sam);
        // As on Windows, a link on the way is followed, the last name's too: its target goes.
        node = base;
        for (const std::string& part : parts) {
            node = child(node, part, 0);
            if (!node) return kErrorFileNotFound;
        }
    }
    if (node->denied || node->readOnly || node->pinned) return kErrorAccessDenied;
    if (!node->children.empty()) return kErrorAccessDenied;
    if (auto p = node->parent.lock()) {
        p->children.erase(node->name);
        p->cursorValid = false;
    }
    node->deleted = true;
    return kErrorSuccess;
}

long FakeRegistry::queryKeyName(RegHandle key, std::string* name) {
    if (name) name->clear();
    std::shared_ptr<Node> node;
    uint32_t access;
    if (long rc = resolve(key, &node, &access); rc != kErrorSuccess) return rc;
    if (name) *name = fullNameOf(node, nullptr);
    return kErrorSuccess;
}

bool FakeRegistry::removeLink(RegHandle root, std::string_view path) {
    auto r = rootNode(root);
    if (!r) return false;
    const size_t cut = path.rfind('\\');
    std::shared_ptr<Node> owner = cut == std::string_view::npos ? r : find(r, path.substr(0, cut));
    if (!owner) return false;
    auto it = owner->children.find(std::string(cut == std::string_view::npos ? path : path.substr(cut + 1)));
    if (it == owner->children.end() || it->second->linkTarget.empty()) return false;
    it->second->deleted = true;
    owner->children.erase(it);
    owner->cursorValid = false;
    return true;
}

bool FakeRegistry::addLink(RegHandle root, std::string_view path, RegHandle targetRoot, std::string_view targetPath) {
    auto r = rootNode(root);
    auto t = rootNode(targetRoot);
    if (!r || !t) return false;
    const auto parts = pathParts(path);
    if (parts.empty()) return false;
    const size_t cut = path.rfind('\\');
    std::shared_ptr<Node> owner = cut == std::string_view::npos ? r : findOrCreate(r, path.substr(0, cut));
    if (!owner) return false;
    const std::string name(parts.back());
    if (owner->children.count(name)) return false;
    std::shared_ptr<Node> target = findOrCreate(t, targetPath);
    auto n = std::make_shared<Node>();
    n->name = name;
    n->parent = owner;
    n->linkTarget = fullNameOf(target, nullptr);
    owner->children.emplace(name, n);
    owner->cursorValid = false;
    return true;
}

long FakeRegistry::closeKey(RegHandle key) {
    if (rootNode(key)) return kErrorSuccess;
    return handles_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

void FakeRegistry::markAccessDenied(RegHandle root, std::string_view path) {
    if (auto r = rootNode(root))
        if (auto n = findOrCreate(r, path)) n->denied = true;
}

void FakeRegistry::markReadOnly(RegHandle root, std::string_view path) {
    if (auto r = rootNode(root))
        if (auto n = findOrCreate(r, path)) n->readOnly = true;
}

void FakeRegistry::clearMarks(RegHandle root, std::string_view path) {
    if (auto r = rootNode(root))
        if (auto n = find(r, path)) n->denied = n->readOnly = false;
}

size_t FakeRegistry::openHandleCount() const { return handles_.size(); }

bool FakeRegistry::keyExists(RegHandle root, std::string_view path) const {
    auto r = rootNode(root);
    return r && find(r, path);
}

bool FakeRegistry::getValue(RegHandle root, std::string_view path, std::string_view name, uint32_t* type,
                            std::vector<uint8_t>* data) const {
    auto r = rootNode(root);
    if (!r) return false;
    auto n = find(r, path);
    if (!n) return false;
    const Node::Value* v = n->findValue(name);
    if (!v) return false;
    if (type) *type = v->type;
    if (data) *data = v->data;
    return true;
}

}  // namespace plat

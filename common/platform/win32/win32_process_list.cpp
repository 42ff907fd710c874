#include "common/platform/win32/win32_process_list.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cwchar>
#include <string>
#include <vector>

#include "common/text/text.h"

namespace plat {

namespace {

HANDLE toHandle(std::uintptr_t h) { return reinterpret_cast<HANDLE>(h); }

std::string narrow(const wchar_t* s, size_t capacity) {
    return text::fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(s), wcsnlen(s, capacity)));
}

bool fetch(plat::SnapshotHandle snapshot, plat::ProcessEntry* entry, bool first) {
    PROCESSENTRY32W e{};
    e.dwSize = sizeof(e);  // the structure's real size for this build
    BOOL ok = first ? Process32FirstW(toHandle(snapshot), &e) : Process32NextW(toHandle(snapshot), &e);
    if (!ok) return false;
    entry->processId = e.th32ProcessID;
    entry->parentProcessId = e.th32ParentProcessID;
    entry->exeFile = narrow(e.szExeFile, sizeof(e.szExeFile) / sizeof(e.szExeFile[0]));
    return true;
}

uint64_t fromFileTime(const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

}  // namespace

plat::SnapshotHandle Win32ProcessList::createSnapshot() {
    HANDLE h = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    return h == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<std::uintptr_t>(h);
}

bool Win32ProcessList::firstProcess(plat::SnapshotHandle snapshot, plat::ProcessEntry* entry) {
    return fetch(snapshot, entry, true);
}

bool Win32ProcessList::nextProcess(plat::SnapshotHandle snapshot, plat::ProcessEntry* entry) {
    return fetch(snapshot, entry, false);
}

void Win32ProcessList::closeSnapshot(plat::SnapshotHandle snapshot) {
    if (snapshot) CloseHandle(toHandle(snapshot));
}

plat::ProcessHandle Win32ProcessList::openProcess(uint32_t access, uint32_t processId, long* error) {
    HANDLE h = OpenProcess(access, FALSE, processId);
    if (error) *error = h ? 0 : static_cast<long>(GetLastError());
    return reinterpret_cast<std::uintptr_t>(h);
}

long Win32ProcessList::imagePath(plat::ProcessHandle process, std::string* path) {
    // Paths may be far longer than 260 characters: grow the buffer until the name fits.
    for (DWORD capacity = 1024; capacity <= 65536; capacity *= 4) {
        std::wstring buffer(capacity, L'\0');
        DWORD size = capacity;
        if (QueryFullProcessImageNameW(toHandle(process), 0, buffer.data(), &size)) {
            *path = narrow(buffer.data(), size);
            return 0;
        }
        DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER) return static_cast<long>(error);
    }
    return ERROR_INSUFFICIENT_BUFFER;
}

long Win32ProcessList::terminateProcess(plat::ProcessHandle process, uint32_t exitCode) {
    return TerminateProcess(toHandle(process), exitCode) ? 0 : static_cast<long>(GetLastError());
}

bool Win32ProcessList::waitForExit(plat::ProcessHandle process, uint32_t timeoutMs) {
    return WaitForSingleObject(toHandle(process), timeoutMs) == WAIT_OBJECT_0;
}

void Win32ProcessList::closeHandle(plat::ProcessHandle process) {
    if (process) CloseHandle(toHandle(process));
}

uint32_t Win32ProcessList::currentProcessId() { return GetCurrentProcessId(); }

long Win32ProcessList::setDebugPrivilege(bool enable, bool* wasEnabled) {
    // A system without security tokens reports itself with the high bit of its version.
    if (static_cast<LONG>(GetVersion()) < 0) return ERROR_CALL_NOT_IMPLEMENTED;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return static_cast<long>(GetLastError());
    long result = 0;
    LUID luid{};
    if (!LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &luid)) {
        result = static_cast<long>(GetLastError());
    } else {
        TOKEN_PRIVILEGES wanted{};
        wanted.PrivilegeCount = 1;
        wanted.Privileges[0].Luid = luid;
        wanted.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
        TOKEN_PRIVILEGES previous{};
        DWORD previousSize = sizeof(previous);
        if (!AdjustTokenPrivileges(token, FALSE, &wanted, sizeof(previous), &previous, &previousSize)) {
            result = static_cast<long>(GetLastError());
        } else {
            // Success may still mean "not all assigned" when the token lacks the privilege.
            result = static_cast<long>(GetLastError());
            if (result == 0 && wasEnabled) {
                // No previous entry: nothing changed, so the state already was the one asked for.
                *wasEnabled = previous.PrivilegeCount == 0
                                  ? enable
                                  : (previous.Privileges[0].Attributes & SE_PRIVILEGE_ENABLED) != 0;
            }
        }
    }
    CloseHandle(token);
    return result;
}

long Win32ProcessList::processTimes(plat::ProcessHandle process, plat::ProcessTimes* times) {
    FILETIME creation{}, exit{}, kernel{}, user{};
    if (!GetProcessTimes(toHandle(process), &creation, &exit, &kernel, &user)) return static_cast<long>(GetLastError());
    times->creation = fromFileTime(creation);
    times->kernel = fromFileTime(kernel);
    times->user = fromFileTime(user);
    return 0;
}

long Win32ProcessList::privateBytes(plat::ProcessHandle process, uint64_t* bytes) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(toHandle(process), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof(counters)))
        return static_cast<long>(GetLastError());
    *bytes = counters.PrivateUsage;
    return 0;
}

long Win32ProcessList::processUser(plat::ProcessHandle process, std::string* user) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(toHandle(process), TOKEN_QUERY, &token)) return static_cast<long>(GetLastError());
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size ? size : sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE);
    long result = 0;
    if (!GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &size)) {
        result = static_cast<long>(GetLastError());
    } else {
        PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
        const DWORD sidLength = GetLengthSid(sid);
        const std::string key(static_cast<const char*>(sid), sidLength);
        auto known = accounts_.find(key);
        if (known != accounts_.end()) {
            *user = known->second;
        } else {
            DWORD nameChars = 0, domainChars = 0;
            SID_NAME_USE use{};
            LookupAccountSidW(nullptr, sid, nullptr, &nameChars, nullptr, &domainChars, &use);
            std::wstring name(nameChars ? nameChars : 1, L'\0'), domain(domainChars ? domainChars : 1, L'\0');
            nameChars = static_cast<DWORD>(name.size());
            domainChars = static_cast<DWORD>(domain.size());
            if (!LookupAccountSidW(nullptr, sid, name.data(), &nameChars, domain.data(), &domainChars, &use)) {
                // An account nobody can name (a deleted user): no text, rather than a wrong one.
                result = static_cast<long>(GetLastError());
            } else {
                std::string text = narrow(name.c_str(), name.size());
                std::string domainText = narrow(domain.c_str(), domain.size());
                if (!domainText.empty()) text = domainText + "\\" + text;
                accounts_[key] = text;
                *user = text;
            }
        }
    }
    CloseHandle(token);
    return result;
}

long Win32ProcessList::isWow64(plat::ProcessHandle process, bool* wow64) {
    BOOL value = FALSE;
    if (!IsWow64Process(toHandle(process), &value)) return static_cast<long>(GetLastError());
    *wow64 = value != FALSE;
    return 0;
}

uint32_t Win32ProcessList::processorCount() {
    const DWORD n = GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
    return n ? n : 1;
}

uint64_t Win32ProcessList::steadyTime() {
    static const uint64_t frequency = [] {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return f.QuadPart > 0 ? static_cast<uint64_t>(f.QuadPart) : 1;
    }();
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    const uint64_t c = static_cast<uint64_t>(now.QuadPart);
    // Split so that the product cannot overflow.
    return c / frequency * 10000000u + c % frequency * 10000000u / frequency;
}

}  // namespace plat

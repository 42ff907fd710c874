#include "common/platform/win32/win32_files.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>

#include "common/platform/win32/win32_text.h"
#include "common/text/text.h"

namespace plat {

namespace {

using win32::narrow;
using win32::wide;

FileTime localTime(const FILETIME& ft) {
    FILETIME local;
    SYSTEMTIME st{};
    FileTimeToLocalFileTime(&ft, &local);
    FileTimeToSystemTime(&local, &st);
    return FileTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

std::string withoutTrailingSlash(std::string p) {
    while (p.size() > 3 && (p.back() == '\\' || p.back() == '/')) p.pop_back();
    return p;
}

// A wide buffer filled by an API that returns the length it needs when the buffer is short.
template <typename F>
std::string growingBuffer(F call) {
    std::wstring buf(MAX_PATH, L'\0');
    for (int i = 0; i < 8; ++i) {
        const UINT n = call(buf.data(), static_cast<UINT>(buf.size()));
        if (n == 0) return "";
        if (n < buf.size()) return narrow(buf.data(), n);
        buf.resize(static_cast<size_t>(n) + 1);
    }
    return "";
}

}  // namespace

Probe fileProbeForError(unsigned long error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:  // a name the file system rejects (quotes, "<>|", ...)
        case ERROR_BAD_PATHNAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_DIRECTORY:
        case ERROR_FILENAME_EXCED_RANGE: return Probe::Missing;
        default:  // access denied, device not ready, sharing, network trouble: not carried out
            return Probe::Error;
    }
}

// A name the file system rejects is not found for the folder lookup either: a quoted command
// line tested as a folder must not count as an existing folder.
Probe folderProbeForError(unsigned long error) { return fileProbeForError(error); }

Probe Win32Files::fileExists(const std::string& path) {
    if (path.empty()) return Probe::Missing;
    const DWORD attr = GetFileAttributesW(wide(path).c_str());
    if (attr != INVALID_FILE_ATTRIBUTES) return (attr & FILE_ATTRIBUTE_DIRECTORY) ? Probe::Missing : Probe::Exists;
    return fileProbeForError(GetLastError());
}

Probe Win32Files::folderExists(const std::string& path) {
    if (path.empty()) return Probe::Missing;
    const DWORD attr = GetFileAttributesW(wide(path).c_str());
    // A file where a folder is asked for is "path not found" to the folder lookup.
    if (attr != INVALID_FILE_ATTRIBUTES) return (attr & FILE_ATTRIBUTE_DIRECTORY) ? Probe::Exists : Probe::Missing;
    return folderProbeForError(GetLastError());
}

bool Win32Files::findFirst(const std::string& pathOrPattern) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(wide(pathOrPattern).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

std::string Win32Files::windowsDirectory() {
    return growingBuffer([](wchar_t* b, UINT n) { return GetWindowsDirectoryW(b, n); });
}

std::string Win32Files::systemDirectory() {
    return growingBuffer([](wchar_t* b, UINT n) { return GetSystemDirectoryW(b, n); });
}

std::string Win32Files::systemWow64Directory() {
    // Fails (ERROR_CALL_NOT_IMPLEMENTED) on a system without a 32-bit view.
    return growingBuffer([](wchar_t* b, UINT n) { return GetSystemWow64DirectoryW(b, n); });
}

long Win32Files::specialFolder(int csidl, std::string* path) {
    if (path) path->clear();
    wchar_t buf[MAX_PATH + 1] = {};
    const HRESULT hr = SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buf);
    if (hr == S_OK && path) *path = narrow(buf, wcsnlen(buf, MAX_PATH));
    return static_cast<long>(hr);
}

std::vector<Drive> Win32Files::drives() {
    std::vector<Drive> out;
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(mask & (1u << i))) continue;
        const wchar_t root[] = {static_cast<wchar_t>(L'A' + i), L':', L'\\', 0};
        DriveType type = DriveType::Unknown;
        switch (GetDriveTypeW(root)) {
            case DRIVE_REMOVABLE: type = DriveType::Removable; break;
            case DRIVE_FIXED: type = DriveType::Fixed; break;
            case DRIVE_REMOTE: type = DriveType::Network; break;
            case DRIVE_CDROM: type = DriveType::CdRom; break;
            case DRIVE_RAMDISK: type = DriveType::RamDisk; break;
            default: type = DriveType::Unknown; break;
        }
        out.push_back(Drive{static_cast<char>('A' + i), type});
    }
    return out;
}

std::string Win32Files::applicationFolder() {
    std::wstring buf(MAX_PATH, L'\0');
    for (int i = 0; i < 8; ++i) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return "";
        if (n < buf.size()) {
            std::string full = narrow(buf.data(), n);
            const size_t cut = full.find_last_of('\\');
            return cut == std::string::npos ? full : withoutTrailingSlash(full.substr(0, cut == 2 ? 3 : cut));
        }
        buf.resize(buf.size() * 2);
    }
    return "";
}

bool Win32Files::createFolder(const std::string& path) { return CreateDirectoryW(wide(path).c_str(), nullptr) != 0; }

std::vector<FileEntry> Win32Files::listFiles(const std::string& folder, const std::string& pattern) {
    std::vector<FileEntry> out;
    std::string dir = withoutTrailingSlash(folder);
    if (dir.empty() || dir.back() != '\\') dir += '\\';
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(wide(dir + pattern).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        FileEntry e;
        e.name = narrow(fd.cFileName, wcsnlen(fd.cFileName, MAX_PATH));
        e.size = (static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
        e.modified = localTime(fd.ftLastWriteTime);
        out.push_back(e);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return out;
}

std::optional<FileEntry> Win32Files::stat(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    FileEntry e;
    const std::string p = withoutTrailingSlash(path);
    const size_t cut = p.find_last_of("\\/");
    e.name = cut == std::string::npos ? p : p.substr(cut + 1);
    e.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    e.modified = localTime(data.ftLastWriteTime);
    return e;
}

long Win32Files::deleteFile(const std::string& path) {
    return DeleteFileW(wide(path).c_str()) ? 0 : static_cast<long>(GetLastError());
}

std::optional<std::string> Win32Files::readFile(const std::string& path) { return readFileStart(path, SIZE_MAX); }

std::optional<std::string> Win32Files::readFileStart(const std::string& path, size_t maxBytes) {
    HANDLE h = CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string out;
    char buf[65536];
    DWORD got = 0;
    bool ok = true;
    while (out.size() < maxBytes) {
        const DWORD want = static_cast<DWORD>(std::min<size_t>(sizeof buf, maxBytes - out.size()));
        ok = ReadFile(h, buf, want, &got, nullptr) != 0;
        if (!ok || got == 0) break;
        out.append(buf, got);
    }
    CloseHandle(h);
    if (!ok) return std::nullopt;
    return out;
}

long Win32Files::writeFile(const std::string& path, const std::string& bytes) {
    HANDLE h =
        CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return static_cast<long>(GetLastError());
    size_t done = 0;
    long rc = 0;
    while (done < bytes.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
        if (!WriteFile(h, bytes.data() + done, chunk, &wrote, nullptr)) {
            rc = static_cast<long>(GetLastError());
            break;
        }
        done += wrote;
    }
    CloseHandle(h);
    return rc;
}

std::string Win32Files::fromSystemCodePage(const std::string& bytes) {
    if (bytes.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), w.data(), n);
    return win32::narrow(w);
}

std::optional<std::string> Win32Files::toSystemCodePage(const std::string& utf8) {
    if (utf8.empty()) return std::string();
    // A system whose code page is UTF-8 takes the text as it is.
    if (GetACP() == CP_UTF8) return text::isValidUtf8(utf8) ? std::optional<std::string>(utf8) : std::nullopt;
    const std::wstring w = wide(utf8);
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr,
                        &usedDefault);
    if (usedDefault) return std::nullopt;
    return out;
}

long Win32Files::replaceFile(const std::string& path, const std::string& bytes) {
    const std::wstring target = wide(path);
    const std::wstring fresh = target + L".new~";
    // A file marked read-only is not replaced, as Windows refuses it (Wine's move would not).
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return ERROR_ACCESS_DENIED;
    HANDLE h = CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return static_cast<long>(GetLastError());
    long rc = 0;
    size_t done = 0;
    while (rc == 0 && done < bytes.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
        if (!WriteFile(h, bytes.data() + done, chunk, &wrote, nullptr)) rc = static_cast<long>(GetLastError());
        done += wrote;
    }
    if (rc == 0 && !FlushFileBuffers(h)) rc = static_cast<long>(GetLastError());
    CloseHandle(h);
    // Only a whole new file takes the old one's place.
    if (rc == 0 && !MoveFileExW(fresh.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        rc = static_cast<long>(GetLastError());
    if (rc != 0) DeleteFileW(fresh.c_str());
    return rc;
}

long Win32Files::writeNewFile(const std::string& path, const std::string& bytes) {
    const std::wstring target = wide(path);
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) return ERROR_FILE_EXISTS;
    // A name of its own beside the target, so that two writers never share the part file.
    const size_t slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"." : target.substr(0, slash + 1);
    wchar_t part[MAX_PATH + 16] = {};
    if (folder.size() > MAX_PATH - 14 || !GetTempFileNameW(folder.c_str(), L"scl", 0, part))
        return static_cast<long>(GetLastError() ? GetLastError() : ERROR_FILENAME_EXCED_RANGE);
    HANDLE h = CreateFileW(part, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const long rc = static_cast<long>(GetLastError());
        DeleteFileW(part);
        return rc;
    }
    long rc = 0;
    size_t done = 0;
    while (rc == 0 && done < bytes.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
        if (!WriteFile(h, bytes.data() + done, chunk, &wrote, nullptr)) rc = static_cast<long>(GetLastError());
        done += wrote;
    }
    if (rc == 0 && !FlushFileBuffers(h)) rc = static_cast<long>(GetLastError());
    CloseHandle(h);
    // Without MOVEFILE_REPLACE_EXISTING: a file that took the name meanwhile is kept.
    if (rc == 0 && !MoveFileExW(part, target.c_str(), MOVEFILE_WRITE_THROUGH)) rc = static_cast<long>(GetLastError());
    if (rc != 0) DeleteFileW(part);
    return rc;
}

}  // namespace plat

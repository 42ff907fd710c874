#include "common/platform/win32/win32_http.h"

#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "common/platform/win32/win32_text.h"

namespace plat {

namespace {

using win32::narrow;
using win32::wide;

struct State {
    std::mutex m;
    bool done = false;
    HttpResult result;
    std::atomic<bool> cancelled{false};
};

struct RedirectLog {
    std::wstring lastAddress;
};

void CALLBACK onStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD infoLength) {
    if (status != WINHTTP_CALLBACK_STATUS_REDIRECT || !context || !info) return;
    auto* log = reinterpret_cast<RedirectLog*>(context);
    // infoLength counts characters (without the terminating NUL) for this status.
    const wchar_t* s = static_cast<const wchar_t*>(info);
    log->lastAddress.assign(s, infoLength ? infoLength : wcslen(s));
    while (!log->lastAddress.empty() && log->lastAddress.back() == L'\0') log->lastAddress.pop_back();
}

std::string errorText(DWORD code) {
    switch (code) {
        case ERROR_WINHTTP_NAME_NOT_RESOLVED: return "The server name could not be resolved.";
        case ERROR_WINHTTP_CANNOT_CONNECT: return "The connection to the server could not be made.";
        case ERROR_WINHTTP_TIMEOUT: return "The server did not answer in time.";
        case ERROR_WINHTTP_CONNECTION_ERROR: return "The connection to the server was reset.";
        case ERROR_WINHTTP_INVALID_URL: return "The address is not valid.";
        case ERROR_WINHTTP_UNRECOGNIZED_SCHEME: return "The address does not start with http:// or https://.";
        case ERROR_WINHTTP_REDIRECT_FAILED: return "The server's redirection could not be followed.";
        case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: return "The server's answer could not be read.";
        case ERROR_WINHTTP_SECURE_FAILURE: return "The secure connection could not be made.";
        default: return "The request failed (error " + std::to_string(code) + ").";
    }
}

struct Handle {
    HINTERNET h = nullptr;
    ~Handle() {
        if (h) WinHttpCloseHandle(h);
    }
};

HttpResult fetch(const std::string& address, const Win32Http::Timeouts& t, const std::atomic<bool>& cancelled) {
    HttpResult r;
    auto fail = [&](DWORD code) {
        r.answered = false;
        r.error = static_cast<long>(code);
        r.errorText = errorText(code);
        return r;
    };
    const std::wstring url = wide(address);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return fail(GetLastError());
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return fail(ERROR_WINHTTP_UNRECOGNIZED_SCHEME);
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath ? std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) : L"");
    if (parts.lpszExtraInfo) path += std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";

    Handle session{WinHttpOpen(L"Scourline/4.21", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, 0)};
    if (!session.h) return fail(GetLastError());
    WinHttpSetTimeouts(session.h, t.resolveMs, t.connectMs, t.sendMs, t.receiveMs);
    Handle connection{WinHttpConnect(session.h, host.c_str(), parts.nPort, 0)};
    if (!connection.h) return fail(GetLastError());
    Handle request{WinHttpOpenRequest(connection.h, L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                      WINHTTP_DEFAULT_ACCEPT_TYPES,
                                      parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0)};
    if (!request.h) return fail(GetLastError());

    RedirectLog log;
    WinHttpSetStatusCallback(request.h, onStatus, WINHTTP_CALLBACK_FLAG_REDIRECT, 0);
    if (cancelled) return r;
    if (!WinHttpSendRequest(request.h, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                            reinterpret_cast<DWORD_PTR>(&log)))
        return fail(GetLastError());
    if (!WinHttpReceiveResponse(request.h, nullptr)) return fail(GetLastError());

    DWORD status = 0, size = sizeof status;
    if (!WinHttpQueryHeaders(request.h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return fail(GetLastError());
    r.answered = true;
    r.status = static_cast<int>(status);

    // The final address: the platform's own answer where it has one, else the last redirect.
    DWORD chars = 0;
    WinHttpQueryOption(request.h, WINHTTP_OPTION_URL, nullptr, &chars);
    std::wstring finalUrl;
    if (GetLastError() == ERROR_INSUFFICIENT_BUFFER && chars > 0) {
        std::wstring buf(chars / sizeof(wchar_t) + 1, L'\0');
        DWORD bytes = static_cast<DWORD>(buf.size() * sizeof(wchar_t));
        if (WinHttpQueryOption(request.h, WINHTTP_OPTION_URL, buf.data(), &bytes)) {
            buf.resize(bytes / sizeof(wchar_t));
            while (!buf.empty() && buf.back() == L'\0') buf.pop_back();
            finalUrl = buf;
        }
    }
    if (finalUrl.empty()) finalUrl = log.lastAddress;
    r.finalAddress = finalUrl.empty() ? address : narrow(finalUrl);

    for (;;) {
        if (cancelled) break;
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request.h, &available) || available == 0) break;
        std::string chunk(available, '\0');
        DWORD read = 0;
        if (!WinHttpReadData(request.h, chunk.data(), available, &read) || read == 0) break;
        chunk.resize(read);
        if (r.body.size() + chunk.size() > Win32Http::kMaxBody) {
            r.body.append(chunk, 0, Win32Http::kMaxBody - r.body.size());
            break;
        }
        r.body += chunk;
    }
    return r;
}

class Request : public HttpRequest {
public:
    explicit Request(std::shared_ptr<State> s) : s_(std::move(s)) {}
    ~Request() override { cancel(); }
    bool finished() override {
        std::lock_guard<std::mutex> lock(s_->m);
        return s_->done;
    }
    HttpResult result() override {
        std::lock_guard<std::mutex> lock(s_->m);
        return s_->result;
    }
    void cancel() override {
        std::lock_guard<std::mutex> lock(s_->m);
        if (s_->done) return;
        s_->cancelled = true;
        s_->done = true;
        s_->result = HttpResult{};
        s_->result.errorText = "cancelled";
    }

private:
    std::shared_ptr<State> s_;
};

}  // namespace

std::unique_ptr<HttpRequest> Win32Http::get(const std::string& address) {
    auto state = std::make_shared<State>();
    const Timeouts t = timeouts_;
    try {
        std::thread([state, address, t] {
            HttpResult r;
            try {
                r = fetch(address, t, state->cancelled);
            } catch (const std::exception& e) {
                r = HttpResult{};
                r.errorText = std::string("The request failed: ") + e.what();
            }
            std::lock_guard<std::mutex> lock(state->m);
            if (state->done) return;  // cancelled meanwhile: nobody wants the answer
            state->result = std::move(r);
            state->done = true;
        }).detach();
    } catch (const std::exception& e) {
        state->result.errorText = std::string("The request could not be started: ") + e.what();
        state->done = true;
    }
    return std::make_unique<Request>(state);
}

}  // namespace plat

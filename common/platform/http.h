// The http service: a GET that follows redirects and reports the address it finally landed on.
// Win32 implementation (WinHTTP) in win32/http_win32.*, canned answers in fake/fake_http.h.
//
// A request runs on its own; the caller polls it from its window thread, so no completion ever
// calls back into a window. Destroying a request cancels it and never waits for the network.
#pragma once

#include <memory>
#include <string>

namespace plat {

struct HttpResult {
    // True when a server answered (any status); false when no answer came (no network, name not
    // resolved, refused, timed out, cancelled, a malformed address).
    bool answered = false;
    int status = 0;            // the last answer's status (after redirects)
    std::string finalAddress;  // the address of the last answer (after redirects)
    std::string body;          // raw bytes of the last answer
    long error = 0;            // the platform's error code when no answer came
    std::string errorText;     // what failed, for the user
};

class HttpRequest {
public:
    virtual ~HttpRequest() = default;
    // True once the request has completed or failed; safe to ask at any time.
    virtual bool finished() = 0;
    // The outcome; meaningful once finished() is true.
    virtual HttpResult result() = 0;
    // Stops waiting for the answer: the request finishes as not answered (errorText "cancelled").
    virtual void cancel() = 0;
};

class Http {
public:
    virtual ~Http() = default;
    // Starts a GET of an absolute http:// or https:// address and returns at once.
    virtual std::unique_ptr<HttpRequest> get(const std::string& address) = 0;
};

}  // namespace plat

// The http service on the platform: WinHTTP in synchronous mode on a worker thread per request.
// Redirects are followed by WinHTTP; the final address comes from WINHTTP_OPTION_URL where the
// platform answers it, else from the last redirect the status callback reported (Wine 8 does
// not implement that option).
//
// The caller never waits: get() returns at once, cancel() (and destroying the request) detaches
// the worker, which ends by itself within the timeouts and drops its result.
#pragma once

#include <memory>
#include <string>

#include "common/platform/http.h"

namespace plat {

class Win32Http : public Http {
public:
    struct Timeouts {
        int resolveMs = 10000;
        int connectMs = 10000;
        int sendMs = 15000;
        int receiveMs = 15000;
    };
    Win32Http() = default;
    explicit Win32Http(Timeouts t) : timeouts_(t) {}

    std::unique_ptr<HttpRequest> get(const std::string& address) override;

    // The largest body kept; the rest of a longer answer is not read.
    static constexpr size_t kMaxBody = 4 * 1024 * 1024;

private:
    Timeouts timeouts_;
};

}  // namespace plat

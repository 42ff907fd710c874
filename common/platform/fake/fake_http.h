// Http substitute for tests: canned answers per address, redirects followed as the platform
// follows them, and requests that stay pending until the test lets them finish, so a test can
// poll "before any answer" deterministically.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/platform/http.h"

namespace plat {

class FakeHttp : public Http {
public:
    struct Route {
        int status = 200;
        std::string body;
        std::string redirectTo;  // non-empty: answer 302 with this absolute address
    };

    // ---- scripted answers ----
    void serve(const std::string& address, const std::string& body, int status = 200) {
        routes_[address] = Route{status, body, ""};
    }
    void redirect(const std::string& from, const std::string& to) { routes_[from] = Route{302, "", to}; }
    // Every request fails without an answer (no network): error 12007, name not resolved.
    bool unreachable = false;
    // Requests finish at once inside get() instead of waiting for complete().
    bool immediate = false;

    // ---- what happened ----
    // Every address asked for, redirect targets included, in order.
    std::vector<std::string> requested;
    // Addresses passed to get(), in order.
    std::vector<std::string> started;

    // Lets every pending request finish; returns how many did.
    int completeAll() {
        int n = 0;
        for (auto& s : pending_) {
            if (!s->done) {
                finish(*s);
                ++n;
            }
        }
        pending_.clear();
        return n;
    }
    // Requests started and neither finished nor cancelled.
    int pendingCount() const {
        int n = 0;
        for (auto& s : pending_)
            if (!s->done) ++n;
        return n;
    }
    int cancelledCount() const { return cancelled_; }

    std::unique_ptr<HttpRequest> get(const std::string& address) override {
        auto state = std::make_shared<State>();
        state->owner = this;
        state->address = address;
        started.push_back(address);
        if (immediate)
            finish(*state);
        else
            pending_.push_back(state);
        return std::make_unique<Request>(state);
    }

private:
    struct State {
        FakeHttp* owner = nullptr;
        std::string address;
        bool done = false;
        HttpResult result;
    };
    class Request : public HttpRequest {
    public:
        explicit Request(std::shared_ptr<State> s) : s_(std::move(s)) {}
        ~Request() override { cancel(); }
        bool finished() override { return s_->done; }
        HttpResult result() override { return s_->result; }
        void cancel() override {
            if (s_->done) return;
            s_->done = true;
            s_->result = HttpResult{};
            s_->result.errorText = "cancelled";
            ++s_->owner->cancelled_;
        }

    private:
        std::shared_ptr<State> s_;
    };

    void finish(State& s) {
        s.done = true;
        HttpResult r;
        if (unreachable) {
            requested.push_back(s.address);
            r.error = 12007;
            r.errorText = "The server name could not be resolved.";
            s.result = r;
            return;
        }
        std::string address = s.address;
        for (int hop = 0; hop < 10; ++hop) {
            requested.push_back(address);
            auto it = routes_.find(address);
            if (it == routes_.end()) {
                r.answered = true;
                r.status = 404;
                r.finalAddress = address;
                r.body = "<html><body>Not Found</body></html>";
                s.result = r;
                return;
            }
            if (!it->second.redirectTo.empty()) {
                address = it->second.redirectTo;
                continue;
            }
            r.answered = true;
            r.status = it->second.status;
            r.finalAddress = address;
            r.body = it->second.body;
            s.result = r;
            return;
        }
        r.error = 12156;  // too many redirects
        r.errorText = "Too many redirects.";
        s.result = r;
    }

    std::map<std::string, Route> routes_;
    std::vector<std::shared_ptr<State>> pending_;
    int cancelled_ = 0;
};

}  // namespace plat

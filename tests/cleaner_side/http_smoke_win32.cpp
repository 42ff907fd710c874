// The WinHTTP implementation of the http service against a small server of this test on
// 127.0.0.1: redirects followed and the final address reported, error statuses, a refused
// connection, cancelling without waiting.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "common/platform/win32/win32_http.h"

namespace {

class TinyServer {
public:
    TinyServer() {
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 2), &wsa);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        int len = sizeof a;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        listen(listener_, 8);
        thread_ = std::thread([this] { serve(); });
    }
    ~TinyServer() {
        stop_ = true;
        closesocket(listener_);
        thread_.join();
        WSACleanup();
    }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::vector<std::string> paths() {
        std::lock_guard<std::mutex> l(m_);
        return paths_;
    }

private:
    void serve() {
        while (!stop_) {
            SOCKET c = accept(listener_, nullptr, nullptr);
            if (c == INVALID_SOCKET) return;
            std::thread([this, c] { answer(c); }).detach();
        }
    }
    void answer(SOCKET c) {
        std::string req;
        char buf[2048];
        while (req.find("\r\n\r\n") == std::string::npos) {
            int n = recv(c, buf, sizeof buf, 0);
            if (n <= 0) break;
            req.append(buf, n);
        }
        const size_t sp1 = req.find(' '), sp2 = req.find(' ', sp1 + 1);
        const std::string path = sp1 == std::string::npos ? "" : req.substr(sp1 + 1, sp2 - sp1 - 1);
        {
            std::lock_guard<std::mutex> l(m_);
            paths_.push_back(path);
        }
        std::string status = "200 OK", extra, body = "<p>root</p>";
        if (path == "/go") {
            status = "302 Found";
            extra = "Location: " + base() + "/final/26\r\n";
            body = "";
        } else if (path == "/final/26") {
            body = "<html><body><p>twenty-six</p></body></html>";
        } else if (path == "/missing") {
            status = "404 Not Found";
            body = "<p>no such page</p>";
        } else if (path == "/slow") {
            Sleep(3000);
        }
        const std::string resp = "HTTP/1.1 " + status + "\r\n" + extra +
                                 "Content-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
                                 "\r\nConnection: close\r\n\r\n" + body;
        send(c, resp.data(), static_cast<int>(resp.size()), 0);
        shutdown(c, SD_SEND);
        closesocket(c);
    }

    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex m_;
    std::vector<std::string> paths_;
};

plat::HttpResult waitFor(plat::HttpRequest& r) {
    for (int i = 0; i < 300 && !r.finished(); ++i) Sleep(100);
    EXPECT_TRUE(r.finished());
    return r.result();
}

TEST(Win32Http, FollowsRedirectAndReportsTheFinalAddress) {
    TinyServer server;
    plat::Win32Http http;
    auto req = http.get(server.base() + "/go");
    const plat::HttpResult r = waitFor(*req);
    EXPECT_TRUE(r.answered) << r.errorText;
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.finalAddress, server.base() + "/final/26");
    EXPECT_EQ(r.body, "<html><body><p>twenty-six</p></body></html>");
    EXPECT_EQ(server.paths(), (std::vector<std::string>{"/go", "/final/26"}));
}

TEST(Win32Http, ErrorStatusIsAnAnswerWithItsStatus) {
    TinyServer server;
    plat::Win32Http http;
    auto req = http.get(server.base() + "/missing");
    const plat::HttpResult r = waitFor(*req);
    EXPECT_TRUE(r.answered);
    EXPECT_EQ(r.status, 404);
    EXPECT_EQ(r.finalAddress, server.base() + "/missing");
}

TEST(Win32Http, NoAnswerIsAFailureNotAnEmptyPage) {
    // A port nobody listens on: take a free one and close it again.
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    closesocket(s);
    const std::string closed = "http://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/x";

    plat::Win32Http http;
    for (const std::string& address : {closed, std::string("ftp://127.0.0.1/x"), std::string("not an address")}) {
        SCOPED_TRACE(address);
        auto req = http.get(address);
        const plat::HttpResult r = waitFor(*req);
        EXPECT_FALSE(r.answered);
        EXPECT_NE(r.error, 0);
        EXPECT_FALSE(r.errorText.empty());
    }
    WSACleanup();
}

TEST(Win32Http, CancelFinishesAtOnceAndDropsTheAnswer) {
    TinyServer server;
    plat::Win32Http http;
    auto req = http.get(server.base() + "/slow");
    EXPECT_FALSE(req->finished());
    req->cancel();
    EXPECT_TRUE(req->finished());
    EXPECT_FALSE(req->result().answered);
    EXPECT_EQ(req->result().errorText, "cancelled");
    // The worker's late answer does not replace the cancelled result.
    Sleep(3500);
    EXPECT_FALSE(req->result().answered);
    // Destroying a request in flight does not wait for it either.
    auto other = http.get(server.base() + "/slow");
    other.reset();
}

}  // namespace

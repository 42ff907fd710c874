// A small web browser for the update window: fetches a page through the http service and shows
// its text in a read-only text box. It offers what the window uses of a browser control:
// Navigate, Busy and the navigation-complete event with the address it landed on.
//
// Requests are polled on the window thread (a short pump timer, and every call of Busy), so a
// finished request never reaches into the window from elsewhere; Stop (and the destructor)
// cancels the one in flight.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/platform/http.h"
#include "common/ui/controls.h"

namespace cleaner {

class WebBrowser {
public:
    // `http` may be null: every navigation then fails at once ("no connection").
    WebBrowser(ui::Form& form, ui::Control* container, const std::string& name, plat::Http* http);
    ~WebBrowser();
    WebBrowser(const WebBrowser&) = delete;
    WebBrowser& operator=(const WebBrowser&) = delete;

    ui::TextBox view;  // the page's text
    ui::Timer pump;    // runs while a request is in flight

    void Navigate(const std::string& address);
    // True while a navigation is in flight; notices (and completes) a finished one first.
    bool Busy();
    // Cancels the navigation in flight; no completion event follows.
    void Stop();

    // The address of the last completed navigation.
    const std::string& LocationURL() const { return location_; }
    // The outcome of the last completed navigation.
    const plat::HttpResult& LastResult() const { return last_; }
    // The last navigation brought no page: no answer, or an error status (400 and above).
    bool LastFailed() const { return !last_.answered || last_.status >= 400; }
    int Completed() const { return completed_; }

    // Raised once per finished navigation, with the address it landed on (the requested one
    // when no answer came).
    std::function<void(WebBrowser&, const std::string& address)> onNavigateComplete;

private:
    void pump_Timer();
    void complete();

    plat::Http* http_;
    std::unique_ptr<plat::HttpRequest> request_;
    std::string requested_;
    std::string location_;
    plat::HttpResult last_;
    int completed_ = 0;
};

// The readable text of an html page: tags dropped, each block (paragraph, heading, line break,
// list item, ...) on a line of its own (CRLF, no empty lines), the usual entities decoded, runs
// of blanks folded; script and style contents and comments left out. Bytes that are
// not UTF-8 are read as code page 1252.
std::string HtmlToText(const std::string& html);

}  // namespace cleaner

// The update window: loads the query page of the maker's update site in a small browser, reads
// the two-digit version at the end of the address the site's answer lands on, compares it with
// the program's own number and shows the site's "update available" or "no update" page.
//
// It decides only after the query has completed or failed. When it failed (no network, an
// error page) or the address holds no version, it says that the check could not be made
// instead of claiming there is no update. The window owns its request: closing it cancels the
// request and stops the poll.
#pragma once

#include <string>

#include "cleaner/ui/web_browser.h"
#include "common/platform/http.h"
#include "common/ui/form.h"

namespace cleaner {

// The program's version, 4.21.
constexpr int kVersionMajor = 4;
constexpr int kVersionMinor = 21;
// The maker's update site (tests pass their own, e.g. http://127.0.0.1:port).
extern const char* const kUpdateSite;

class FrmUpdate : public ui::Form {
public:
    enum class Outcome { Checking, UpdateAvailable, NoUpdate, CheckFailed };

    // `http` may be null (nothing can fetch pages: the check cannot be made). `site` is the
    // update site's base address without a trailing slash.
    FrmUpdate(ui::Host& host, plat::Http* http, std::string site = kUpdateSite);

    WebBrowser WebBrowser1;
    ui::Timer Timer1{*this, "Timer1", 100, false};
    ui::Label Label3{*this, nullptr, "Label3", ""};
    ui::TextBox Text1{*this, nullptr, "Text1"};

    int VVersion() const { return vversion_; }
    Outcome outcome() const { return outcome_; }
    const std::string& site() const { return site_; }

private:
    void Form_Load();
    void Form_Resize();
    void Form_Unload(bool& cancel);
    void Timer1_Timer();
    void WebBrowser1_NavigateComplete(WebBrowser& browser, const std::string& address);
    void checkFailed(const std::string& why);

    std::string site_;
    short vversion_ = 0;
    Outcome outcome_ = Outcome::Checking;
    bool queryDone_ = false;    // the query page's navigation has completed (or failed)
    bool queryFailed_ = false;  // it brought no page
    std::string queryError_;
};

}  // namespace cleaner

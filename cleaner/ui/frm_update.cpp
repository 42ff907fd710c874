#include "cleaner/ui/frm_update.h"

namespace cleaner {

const char* const kUpdateSite = "http://update.tolvane.example";

namespace {
constexpr const char* kQueryPage = "/scourline_update.php";
constexpr const char* kAvailablePage = "/update_available.html";
constexpr const char* kUnavailablePage = "/update_unavailable.html";

bool isDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

FrmUpdate::FrmUpdate(ui::Host& host, plat::Http* http, std::string site)
    : Form(host, "FrmUpdate", "Check for Update"),
      WebBrowser1(*this, nullptr, "WebBrowser1", http),
      site_(std::move(site)) {
    while (!site_.empty() && site_.back() == '/') site_.pop_back();
    clientWidth = 7200;
    clientHeight = 4800;
    WebBrowser1.view.move(0, 0, 7200, 4320);
    Label3.move(120, 4440, 4200, 255);
    Text1.move(4440, 4410, 2640, 315);
    Text1.readOnly = true;

    onLoad = [this] { Form_Load(); };
    onResize = [this] { Form_Resize(); };
    onUnload = [this](bool& cancel) { Form_Unload(cancel); };
    Timer1.onTimer = [this] { Timer1_Timer(); };
    WebBrowser1.onNavigateComplete = [this](WebBrowser& b, const std::string& address) {
        WebBrowser1_NavigateComplete(b, address);
    };
}

void FrmUpdate::Form_Load() {
    centre();
    outcome_ = Outcome::Checking;
    queryDone_ = false;
    queryFailed_ = false;
    queryError_.clear();
    Label3.setCaption("Checking For Updates");
    Timer1.setEnabled(true);
    WebBrowser1.Navigate(site_ + kQueryPage);
    vversion_ = static_cast<short>(kVersionMajor + kVersionMinor);
}

void FrmUpdate::Form_Resize() {
    if (windowState() == ui::WindowState::Minimized) return;
    WebBrowser1.view.setWidth(width() - 250);
    WebBrowser1.view.setHeight(height() - 850);
    const int below = WebBrowser1.view.top() + WebBrowser1.view.height() + 90;
    Label3.setTop(below + 30);
    Text1.move(width() - 250 - Text1.width(), below);
}

void FrmUpdate::Form_Unload(bool&) {
    // Nothing of the request may reach this window once it is gone.
    Timer1.setEnabled(false);
    WebBrowser1.Stop();
}

void FrmUpdate::WebBrowser1_NavigateComplete(WebBrowser& browser, const std::string& address) {
    // Only the query's address is read; the result page must not replace the "26:25" shown.
    if (outcome_ != Outcome::Checking) return;
    Text1.setText(address);
    if (!queryDone_) {
        queryDone_ = true;
        queryFailed_ = browser.LastFailed();
        const plat::HttpResult& r = browser.LastResult();
        if (!r.answered)
            queryError_ = r.errorText.empty() ? "The update site did not answer." : r.errorText;
        else if (r.status >= 400)
            queryError_ = "The update site answered with status " + std::to_string(r.status) + ".";
    }
}

void FrmUpdate::Timer1_Timer() {
    if (WebBrowser1.Busy()) {
        Label3.setCaption("Checking For Updates");
        return;
    }
    Label3.setCaption("Done Checking");
    Timer1.setEnabled(false);
    if (!queryDone_) return checkFailed("The update site did not answer.");
    if (queryFailed_) return checkFailed(queryError_);

    const std::string& address = Text1.text();
    if (address.size() < 2 || !isDigit(address[address.size() - 2]) || !isDigit(address.back()))
        return checkFailed("The update site's answer holds no version number.");
    const std::string digits = address.substr(address.size() - 2);
    const int latest = (digits[0] - '0') * 10 + (digits[1] - '0');
    Text1.setText(digits + ":" + std::to_string(vversion_));
    if (vversion_ < latest) {
        outcome_ = Outcome::UpdateAvailable;
        WebBrowser1.Navigate(site_ + kAvailablePage);
    } else {
        outcome_ = Outcome::NoUpdate;
        WebBrowser1.Navigate(site_ + kUnavailablePage);
    }
}

void FrmUpdate::checkFailed(const std::string& why) {
    outcome_ = Outcome::CheckFailed;
    Label3.setCaption("The check for updates could not be made");
    WebBrowser1.view.setText("The check for updates could not be made.\r\n\r\n" + why +
                             "\r\n\r\nPlease check your connection to the internet and try again later.");
}

}  // namespace cleaner

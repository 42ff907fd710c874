// The update window, its small browser and the page-text reader.
#include "cleaner/ui/frm_update.h"

#include "cleaner/ui/side_windows.h"
#include "cleaner/ui/web_browser.h"
#include "side_fixture.h"

namespace sidetest {
namespace {

using cleaner::FrmUpdate;
using Outcome = cleaner::FrmUpdate::Outcome;

constexpr const char* kSite = "http://127.0.0.1:8765";
const std::string kQuery = std::string(kSite) + "/scourline_update.php";
const std::string kAvailable = std::string(kSite) + "/update_available.html";
const std::string kUnavailable = std::string(kSite) + "/update_unavailable.html";

class UpdateTest : public SideTest {
protected:
    void SetUp() override {
        SideTest::SetUp();
        http.serve(kAvailable,
                   "<html><head><title>Update</title></head><body><h1>An update is available</h1>"
                   "<p>Version 4.22 &amp; more.</p></body></html>");
        http.serve(kUnavailable, "<html><body><p>You have the latest version.</p></body></html>");
    }
    std::unique_ptr<FrmUpdate> open(plat::Http* via = nullptr) {
        auto f = std::make_unique<FrmUpdate>(host, via ? via : &http, kSite);
        f->show();
        return f;
    }
    // Lets the pending requests answer and ticks the poll until it stops.
    void settle(FrmUpdate& f) {
        for (int i = 0; i < 5 && f.Timer1.enabled(); ++i) {
            http.completeAll();
            drv.fire(f.Timer1);
        }
        http.completeAll();
        if (f.WebBrowser1.pump.enabled()) drv.fire(f.WebBrowser1.pump);
    }
};

TEST_F(UpdateTest, VersionRuleDecidesTheResultPage) {
    struct Case {
        const char* finalPath;  // where the query redirects to
        int status;
        Outcome outcome;
        const char* text1;
        const char* page;  // "" = no result page requested
    };
    const Case cases[] = {
        {"/version/25", 200, Outcome::NoUpdate, "25:25", "/update_unavailable.html"},
        {"/version/26", 200, Outcome::UpdateAvailable, "26:25", "/update_available.html"},
        {"/version/09", 200, Outcome::NoUpdate, "09:25", "/update_unavailable.html"},
        {"/version/99", 200, Outcome::UpdateAvailable, "99:25", "/update_available.html"},
        // No version in the address, one digit only, an error page: the check could not be made.
        {"/latest", 200, Outcome::CheckFailed, "http://127.0.0.1:8765/latest", ""},
        {"/version/v6", 200, Outcome::CheckFailed, "http://127.0.0.1:8765/version/v6", ""},
        {"/version/26", 404, Outcome::CheckFailed, "http://127.0.0.1:8765/version/26", ""},
        {"/version/26", 500, Outcome::CheckFailed, "http://127.0.0.1:8765/version/26", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.finalPath) + " " + std::to_string(c.status));
        plat::FakeHttp site;
        site.redirect(kQuery, std::string(kSite) + c.finalPath);
        site.serve(std::string(kSite) + c.finalPath, "<p>version page</p>", c.status);
        site.serve(kAvailable, "available");
        site.serve(kUnavailable, "unavailable");
        auto f = open(&site);
        EXPECT_EQ(f->VVersion(), 25);
        for (int i = 0; i < 3 && f->Timer1.enabled(); ++i) {
            site.completeAll();
            drv.fire(f->Timer1);
        }
        EXPECT_FALSE(f->Timer1.enabled());
        EXPECT_EQ(f->outcome(), c.outcome);
        EXPECT_EQ(f->Text1.text(), c.text1);
        std::vector<std::string> expected{kQuery, std::string(kSite) + c.finalPath};
        if (*c.page) expected.push_back(std::string(kSite) + c.page);
        EXPECT_EQ(site.started.size(), *c.page ? 2u : 1u);
        site.completeAll();
        EXPECT_EQ(site.requested, expected);
        if (c.outcome == Outcome::CheckFailed) {
            EXPECT_EQ(f->Label3.caption(), "The check for updates could not be made");
            EXPECT_NE(f->WebBrowser1.view.text().find("could not be made"), std::string::npos);
        } else {
            EXPECT_EQ(f->Label3.caption(), "Done Checking");
        }
        drv.close(*f);
    }
}

TEST_F(UpdateTest, PollWaitsForTheAnswerBeforeDeciding) {
    http.redirect(kQuery, std::string(kSite) + "/v26");
    http.serve(std::string(kSite) + "/v26", "x");
    auto f = open();
    EXPECT_TRUE(f->Timer1.enabled());
    EXPECT_EQ(f->Timer1.interval(), 100);
    // Ticks before any answer: still checking, nothing decided.
    for (int i = 0; i < 3; ++i) {
        drv.fire(f->Timer1);
        EXPECT_EQ(f->Label3.caption(), "Checking For Updates");
        EXPECT_EQ(f->outcome(), Outcome::Checking);
        EXPECT_TRUE(f->Timer1.enabled());
    }
    EXPECT_EQ(http.started, std::vector<std::string>{kQuery});
    http.completeAll();
    drv.fire(f->Timer1);
    EXPECT_EQ(f->outcome(), Outcome::UpdateAvailable);
    EXPECT_EQ(f->Label3.caption(), "Done Checking");
    // The result page's text is what the window shows.
    http.completeAll();
    drv.fire(f->WebBrowser1.pump);
    EXPECT_EQ(f->WebBrowser1.view.text(), "Update\r\nAn update is available\r\nVersion 4.22 & more.");
    EXPECT_EQ(f->WebBrowser1.LocationURL(), kAvailable);
    EXPECT_EQ(f->Text1.text(), "26:25");
}

TEST_F(UpdateTest, NoNetworkSaysTheCheckCouldNotBeMade) {
    http.unreachable = true;
    auto f = open();
    settle(*f);
    EXPECT_EQ(f->outcome(), Outcome::CheckFailed);
    EXPECT_FALSE(f->Timer1.enabled());
    EXPECT_EQ(http.started, std::vector<std::string>{kQuery});
    EXPECT_NE(f->WebBrowser1.view.text().find("could not be resolved"), std::string::npos);

    // Nothing that fetches pages at all: the same, at the first tick.
    FrmUpdate none(host, nullptr, kSite);
    none.show();
    drv.fire(none.Timer1);
    EXPECT_EQ(none.outcome(), Outcome::CheckFailed);
    EXPECT_FALSE(none.Timer1.enabled());
}

TEST_F(UpdateTest, ClosingCancelsTheRequestAndStopsThePoll) {
    auto f = open();
    drv.fire(f->Timer1);
    ASSERT_EQ(http.pendingCount(), 1);
    drv.close(*f);
    EXPECT_FALSE(f->loaded());
    EXPECT_EQ(http.cancelledCount(), 1);
    EXPECT_EQ(http.pendingCount(), 0);
    EXPECT_FALSE(f->Timer1.enabled());
    EXPECT_FALSE(f->WebBrowser1.pump.enabled());
    EXPECT_EQ(http.completeAll(), 0);
    EXPECT_EQ(f->WebBrowser1.Completed(), 0);
    // Closing does not touch the shared flag.
    cleaner::ScanOnActivate = true;
    auto g = open();
    drv.close(*g);
    EXPECT_TRUE(cleaner::ScanOnActivate);
}

TEST_F(UpdateTest, ResizeFollowsTheWindow) {
    auto f = open();
    drv.resize(*f, 9000, 7000);
    EXPECT_EQ(f->WebBrowser1.view.width(), 9000 - 250);
    EXPECT_EQ(f->WebBrowser1.view.height(), 7000 - 850);
    drv.resize(*f, 100, 100);  // smaller than the margins: no negative sizes
    EXPECT_EQ(f->WebBrowser1.view.width(), 0);
    EXPECT_EQ(f->WebBrowser1.view.height(), 0);
}

TEST(HtmlToText, ReadsThePageText) {
    const std::pair<const char*, const char*> cases[] = {
        {"plain text", "plain text"},
        {"<p>one</p><p>two</p>", "one\r\ntwo"},
        {"a<br>b<br/>c", "a\r\nb\r\nc"},
        {"<b>bold</b> and <i>it</i>alic", "bold and italic"},
        {"<table><tr><td>a</td><td>b</td></tr></table>", "a b"},
        {"x &lt;y&gt; &amp; &quot;z&quot; &#65;&#x42; &nbsp;!", "x <y> & \"z\" AB  !"},
        {"&unknown; & alone", "&unknown; & alone"},
        {"<script>var a = '<p>no</p>';</script>yes<style>p{}</style>", "yes"},
        {"<!-- <p>hidden</p> -->shown", "shown"},
        {"  lots   of\n\n  blanks  ", "lots of blanks"},
        {"<p>a</p><p></p><p></p><p>b</p>", "a\r\nb"},
        {"broken <tag", "broken <tag"},
        {"&#1604;&#1604;", "\xD9\x84\xD9\x84"},
        {"caf\xE9", "caf\xC3\xA9"},  // code page 1252
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(cleaner::HtmlToText(c.first), c.second) << c.first;
}

}  // namespace
}  // namespace sidetest

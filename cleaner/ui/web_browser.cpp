#include "cleaner/ui/web_browser.h"

#include <cctype>
#include <vector>

#include "common/text/text.h"

namespace cleaner {

namespace {

constexpr int kPumpMs = 50;

std::string lowerAscii(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Decodes the entity starting at s[i] == '&'; advances i past it. Unknown ones stay as written.
void decodeEntity(const std::string& s, size_t& i, std::string& out) {
    const size_t semi = s.find(';', i + 1);
    if (semi == std::string::npos || semi - i > 10) {
        out += '&';
        ++i;
        return;
    }
    const std::string name = s.substr(i + 1, semi - i - 1);
    std::string lname = lowerAscii(name);
    std::string rep;
    bool known = true;
    if (lname == "amp")
        rep = "&";
    else if (lname == "lt")
        rep = "<";
    else if (lname == "gt")
        rep = ">";
    else if (lname == "quot")
        rep = "\"";
    else if (lname == "apos")
        rep = "'";
    else if (lname == "nbsp")
        rep = " ";
    else if (!lname.empty() && lname[0] == '#') {
        unsigned long cp = 0;
        bool hex = lname.size() > 1 && lname[1] == 'x';
        const std::string digits = lname.substr(hex ? 2 : 1);
        if (digits.empty()) known = false;
        for (char c : digits) {
            int d = -1;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            if (d < 0) {
                known = false;
                break;
            }
            cp = cp * (hex ? 16 : 10) + static_cast<unsigned long>(d);
            if (cp > 0x10FFFF) cp = 0x110000;
        }
        if (known) {
            // A character reference to nothing, a surrogate or past the last code point shows U+FFFD.
            if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
            text::appendUtf8(rep, static_cast<char32_t>(cp));
        }
    } else {
        known = false;
    }
    if (!known) {
        out += '&';
        ++i;
        return;
    }
    out += rep;
    i = semi + 1;
}

bool isBlockTag(const std::string& name) {
    static const char* const kBlocks[] = {"br", "p",     "div",   "h1", "h2", "h3", "h4",  "h5",   "h6",        "li",
                                          "tr", "title", "table", "ul", "ol", "hr", "pre", "body", "blockquote"};
    for (const char* b : kBlocks)
        if (name == b) return true;
    return false;
}

}  // namespace

std::string HtmlToText(const std::string& html) {
    const std::string src = text::isValidUtf8(html) ? html : text::fromCodePage(html, 1252);
    std::vector<std::string> lines(1);
    bool pendingBlank = false;  // a blank seen since the last visible character of the line
    auto breakLine = [&] {
        lines.push_back("");
        pendingBlank = false;
    };
    auto put = [&](const std::string& piece) {
        std::string& line = lines.back();
        if (pendingBlank && !line.empty()) line += ' ';
        pendingBlank = false;
        line += piece;
    };

    size_t i = 0;
    while (i < src.size()) {
        const char c = src[i];
        if (c == '<') {
            if (src.compare(i, 4, "<!--") == 0) {
                const size_t end = src.find("-->", i + 4);
                i = end == std::string::npos ? src.size() : end + 3;
                continue;
            }
            const size_t end = src.find('>', i + 1);
            if (end == std::string::npos) {
                put("<");
                ++i;
                continue;
            }
            std::string tag = src.substr(i + 1, end - i - 1);
            bool closing = !tag.empty() && tag[0] == '/';
            size_t nameStart = closing ? 1 : 0;
            size_t nameEnd = nameStart;
            while (nameEnd < tag.size() && std::isalnum(static_cast<unsigned char>(tag[nameEnd]))) ++nameEnd;
            const std::string name = lowerAscii(tag.substr(nameStart, nameEnd - nameStart));
            i = end + 1;
            if (!closing && (name == "script" || name == "style")) {
                const std::string lowerRest = lowerAscii(src.substr(i));
                const size_t close = lowerRest.find("</" + name);
                if (close == std::string::npos) {
                    i = src.size();
                } else {
                    const size_t closeEnd = src.find('>', i + close);
                    i = closeEnd == std::string::npos ? src.size() : closeEnd + 1;
                }
                continue;
            }
            if (isBlockTag(name))
                breakLine();
            else if (name == "td" || name == "th")
                pendingBlank = true;  // cells stay apart
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f') {
            pendingBlank = true;
            ++i;
            continue;
        }
        std::string piece;
        if (c == '&') {
            decodeEntity(src, i, piece);
        } else {
            piece = std::string(1, c);
            ++i;
        }
        put(piece);
    }

    std::string out;
    for (std::string& line : lines) {
        line = text::trim(line);
        if (line.empty()) continue;
        if (!out.empty()) out += "\r\n";
        out += line;
    }
    return out;
}

WebBrowser::WebBrowser(ui::Form& form, ui::Control* container, const std::string& name, plat::Http* http)
    : view(form, container, name), pump(form, name + "Pump", kPumpMs, false), http_(http) {
    view.multiLine = true;
    view.readOnly = true;
    pump.onTimer = [this] { pump_Timer(); };
}

WebBrowser::~WebBrowser() { Stop(); }

void WebBrowser::Navigate(const std::string& address) {
    Stop();
    requested_ = address;
    if (http_) request_ = http_->get(address);
    if (!request_) {
        // Nothing can fetch pages: the navigation fails at once.
        last_ = plat::HttpResult{};
        last_.errorText = "No connection to the internet is available.";
        location_ = address;
        ++completed_;
        view.setText("This page could not be displayed.\r\n\r\n" + address + "\r\n" + last_.errorText);
        if (onNavigateComplete) onNavigateComplete(*this, location_);
        return;
    }
    pump.setEnabled(true);
}

bool WebBrowser::Busy() {
    if (request_ && request_->finished()) complete();
    return request_ != nullptr;
}

void WebBrowser::Stop() {
    pump.setEnabled(false);
    if (request_) {
        request_->cancel();
        request_.reset();
    }
}

void WebBrowser::pump_Timer() {
    if (!Busy()) pump.setEnabled(false);
}

void WebBrowser::complete() {
    plat::HttpResult r = request_->result();
    request_.reset();
    pump.setEnabled(false);
    last_ = r;
    location_ = r.answered && !r.finalAddress.empty() ? r.finalAddress : requested_;
    ++completed_;
    if (LastFailed()) {
        std::string why = r.answered ? "The server answered with status " + std::to_string(r.status) + "."
                                     : (r.errorText.empty() ? "No answer came." : r.errorText);
        std::string page = r.answered ? HtmlToText(r.body) : "";
        view.setText("This page could not be displayed.\r\n\r\n" + location_ + "\r\n" + why +
                     (page.empty() ? "" : "\r\n\r\n" + page));
    } else {
        view.setText(HtmlToText(r.body));
    }
    if (onNavigateComplete) onNavigateComplete(*this, location_);
}

}  // namespace cleaner

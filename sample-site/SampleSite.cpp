#include "sample-site/SampleSite.h"

#include <httplib.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <thread>

namespace velmora::site {

namespace {

// The twelve grades in order; a grade's number is its position from 1.
constexpr std::array<std::string_view, highestGrade> gradeNames = {
    "저급", "일반", "고급", "희귀", "고대", "영웅", "유일", "유물", "경이", "서사", "전설", "신화",
};

constexpr std::string_view htmlType = "text/html; charset=utf-8";
constexpr std::string_view textType = "text/plain; charset=utf-8";

constexpr std::string_view styleSheet =
    "body{font-family:'맑은 고딕','NanumGothic','Noto Sans CJK KR',sans-serif;margin:1.5em;color:#222}"
    "table{border-collapse:collapse;margin-top:.8em}"
    "th,td{border:1px solid #bbb;padding:.3em .6em;text-align:center}"
    "th{background:#eef}td.left{text-align:left}td ul{margin:0;padding-left:1.2em}"
    "a{color:#1a4c9a}p.count{font-weight:bold}";

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The site checks the terms it is sent with a validator of its own, not the program's: it stands
// for the other side of the conversation, and must not share the program's mistakes.
bool isValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        // The sequence's length, the smallest code point it may carry and its lead bits.
        std::size_t length = 4;
        char32_t smallest = 0x10000;
        char32_t code = lead & 0x07u;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, smallest = 0x80, code = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, smallest = 0x800, code = lead & 0x0Fu;
        } else if ((lead & 0xF8) != 0xF0) {
            return false;
        }
        if (text.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
        if (code < smallest || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return false;
        i += length;
    }
    return true;
}

// Every character that could end an attribute or open a tag is escaped. Each text the search
// page is cut at holds one of them, so no escaped text can pass for page structure.
std::string htmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

bool isUsableHost(std::string_view host)
{
    return !host.empty() && host.size() <= 255 && std::all_of(host.begin(), host.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.'
               || c == '-' || c == ':' || c == '[' || c == ']';
    });
}

// The decoded value of the first parameter named `key` in a query; nullopt when there is none.
std::optional<std::string> queryValue(std::string_view query, std::string_view key)
{
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const std::size_t eq = pair.find('=');
        if (percentDecode(pair.substr(0, eq)) == key)
            return eq == std::string_view::npos ? std::string() : percentDecode(pair.substr(eq + 1));
        if (amp == std::string_view::npos)
            break;
        query.remove_prefix(amp + 1);
    }
    return std::nullopt;
}

// A whole number written with digits only ("007" included, signs and blanks not).
std::optional<int> digitsValue(const std::optional<std::string> &text)
{
    if (!text || text->empty() || text->size() > 9
        || !std::all_of(text->begin(), text->end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stoi(*text);
}

std::string pageStart(std::string_view title)
{
    std::string page = "<!DOCTYPE html>\n<html lang=\"ko\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
    page += htmlEscape(title);
    page += " - 벨모라 아이템 도감</title>\n<style>";
    page += styleSheet;
    page += "</style>\n</head>\n<body>\n";
    return page;
}

constexpr std::string_view pageEnd = "</body>\n</html>\n";

SiteResponse htmlPage(int status, std::string body) { return {status, std::string(htmlType), std::move(body)}; }

SiteResponse errorPage(int status, std::string_view message)
{
    std::string page = pageStart(message);
    page += "<h1>" + htmlEscape(message) + "</h1>\n<p><a href=\"/\">처음으로</a></p>\n";
    page += pageEnd;
    return htmlPage(status, std::move(page));
}

SiteResponse notFound() { return errorPage(404, "찾을 수 없는 페이지입니다"); }

std::string itemAddress(std::string_view host, int code)
{
    return "http://" + std::string(host) + std::string(itemPagePath) + "?code=" + std::to_string(code);
}

std::string searchForm(std::string_view term)
{
    return "<form method=\"get\" action=\"" + std::string(searchPagePath)
           + "\"><input type=\"hidden\" name=\"datagroup\" value=\"list4\">"
             "<input type=\"search\" name=\"sname\" value=\""
           + htmlEscape(term) + "\" placeholder=\"아이템 이름\"> <button type=\"submit\">검색</button></form>\n";
}

// The stats of an item at a grade in the item page's words, "공격력 30 · 힘 12"; "-" for none.
std::string statSummary(const CatalogItem &item, int grade)
{
    std::string summary;
    for (std::size_t s = 0; s < statCount; ++s) {
        const int value = statAtGrade(item.baseStats[s], grade);
        if (value == 0)
            continue;
        if (!summary.empty())
            summary += " · ";
        summary += std::string(statWords[s]) + " " + std::to_string(value);
    }
    return summary.empty() ? "-" : summary;
}

} // namespace

std::string percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0
                   && hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string requestLogLine(std::string_view method, std::string_view target, int status, std::size_t bytes)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string line(method);
    line += ' ';
    for (char c : target) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E) {
            line += "\\x";
            line += hex[byte >> 4];
            line += hex[byte & 0x0F];
        } else {
            line += c;
        }
    }
    line += ' ' + std::to_string(status) + ' ' + std::to_string(bytes);
    return line;
}

SampleSite::SampleSite(const Catalog &catalog, std::string versionText)
    : m_catalog(catalog), m_versionText(std::move(versionText))
{
}

SiteResponse SampleSite::answer(std::string_view method, std::string_view target, std::string_view host) const
{
    const std::size_t questionMark = target.find('?');
    const std::string_view path = target.substr(0, questionMark);
    const std::string_view query =
        questionMark == std::string_view::npos ? std::string_view() : target.substr(questionMark + 1);

    const bool isRead = method == "GET" || method == "HEAD";
    const bool known = path == searchPagePath || path == itemPagePath || path == tooltipPagePath
                       || path == versionPath || path == "/";
    if (!known)
        return notFound();
    // The program posts its searches; a browser's search form gets them.
    if (!isRead && !(path == searchPagePath && method == "POST"))
        return errorPage(405, "허용되지 않는 요청 방식입니다");

    if (path == versionPath)
        return {200, std::string(textType), m_versionText};
    if (path == "/")
        return indexPage();
    if (path == tooltipPagePath)
        return tooltipPage(query);
    if (!isUsableHost(host))
        return errorPage(400, "Host 헤더가 없거나 올바르지 않습니다");
    if (path == searchPagePath)
        return searchPage(query, host);
    return itemPage(query, host);
}

SiteResponse SampleSite::searchPage(std::string_view query, std::string_view host) const
{
    if (queryValue(query, "datagroup") != "list4")
        return errorPage(400, "지원하지 않는 목록입니다 (datagroup=list4만 검색할 수 있습니다)");
    const std::string term = queryValue(query, "sname").value_or(std::string());
    if (!isValidUtf8(term))
        return errorPage(400, "검색어가 UTF-8로 인코딩되어 있지 않습니다");

    const std::vector<const CatalogItem *> hits = m_catalog.search(term);
    std::string page = pageStart(term.empty() ? "전체 아이템" : term + " 검색");
    page += "<h1>벨모라 아이템 검색</h1>\n" + searchForm(term);
    page += "<p class=\"count\">";
    page += term.empty() ? std::string("전체 아이템") : "'" + htmlEscape(term) + "' 검색 결과";
    page += " " + std::to_string(hits.size()) + "건</p>\n";
    page += "<table class=\"items\">\n<tr><th>아이템명</th><th>레벨</th><th>종류</th><th>옵션</th></tr>\n";
    if (hits.empty())
        page += "<tr><td colspan=\"4\">검색 결과가 없습니다.</td></tr>\n";
    for (const CatalogItem *item : hits) {
        // The program reads each hit from this exact markup: the address after
        // `left itemname"><a href = "`, the name from `spacing:-1px;'>` to `</span>`, the kind
        // after the second <td>, and the option lines between <ul><li> and </li></ul>.
        page += "<tr><td class=\"left itemname\"><a href = \"" + itemAddress(host, item->code)
                + "\"><span style='letter-spacing:-1px;'>" + htmlEscape(item->name) + "</span></a></td><td>"
                + std::to_string(item->requiredLevel) + "</td><td>" + htmlEscape(item->kind)
                + "</td><td class=\"left options\">";
        if (!item->options.empty()) {
            page += "<ul>";
            for (const std::string &option : item->options)
                page += "<li>" + htmlEscape(option) + "</li>";
            page += "</ul>";
        }
        page += "</td></tr>\n";
    }
    // Whatever follows the last hit belongs to its stretch of the page: nothing below the table
    // may look like a name end, a cell or an option list.
    page += "</table>\n<p><a href=\"/\">처음으로</a></p>\n";
    page += pageEnd;
    return htmlPage(200, std::move(page));
}

SiteResponse SampleSite::itemPage(std::string_view query, std::string_view host) const
{
    const std::optional<int> code = digitsValue(queryValue(query, "code"));
    const CatalogItem *item = code ? m_catalog.find(*code) : nullptr;
    if (!item)
        return errorPage(404, "없는 아이템입니다");

    std::string page = pageStart(item->name);
    page += "<h1>" + htmlEscape(item->name) + "</h1>\n<p>" + htmlEscape(item->kind) + " · 요구 레벨 "
            + std::to_string(item->requiredLevel) + "</p>\n";
    if (!item->options.empty()) {
        page += "<ul class=\"options\">";
        for (const std::string &option : item->options)
            page += "<li>" + htmlEscape(option) + "</li>";
        page += "</ul>\n";
    }
    page += "<table class=\"grades\">\n<tr><th>등급</th><th>능력치</th></tr>\n";
    for (int grade = 1; grade <= highestGrade; ++grade) {
        // The program takes the n-th grade link for grade n and turns "detail" in its address
        // into "item_layer.inc" to reach the tooltip, so the address carries "detail" once, holds
        // a raw "&" (an escaped one would reach the tooltip as part of the parameter name) and
        // ends right before ` velmora-tip`.
        page += "<tr><td class = \"left\"><a href=\"" + itemAddress(host, item->code) + "&grade="
                + std::to_string(grade) + "\" velmora-tip>" + std::string(gradeNames[grade - 1])
                + "</a></td><td>" + statSummary(*item, grade) + "</td></tr>\n";
    }
    page += "</table>\n<p><a href=\"" + std::string(searchPagePath)
            + "?datagroup=list4&amp;sname=\">전체 아이템 목록</a> · <a href=\"/\">처음으로</a></p>\n";
    page += pageEnd;
    return htmlPage(200, std::move(page));
}

SiteResponse SampleSite::tooltipPage(std::string_view query) const
{
    const std::optional<int> code = digitsValue(queryValue(query, "code"));
    const std::optional<int> grade = digitsValue(queryValue(query, "grade"));
    const CatalogItem *item = code ? m_catalog.find(*code) : nullptr;
    if (!item || !grade || *grade < 1 || *grade > highestGrade)
        return errorPage(404, "없는 아이템 또는 등급입니다");

    // The program reads a value from its key up to the next ",", so every value is followed by
    // ", " and the level closes the list; "dps: " comes before "mdps: ", where it would
    // otherwise be found first. Stats of 0 are left out.
    std::string stats;
    auto add = [&stats](std::string_view key, int value) {
        stats += std::string(key) + std::to_string(value) + ", ";
    };
    for (Stat stat : {Stat::str, Stat::sta, Stat::spi, Stat::dex, Stat::intellect, Stat::dps, Stat::armor,
                      Stat::resist}) {
        const int value = statAtGrade(item->base(stat), *grade);
        if (value != 0)
            add(statKeys[static_cast<std::size_t>(stat)], value);
    }
    // The program looks for " itemtype: " with its leading space, which ", " gives after a stat.
    if (stats.empty())
        stats += ' ';
    add("itemtype: ", item->itemType);
    if (const int mdps = statAtGrade(item->base(Stat::mdps), *grade); mdps != 0)
        add(statKeys[static_cast<std::size_t>(Stat::mdps)], mdps);
    stats += "lv: " + std::to_string(item->requiredLevel);

    return htmlPage(200, "<div class=\"velmora-tip\"><b>" + htmlEscape(item->name) + "</b> ("
                             + std::string(gradeNames[*grade - 1]) + ")<br>" + stats + "</div>");
}

SiteResponse SampleSite::indexPage() const
{
    std::string page = pageStart("처음");
    page += "<h1>벨모라 아이템 도감</h1>\n" + searchForm("");
    page += "<p><a href=\"" + std::string(searchPagePath) + "?datagroup=list4&amp;sname=\">전체 아이템 "
            + std::to_string(m_catalog.items().size()) + "건</a> · <a href=\"" + std::string(versionPath)
            + "\">버전 정보</a></p>\n<ul>\n";
    for (const CatalogItem &item : m_catalog.items())
        page += "<li><a href=\"" + std::string(itemPagePath) + "?code=" + std::to_string(item.code) + "\">"
                + htmlEscape(item.name) + "</a> (" + htmlEscape(item.kind) + ")</li>\n";
    page += "</ul>\n";
    page += pageEnd;
    return htmlPage(200, std::move(page));
}

void SampleSite::mount(httplib::Server &server) const
{
    // httplib's default also sets SO_REUSEPORT, with which a second server could bind a port that
    // is in use and share its connections. SO_REUSEADDR alone still allows a quick restart.
    server.set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });
    // httplib writes a response's head and body separately; with Nagle's algorithm on, the body
    // waits for the client's delayed acknowledgement of the head, which on loopback takes far
    // longer than the whole answer.
    server.set_tcp_nodelay(true);
    auto route = [this](const httplib::Request &req, httplib::Response &res) {
        SiteResponse reply = answer(req.method, req.target, req.get_header_value("Host"));
        res.status = reply.status;
        if (reply.body.empty()) {
            // Handed to httplib as a body of length 0, which it sends as "Content-Length: 0" at
            // once. A content provider of length 0 is taken for one of unknown length instead:
            // the answer never ends and its thread asks the provider for more in a busy loop.
            res.set_content(std::string(), reply.contentType);
            return;
        }
        // Pages go out uncompressed. httplib compresses a plain body with Brotli at its
        // slowest setting whenever the client accepts it, which on loopback costs far more than
        // it saves (and grows with the page); a body handed over with its length is sent as it is.
        auto body = std::make_shared<const std::string>(std::move(reply.body));
        res.set_content_provider(body->size(), reply.contentType.c_str(),
                                 [body](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
                                     return sink.write(body->data() + offset, std::min(length, body->size() - offset));
                                 });
    };
    // A request without Content-Length and Transfer-Encoding has no body, yet httplib answers a
    // POST like that (what `curl -X POST` sends) with a bare 400 unless the handler reads the
    // body itself. So the body is read here, only when one was announced, and dropped.
    auto routeWithBody = [route](const httplib::Request &req, httplib::Response &res,
                                 const httplib::ContentReader &readBody) {
        if (req.has_header("Content-Length") || req.has_header("Transfer-Encoding"))
            readBody([](const char *, std::size_t) { return true; });
        route(req, res);
    };
    server.Get(".*", route);
    server.Options(".*", route);
    server.Post(".*", routeWithBody);
    server.Put(".*", routeWithBody);
    server.Delete(".*", routeWithBody);
    server.Patch(".*", routeWithBody);
}

struct LocalSampleSite::Impl {
    SampleSite site;
    httplib::Server server;
    std::thread thread;
    std::atomic<bool> listenEnded{false};
    int port = 0;

    Impl(const Catalog &catalog, std::string versionText) : site(catalog, std::move(versionText)) {}
};

LocalSampleSite::LocalSampleSite(const Catalog &catalog, std::string versionText)
    : m_impl(std::make_unique<Impl>(catalog, std::move(versionText)))
{
    Impl &impl = *m_impl;
    impl.site.mount(impl.server);
    impl.port = impl.server.bind_to_any_port("127.0.0.1");
    if (impl.port <= 0)
        throw std::runtime_error("sample site: cannot listen on 127.0.0.1");
    impl.thread = std::thread([&impl] {
        impl.server.listen_after_bind();
        impl.listenEnded = true;
    });
    // A stop() that comes before the listening loop runs is lost, and join() would then hang.
    while (!impl.server.is_running() && !impl.listenEnded)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LocalSampleSite::~LocalSampleSite()
{
    m_impl->server.stop();
    m_impl->thread.join();
}

int LocalSampleSite::port() const { return m_impl->port; }

std::string LocalSampleSite::base() const { return "http://127.0.0.1:" + std::to_string(m_impl->port); }

} // namespace velmora::site

#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "sample-site/Catalog.h"

namespace httplib {
class Server;
}

namespace velmora::site {

/// What /version.txt serves unless told otherwise: release 3, then a release note.
inline constexpr std::string_view defaultVersionText =
    "3//벨모라 아이템 시뮬레이터 1.3: 검색 결과 목록과 등급별 능력치 보기를 다듬었습니다.";

inline constexpr std::string_view searchPagePath = "/dataninfo/item/list.php";
inline constexpr std::string_view itemPagePath = "/dataninfo/item/detail.php";
inline constexpr std::string_view tooltipPagePath = "/dataninfo/item/item_layer.inc.php";
inline constexpr std::string_view versionPath = "/version.txt";

/// One answer of the site.
struct SiteResponse {
    int status = 200;
    std::string contentType;
    std::string body;
};

/// A query component as the site reads it: every "%" with two hex digits (either case) becomes
/// that byte and "+" becomes a space, the way browsers send form fields; a "%" without two hex
/// digits after it stays as it is. The bytes are not checked here.
///   "%EB%AA%A9" -> "목", "%61%20b" -> "a b", "a+b" -> "a b", "100%" -> "100%"
std::string percentDecode(std::string_view text);

/// One line of the request log, without the line end: method, request target, status and body
/// size, separated by spaces. Control characters and bytes above 0x7E in the target are written
/// as \xHH so that one request is always one line.
///   requestLogLine("POST", "/x?a=%EB", 200, 512) == "POST /x?a=%EB 200 512"
std::string requestLogLine(std::string_view method, std::string_view target, int status, std::size_t bytes);

/// The sample item database site: a search page, an item page per item, a tooltip per item and
/// grade, the version document and an index page. Addresses on the pages are absolute, built from
/// the request's Host header, so the links work on whatever address the site is reached at.
class SampleSite {
public:
    /// The catalog must outlive the site.
    explicit SampleSite(const Catalog &catalog, std::string versionText = std::string(defaultVersionText));

    /// The answer to one request. `target` is the request target as it stood on the request line
    /// (path, then "?" and the query); `host` the Host header ("" when the request had none).
    /// Pages that carry absolute addresses answer 400 when the host is missing or holds anything
    /// but letters, digits, ".", "-", ":", "[" and "]".
    SiteResponse answer(std::string_view method, std::string_view target, std::string_view host) const;

    /// Sets `server` up as this site: every route answers through answer(), and its listening
    /// socket is refused a port that another server already listens on. The site must outlive
    /// the server's listening loop.
    void mount(httplib::Server &server) const;

private:
    SiteResponse searchPage(std::string_view query, std::string_view host) const;
    SiteResponse itemPage(std::string_view query, std::string_view host) const;
    SiteResponse tooltipPage(std::string_view query) const;
    SiteResponse indexPage() const;

    const Catalog &m_catalog;
    std::string m_versionText;
};

/// The site running on 127.0.0.1 on a port the system picks, in a thread of its own, for the
/// life of the object: for tests and benchmarks. Throws std::runtime_error when it cannot listen.
class LocalSampleSite {
public:
    explicit LocalSampleSite(const Catalog &catalog = Catalog::builtIn(),
                             std::string versionText = std::string(defaultVersionText));
    ~LocalSampleSite();
    LocalSampleSite(const LocalSampleSite &) = delete;
    LocalSampleSite &operator=(const LocalSampleSite &) = delete;

    int port() const;
    /// "http://127.0.0.1:<port>"
    std::string base() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace velmora::site

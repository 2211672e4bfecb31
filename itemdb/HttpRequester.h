#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// Why a request gave no response text. Only the reason: what the player is told about it is
/// the window's business.
enum class RequestFailure {
    none,
    notOpened,                  // send() or responseText() without a successful open()
    refusedAddress,             // not an absolute http: or https: address, a redirect included
    couldNotConnect,            // no such host, connection refused
    proxyUnreachable,           // the proxy the environment names could not be found or reached
    timedOut,                   // the whole transfer took longer than the time-out
    bodyTooLarge,               // the body passed the size limit
    transferFailed,             // the connection broke off in the middle of the answer
    noAnswer,                   // the connection was closed before any answer came
    notHttp,                    // no HTTP answer: no status line, a broken one, garbled headers
    tooManyRedirects,           // redirected more often than any page needs (a redirect loop)
    headerTooLarge,             // the answer's header passed the size limit
    untrustedConnection,        // https: the site's certificate could not be verified
    certificateStoreUnreadable, // https: this computer's store of trusted certificates is unreadable
    secureConnectionFailed,     // https: no secure connection could be set up
    outOfMemory,                // the transfer ran out of memory (not a header line too long for it)
    otherFailure,               // anything else the transfer library reports
};

struct RequestLimits {
    std::chrono::milliseconds timeout{30'000};
    std::size_t maxBodyBytes = 32u * 1024u * 1024u;
};

/// A synchronous HTTP request object: open(), send(), responseText(), one request at a time.
/// Consecutive requests to the same host reuse one connection. Only http: and https: addresses
/// are requested, redirects included. Not thread-safe; it may be used from any one thread at a
/// time (the window runs send() on a worker thread while it waits).
class HttpRequester {
public:
    /// `certificateStore`: the file of trusted certificates https sites are checked against;
    /// empty for the system's own store, which is what the program uses.
    explicit HttpRequester(RequestLimits limits = {}, std::string certificateStore = {});
    ~HttpRequester();
    HttpRequester(const HttpRequester &) = delete;
    HttpRequester &operator=(const HttpRequester &) = delete;

    /// Starts a new request and forgets the previous response, whatever happens. False (and
    /// nothing will be sent) when the address is not an absolute http(s) address with a host
    /// (refusedAddress), or when the method is not "GET" or "POST" (notOpened). The address is
    /// later sent exactly as written: open("POST", "http://h/list.php?sname=%61") asks the server
    /// for "/list.php?sname=%61", not "...sname=a".
    bool open(std::string_view method, std::string_view address);

    /// Sends the opened request with an empty body and waits for the whole response, following
    /// redirects to http(s) addresses. False when nothing was opened or the request failed; the
    /// status code is not looked at (a 500 page is a response like any other). The body is
    /// decoded here, so the thread that calls send() does the decoding.
    bool send();

    /// The body of the response to the last successful send(), decoded to UTF-8; nullopt when the
    /// last open() or send() failed or nothing was sent since the last open().
    std::optional<std::string> responseText() const;

    /// The same text as responseText(), handed over instead of copied: afterwards the object
    /// holds no response (responseText() gives nullopt) until the next successful send(). A
    /// result page of thousands of hits is then neither copied nor kept after it has been cut.
    std::optional<std::string> takeResponseText();

    /// The HTTP status code of the last successful send()'s final answer, after redirects; 0 when
    /// there is none (after open(), after a failed send()). Only reported: send() does not look
    /// at it, and the text of a 404 page is there like any other.
    int status() const;

    RequestFailure failure() const;
    /// The transport's own words about the last failure ("" when there is none), for logs.
    const std::string &failureDetail() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace velmora

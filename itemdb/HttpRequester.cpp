#include "itemdb/HttpRequester.h"
#include "itemdb/Characters.h"
#include "itemdb/ResponseDecoding.h"

#include <curl/curl.h>

#include <mutex>
#include <utility>

namespace velmora {

namespace {

constexpr const char *userAgent = "velmora/1.3";
constexpr long maxRedirects = 10;
constexpr const char *allowedProtocols = "http,https";
// Servers refuse request lines much past 8 KB: an address longer than that is no page of a
// site, only a way to make the program send something odd.
constexpr std::size_t maxAddressLength = 8192;
// The most header one answer may carry, as browsers allow. Below the transfer library's own
// limit on a whole header (300 KB), so a site that sends more meets this one and the failure
// can be named; a single line past 100 KB meets the library's line limit first.
constexpr std::size_t maxHeaderBytes = 256 * 1024;

void initCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Whether `address` is an absolute http: or https: address with a host, that curl will take as
// it stands. Checked before curl ever sees it, so no other scheme can be requested and a line
// break cannot smuggle a header into the request.
bool isHttpAddress(std::string_view address)
{
    if (address.size() > maxAddressLength)
        return false;
    for (char c : address)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;

    const std::size_t schemeEnd = address.find("://");
    if (schemeEnd == std::string_view::npos)
        return false;
    const std::string_view scheme = address.substr(0, schemeEnd);
    if (!equalsAsciiNoCase(scheme, "http") && !equalsAsciiNoCase(scheme, "https"))
        return false;

    std::string_view authority = address.substr(schemeEnd + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    const std::string_view host = authority.starts_with('[') ? authority.substr(0, authority.find(']') + 1)
                                                              : authority.substr(0, authority.find(':'));
    if (host.empty())
        return false;

    // Same parse as curl's own for CURLOPT_URL: whatever it would reject (a bad port, spaces)
    // is refused here instead of failing later as a transfer.
    CURLU *url = curl_url();
    if (!url)
        return false;
    const std::string text(address);
    const CURLUcode parsed = curl_url_set(url, CURLUPART_URL, text.c_str(), CURLU_NON_SUPPORT_SCHEME | CURLU_PATH_AS_IS);
    curl_url_cleanup(url);
    return parsed == CURLUE_OK;
}

} // namespace

struct HttpRequester::State {
    enum class Method { get, post };

    RequestLimits limits;
    std::string certificateStore;
    CURL *curl = nullptr;
    curl_slist *headers = nullptr;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    bool opened = false;
    Method method = Method::get;
    std::string address;

    std::string received;           // the body while it arrives
    bool overLimit = false;         // the write callback stopped the transfer at the body limit
    std::size_t headerBytes = 0;    // of the answer whose header is arriving
    bool headerOverLimit = false;   // the header callback stopped the transfer at the header limit
    bool headerStarted = false;     // the status line of an answer has come
    bool headerEnded = false;       // the last answer's header came whole, up to its blank line
    bool throughProxy = false;      // the transfer library chose a proxy from the environment
    std::optional<std::string> text;
    int status = 0;                 // of the last successful send()'s final answer
    RequestFailure failure = RequestFailure::none;
    std::string detail;

    void forgetResponse()
    {
        text.reset();
        status = 0;
        failure = RequestFailure::none;
        detail.clear();
        std::string().swap(received);
        overLimit = false;
        headerBytes = 0;
        headerOverLimit = false;
        headerStarted = false;
        headerEnded = false;
        throughProxy = false;
    }

    void fail(RequestFailure why, std::string words)
    {
        text.reset();
        status = 0;
        std::string().swap(received);
        failure = why;
        detail = std::move(words);
    }

    static std::size_t onBody(char *data, std::size_t size, std::size_t count, void *user)
    {
        auto *state = static_cast<State *>(user);
        const std::size_t bytes = size * count;
        // Counted after any content decoding, so a small compressed reply cannot unpack into an
        // unbounded buffer either.
        if (bytes > state->limits.maxBodyBytes - state->received.size()) {
            state->overLimit = true;
            return 0; // anything but `bytes` makes curl abort the transfer
        }
        state->received.append(data, bytes);
        return bytes;
    }

    // One whole header line of an answer (a redirect's too), the blank line that ends the header
    // included.
    static std::size_t onHeader(char *data, std::size_t size, std::size_t count, void *user)
    {
        auto *state = static_cast<State *>(user);
        const std::string_view line(data, size * count);
        if (line.starts_with("HTTP/")) { // a status line opens the next answer's header
            state->headerBytes = 0;
            state->headerStarted = true;
            state->headerEnded = false;
        }
        state->headerBytes += line.size();
        if (state->headerBytes > maxHeaderBytes) {
            state->headerOverLimit = true;
            return 0; // anything but the line's size makes curl abort the transfer
        }
        if (line == "\r\n" || line == "\n")
            state->headerEnded = true;
        return line.size();
    }

    // The transfer library's own account of the transfer. Only one kind of line matters: it
    // names each proxy variable of the environment it goes by, the one way to tell a proxy that
    // cannot be reached from a site that cannot (both fail as "could not connect"). The list of
    // hosts to reach without a proxy (no_proxy) is named the same way, and names no proxy.
    static int onDebug(CURL *, curl_infotype type, char *data, std::size_t size, void *user)
    {
        constexpr std::string_view prefix = "Uses proxy env variable ";
        const std::string_view text(data, size);
        if (type != CURLINFO_TEXT || !text.starts_with(prefix))
            return 0;
        const std::string_view variable = text.substr(prefix.size(), text.find(' ', prefix.size()) - prefix.size());
        if (!equalsAsciiNoCase(variable, "no_proxy"))
            static_cast<State *>(user)->throughProxy = true;
        return 0;
    }

    // The reason for a failed transfer, from curl's code and what the callbacks saw. The codes
    // are those libcurl 7.88 gives for each case.
    RequestFailure classify(CURLcode code) const
    {
        switch (code) {
        case CURLE_COULDNT_CONNECT: // to the proxy, when there is one
            return throughProxy ? RequestFailure::proxyUnreachable : RequestFailure::couldNotConnect;
        case CURLE_COULDNT_RESOLVE_HOST:
            return RequestFailure::couldNotConnect;
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_PROXY: // the proxy refused or broke the tunnel
            return RequestFailure::proxyUnreachable;
        case CURLE_OPERATION_TIMEDOUT:
            return RequestFailure::timedOut;
        case CURLE_WRITE_ERROR:
            if (overLimit)
                return RequestFailure::bodyTooLarge;
            return headerOverLimit ? RequestFailure::headerTooLarge : RequestFailure::otherFailure;
        case CURLE_FILESIZE_EXCEEDED: // the announced length alone was past the limit
            return RequestFailure::bodyTooLarge;
        case CURLE_OUT_OF_MEMORY:
            // Also what curl says when one header line passes its 100 KB limit. That line never
            // reaches the header callback, so the answer's header is then begun and unfinished.
            return headerStarted && !headerEnded ? RequestFailure::headerTooLarge : RequestFailure::outOfMemory;
        case CURLE_UNSUPPORTED_PROTOCOL:
            // Either a redirect to file:, ftp: and the like, or an http(s) address that answered
            // without a status line (HTTP/0.9) or with one curl cannot read.
            return lastAddressIsHttp() ? RequestFailure::notHttp : RequestFailure::refusedAddress;
        case CURLE_URL_MALFORMAT: // a redirect to an address that cannot be read
            return RequestFailure::refusedAddress;
        case CURLE_WEIRD_SERVER_REPLY:   // a header line that is no header
        case CURLE_BAD_CONTENT_ENCODING: // a body that is not in the encoding it claims
        case CURLE_HTTP2:
            return RequestFailure::notHttp;
        case CURLE_TOO_MANY_REDIRECTS:
            return RequestFailure::tooManyRedirects;
        case CURLE_GOT_NOTHING:
            return RequestFailure::noAnswer;
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_HTTP2_STREAM:
            return RequestFailure::transferFailed;
        case CURLE_PEER_FAILED_VERIFICATION: // self-signed, expired, for another name
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
            return RequestFailure::untrustedConnection;
        case CURLE_SSL_CACERT_BADFILE: // our own store of trusted certificates, not the site's
            return RequestFailure::certificateStoreUnreadable;
        case CURLE_SSL_CONNECT_ERROR: // the handshake failed: no TLS on the other end, no common cipher
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_ENGINE_NOTFOUND:
        case CURLE_SSL_ENGINE_SETFAILED:
        case CURLE_SSL_ENGINE_INITFAILED:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CLIENTCERT:
        case CURLE_USE_SSL_FAILED:
            return RequestFailure::secureConnectionFailed;
        default:
            return RequestFailure::otherFailure;
        }
    }

    // Whether the address curl was at when the transfer ended is an http(s) one.
    bool lastAddressIsHttp() const
    {
        char *last = nullptr;
        curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &last);
        const std::string_view address = last ? last : "";
        const std::size_t schemeEnd = address.find("://");
        if (schemeEnd == std::string_view::npos)
            return false;
        const std::string_view scheme = address.substr(0, schemeEnd);
        return equalsAsciiNoCase(scheme, "http") || equalsAsciiNoCase(scheme, "https");
    }

    // Options that hold for every request of this object.
    void configure()
    {
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L); // runs on a worker thread
        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &State::onBody);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &State::onHeader);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
        // Only for onDebug: with a debug function set, nothing is written to stderr.
        curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, &State::onDebug);
        curl_easy_setopt(curl, CURLOPT_DEBUGDATA, this);
        curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
        if (!certificateStore.empty())
            curl_easy_setopt(curl, CURLOPT_CAINFO, certificateStore.c_str());
#ifdef _WIN32
        // Windows' TLS checks the certificate against its own store; a revocation list that
        // cannot be fetched (a site's CRL server down) does not make a valid site unreachable.
        curl_easy_setopt(curl, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
#endif
        // A body announced as larger than the limit is refused before any of it is read.
        curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBodyBytes));
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, allowedProtocols);
        curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, allowedProtocols);
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, maxRedirects);
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.timeout.count()));
        curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, ""); // every encoding curl can undo
        curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);      // the path goes out as written
        curl_easy_setopt(curl, CURLOPT_USERAGENT, userAgent);
        // The search is a POST without a body: no form Content-Type and no "Expect:
        // 100-continue" handshake, just "Content-Length: 0".
        headers = curl_slist_append(headers, "Content-Type:");
        headers = curl_slist_append(headers, "Expect:");
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    }
};

HttpRequester::HttpRequester(RequestLimits limits, std::string certificateStore)
    : m_state(std::make_unique<State>())
{
    initCurlOnce();
    m_state->limits = limits;
    m_state->certificateStore = std::move(certificateStore);
    // One handle for the object's life: it keeps the connection to the site open between
    // requests.
    m_state->curl = curl_easy_init();
    if (m_state->curl)
        m_state->configure();
}

HttpRequester::~HttpRequester()
{
    if (m_state->curl)
        curl_easy_cleanup(m_state->curl);
    curl_slist_free_all(m_state->headers);
}

bool HttpRequester::open(std::string_view method, std::string_view address)
{
    State &state = *m_state;
    state.forgetResponse();
    state.opened = false;
    state.address.clear();

    if (method == "GET") {
        state.method = State::Method::get;
    } else if (method == "POST") {
        state.method = State::Method::post;
    } else {
        state.fail(RequestFailure::notOpened, "only GET and POST requests are made");
        return false;
    }
    if (!isHttpAddress(address)) {
        state.fail(RequestFailure::refusedAddress, "not an absolute http or https address");
        return false;
    }
    state.address = address;
    state.opened = true;
    return true;
}

bool HttpRequester::send()
{
    State &state = *m_state;
    state.forgetResponse();
    if (!state.opened) {
        state.fail(RequestFailure::notOpened, "no request has been opened");
        return false;
    }
    if (!state.curl) {
        state.fail(RequestFailure::otherFailure, "the transfer library could not be started");
        return false;
    }

    CURL *curl = state.curl;
    curl_easy_setopt(curl, CURLOPT_URL, state.address.c_str());
    if (state.method == State::Method::post) {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, "");
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, 0L);
    } else {
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    }

    state.errorBuffer[0] = '\0';
    const CURLcode code = curl_easy_perform(curl);
    if (code != CURLE_OK) {
        state.fail(state.classify(code), state.errorBuffer[0] ? state.errorBuffer : curl_easy_strerror(code));
        return false;
    }
    // curl takes a connection that closes inside the header for the end of a short answer; the
    // answer is then cut off, not empty.
    if (!state.headerEnded) {
        state.fail(RequestFailure::transferFailed, "the connection closed inside the answer's header");
        return false;
    }

    // Decoded here, on the thread that waited for the network, so the caller's thread only
    // takes the finished text. The Content-Type is the final response's, after redirects.
    char *contentType = nullptr;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &contentType);
    state.text = decodeResponse(state.received, contentType ? contentType : "");
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status); // the final answer's, after redirects
    state.status = static_cast<int>(status);
    std::string().swap(state.received);
    return true;
}

std::optional<std::string> HttpRequester::responseText() const
{
    return m_state->text;
}

std::optional<std::string> HttpRequester::takeResponseText()
{
    std::optional<std::string> text = std::move(m_state->text);
    m_state->text.reset();
    return text;
}

int HttpRequester::status() const
{
    return m_state->status;
}

RequestFailure HttpRequester::failure() const
{
    return m_state->failure;
}

const std::string &HttpRequester::failureDetail() const
{
    return m_state->detail;
}

} // namespace velmora

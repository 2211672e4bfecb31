// velmora-sample-site: the sample item database site as a program of its own.
//   velmora-sample-site [--host ADDRESS] [--port N] [--version-text TEXT]
// Logs one line per request on stdout and stops cleanly on SIGINT or SIGTERM.

#include "sample-site/SampleSite.h"

#include <httplib.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace {

constexpr std::string_view programName = "velmora-sample-site";

struct Options {
    std::string host = "127.0.0.1";
    int port = 8750;
    std::string versionText{velmora::site::defaultVersionText};
    bool help = false;
};

void printUsage(std::ostream &out)
{
    out << "Usage: " << programName << " [--host ADDRESS] [--port N] [--version-text TEXT]\n"
        << "Serves the sample item database site of 벨모라.\n\n"
        << "  --host ADDRESS       address to listen on (default 127.0.0.1)\n"
        << "  --port N             port to listen on, 0 for any free port (default 8750)\n"
        << "  --version-text TEXT  what /version.txt serves (default: release 3 and a release note)\n"
        << "  --help               show this help and exit\n\n"
        << "Pages: /, /dataninfo/item/list.php?datagroup=list4&sname=TERM (GET or POST),\n"
        << "       /dataninfo/item/detail.php?code=N, /dataninfo/item/item_layer.inc.php?code=N&grade=G,\n"
        << "       /version.txt\n";
}

std::optional<int> portNumber(std::string_view text)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const int port = std::stoi(std::string(text));
    return port <= 65535 ? std::optional<int>(port) : std::nullopt;
}

// Reads the command line; an error message when it cannot be used.
std::optional<std::string> parseArguments(int argc, char **argv, Options &options)
{
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        // Both "--flag value" and "--flag=value".
        std::string_view name = arg;
        std::optional<std::string_view> value;
        if (const std::size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (name != "--host" && name != "--port" && name != "--version-text")
            return "unknown option " + std::string(arg);
        if (!value) {
            if (i + 1 >= argc)
                return std::string(name) + " needs a value";
            value = argv[++i];
        }
        if (name == "--host") {
            if (value->empty())
                return "--host needs an address";
            options.host = *value;
        } else if (name == "--port") {
            const std::optional<int> port = portNumber(*value);
            if (!port)
                return "--port takes a number from 0 to 65535, not \"" + std::string(*value) + "\"";
            options.port = *port;
        } else {
            options.versionText = *value;
        }
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (const std::optional<std::string> error = parseArguments(argc, argv, options)) {
        std::cerr << programName << ": " << *error << "\n";
        printUsage(std::cerr);
        return 2;
    }
    if (options.help) {
        printUsage(std::cout);
        return 0;
    }

    const velmora::site::Catalog *catalog = nullptr;
    try {
        catalog = &velmora::site::Catalog::builtIn();
    } catch (const velmora::site::CatalogError &error) {
        std::cerr << programName << ": the built-in catalog is unusable: " << error.what() << "\n";
        return 1;
    }

    // SIGINT and SIGTERM are blocked in every thread (the server's threads inherit the mask) and
    // taken by one thread with sigwait(), which may then stop the server safely.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    const velmora::site::SampleSite site(*catalog, options.versionText);
    httplib::Server server;
    site.mount(server);
    std::mutex logMutex;
    server.set_logger([&logMutex](const httplib::Request &req, const httplib::Response &res) {
        const std::string line = velmora::site::requestLogLine(req.method, req.target, res.status, res.body.size());
        const std::lock_guard lock(logMutex);
        std::cout << line << std::endl;
    });

    errno = 0;
    int port = options.port;
    const bool bound = port == 0 ? (port = server.bind_to_any_port(options.host)) > 0
                                 : server.bind_to_port(options.host, port);
    if (!bound) {
        const int error = errno;
        std::cerr << programName << ": cannot listen on " << options.host << ":" << options.port << ": "
                  << (error == EADDRINUSE ? "the port is already in use"
                      : error != 0        ? std::strerror(error)
                                          : "the address cannot be used")
                  << "\n";
        return 1;
    }
    const bool ipv6 = options.host.find(':') != std::string::npos;
    std::cout << programName << ": " << catalog->items().size() << " items, listening on http://"
              << (ipv6 ? "[" + options.host + "]" : options.host) << ":" << port << std::endl;

    std::atomic<bool> listenEnded{false};
    std::atomic<bool> stoppedBySignal{false};
    std::thread signalWaiter([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        if (listenEnded)
            return; // woken by main() below: the server has already ended
        stoppedBySignal = true;
        {
            const std::lock_guard lock(logMutex);
            std::cout << programName << ": " << (signal == SIGINT ? "SIGINT" : "SIGTERM") << ", stopping"
                      << std::endl;
        }
        // A stop() before the listening loop has started would be lost.
        while (!server.is_running() && !listenEnded)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        server.stop();
    });

    server.listen_after_bind();
    listenEnded = true;
    if (!stoppedBySignal)
        pthread_kill(signalWaiter.native_handle(), SIGTERM);
    signalWaiter.join();

    if (!stoppedBySignal) {
        std::cerr << programName << ": the server stopped unexpectedly\n";
        return 1;
    }
    return 0;
}

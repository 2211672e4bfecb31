#include "tests/support/SelfSignedTlsServer.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <stdexcept>
#include <vector>

extern char **environ;

namespace velmora::test {

namespace {

// Starts `openssl` with these arguments, its standard output going to `outputFd` (-1: nowhere)
// and its errors nowhere. The child's process id.
pid_t startOpenssl(const std::vector<std::string> &arguments, int outputFd)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (outputFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1); // no socket of the test's

    std::vector<std::string> all = {"openssl"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &argument : all)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_t child = -1;
    const int failed = posix_spawnp(&child, "openssl", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        throw std::runtime_error("the openssl command cannot be started (is the openssl package installed?)");
    return child;
}

int waitFor(pid_t child)
{
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

struct SelfSignedTlsServer::Impl {
    std::filesystem::path folder;
    pid_t server = -1;
    int output = -1; // s_server's standard output, kept open so that it can always write
    int port = 0;

    ~Impl()
    {
        if (server > 0) {
            ::kill(server, SIGTERM);
            waitFor(server);
        }
        if (output >= 0)
            ::close(output);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

SelfSignedTlsServer::SelfSignedTlsServer() : m_impl(std::make_unique<Impl>())
{
    Impl &impl = *m_impl;
    std::string folder = (std::filesystem::temp_directory_path() / "velmora-tls-XXXXXX").string();
    if (!::mkdtemp(folder.data()))
        throw std::runtime_error("self-signed TLS server: no temporary folder");
    impl.folder = folder;
    const std::string key = (impl.folder / "key.pem").string();
    const std::string certificate = (impl.folder / "certificate.pem").string();

    // An elliptic-curve key: made in a moment, where an RSA key takes a noticeable while.
    const pid_t maker = startOpenssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                                      "-nodes", "-subj", "/CN=127.0.0.1", "-days", "1", "-keyout", key, "-out",
                                      certificate},
                                     -1);
    if (waitFor(maker) != 0)
        throw std::runtime_error("self-signed TLS server: openssl req could not make the certificate");

    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        throw std::runtime_error("self-signed TLS server: no pipe");
    impl.output = pipe[0];
    try {
        impl.server = startOpenssl({"s_server", "-accept", "127.0.0.1:0", "-cert", certificate, "-key", key, "-www"},
                                   pipe[1]);
    } catch (...) {
        ::close(pipe[1]);
        throw;
    }
    ::close(pipe[1]);

    // s_server names the port it listens on in a line "ACCEPT 127.0.0.1:<port>" once it does.
    const std::regex acceptLine(R"(ACCEPT 127\.0\.0\.1:(\d+)\r?\n)");
    std::string said;
    char buffer[256];
    std::smatch found;
    while (!std::regex_search(said, found, acceptLine)) {
        const ssize_t n = ::read(impl.output, buffer, sizeof buffer);
        if (n <= 0)
            throw std::runtime_error("self-signed TLS server: openssl s_server ended before it listened: " + said);
        said.append(buffer, static_cast<std::size_t>(n));
    }
    impl.port = std::stoi(found[1].str());
}

SelfSignedTlsServer::~SelfSignedTlsServer() = default;

int SelfSignedTlsServer::port() const { return m_impl->port; }

std::string SelfSignedTlsServer::url(const std::string &path) const
{
    return "https://127.0.0.1:" + std::to_string(m_impl->port) + path;
}

} // namespace velmora::test

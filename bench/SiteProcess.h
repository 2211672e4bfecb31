#pragma once

// A site served from a child process, for the benchmarks that measure this process's memory: the
// site's pages are then not counted in it. And the main() those benchmarks share: the window on
// that site, shown offscreen, then the benchmarks.

#include <benchmark/benchmark.h>

#include <QApplication>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "app/FrmMain.h"
#include "bench/BenchWindow.h"

namespace velmora::bench {

struct SiteProcess {
    pid_t pid = -1;
    int holdOpen = -1; // the site runs until this end of its pipe is closed
    int port = 0;
    std::string detail; // what the site told about itself beside its port
};

/// What the child is handed: it reports its port (and a detail) once it serves, and then waits
/// until the parent lets it go.
struct SiteChild {
    int report = -1;
    int hold = -1;

    void ready(int port, const std::string &detail = {}) const
    {
        const std::string line = std::to_string(port) + " " + detail + "\n";
        if (write(report, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            _exit(1);
        close(report);
    }

    void waitForParent() const
    {
        char byte;
        while (read(hold, &byte, 1) > 0) {
        }
    }
};

/// Forks a site: `serve` runs in the child, calls ready() once it serves and waitForParent()
/// before it stops; the child then ends. Must run before this process starts any thread.
inline SiteProcess forkSite(const std::function<void(const SiteChild &)> &serve)
{
    int report[2];
    int hold[2];
    if (pipe(report) != 0 || pipe(hold) != 0)
        return {};
    SiteProcess site;
    site.pid = fork();
    if (site.pid == 0) {
        close(report[0]);
        close(hold[1]);
        serve(SiteChild{report[1], hold[0]});
        _exit(0);
    }
    close(report[1]);
    close(hold[0]);
    site.holdOpen = hold[1];
    std::string line;
    char c;
    while (read(report[0], &c, 1) == 1 && c != '\n')
        line += c;
    close(report[0]);
    const std::size_t space = line.find(' ');
    site.port = std::atoi(line.substr(0, space).c_str());
    if (space != std::string::npos)
        site.detail = line.substr(space + 1);
    return site;
}

inline void stopSiteProcess(const SiteProcess &site)
{
    if (site.holdOpen >= 0)
        close(site.holdOpen);
    if (site.pid > 0)
        waitpid(site.pid, nullptr, 0);
}

/// main() of a benchmark program on a site of its own: forks the site, shows the window on it
/// offscreen, hands it to `shown` and runs the benchmarks; `shown` is called with nullptr once
/// they are done.
inline int runOnForkedSite(int argc, char **argv, const char *program,
                           const std::function<void(const SiteChild &)> &serve,
                           const std::function<void(FrmMain *, const SiteProcess &)> &shown)
{
    const SiteProcess site = forkSite(serve);
    if (site.port <= 0) {
        std::fprintf(stderr, "%s: the site process did not start\n", program);
        stopSiteProcess(site);
        return 1;
    }
    useOffscreenPlatform();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        stopSiteProcess(site);
        return 1;
    }
    int status = 0;
    {
        QApplication app(argc, argv);
        FrmMain window(QStringLiteral("http://127.0.0.1:%1").arg(site.port));
        window.show();
        if (!waitUntilShown(window)) {
            status = 1;
        } else {
            shown(&window, site);
            benchmark::RunSpecifiedBenchmarks();
        }
        shown(nullptr, site);
    }
    benchmark::Shutdown();
    stopSiteProcess(site);
    return status;
}

} // namespace velmora::bench

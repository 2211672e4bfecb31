# The two commands of the README (`make run`, `make test`) and a few more. Each target installs
# the Debian packages its own purpose needs (scripts/install-deps <purpose>) and builds with a
# preset of its own, in build/<preset>.
SHELL := /bin/bash
JOBS  ?= $(shell nproc)
SITE_PORT ?= 8750
FUZZ_SECONDS ?= 300

.PHONY: all test asan-test run bench fuzz package package-local clean windows windows-local windows-test windows-e2e windows-bench \
        build-dev build-release build-asan build-bench

all: build-dev

build-dev:
	@scripts/install-deps test
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)

build-release:
	@scripts/install-deps run
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

build-asan:
	@scripts/install-deps test
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)

build-bench:
	@scripts/install-deps bench
	cmake --preset bench
	cmake --build --preset bench -j $(JOBS)

# Every test; window tests run on Qt's offscreen platform (set by the test preset).
test: build-dev
	ctest --preset dev -j $(JOBS)

asan-test: build-asan
	ctest --preset asan -j $(JOBS)

# Starts the sample item site unless something answers on its port, opens the window, and stops
# the site it started when the window closes.
run: build-release
	@scripts/run-window build/release $(SITE_PORT)

# Runs every benchmark program five times and prints the table of figures, floors and budgets
# (scripts/bench; BENCH_RUNS=n for another number of runs).
bench: build-bench
	scripts/bench build/bench

# Builds the fuzz targets (the `fuzz` preset: clang, libFuzzer and the sanitizers) and runs each
# for FUZZ_SECONDS on a copy of its corpus; fails when any of them finds a crash.
fuzz:
	@scripts/install-deps fuzz
	@scripts/fuzz $(FUZZ_SECONDS)

# The Debian package for players, built against the real item site in build/package:
#   make package SITE_BASE=https://items.example.org VERSION_URL=https://items.example.org/version.txt
# The addresses are passed on every run, so none stays behind from an earlier one.
package:
	@if [[ -z "$(SITE_BASE)" || -z "$(VERSION_URL)" ]]; then \
	  echo "make package: a package for players is built against the real item site; give its two addresses:" >&2; \
	  echo "  make package SITE_BASE=https://… VERSION_URL=https://…/version.txt" >&2; \
	  echo "For a local trial against a site on this machine: make package-local [SITE_BASE=… VERSION_URL=…]" >&2; \
	  exit 1; \
	fi
	@scripts/install-deps package
	cmake --preset package -DVELMORA_SITE_BASE='$(SITE_BASE)' -DVELMORA_VERSION_URL='$(VERSION_URL)'
	cmake --build --preset package -j $(JOBS)
	rm -f build/package/velmora_*.deb
	cpack --preset package
	scripts/check-package build/package/velmora_*.deb

# A package for trying the program out against a site on this machine (the sample site on
# 127.0.0.1:8750 unless SITE_BASE and VERSION_URL say otherwise), in build/package-local. Its
# file name and description say that it is a local trial.
package-local: SITE_BASE ?= http://127.0.0.1:$(SITE_PORT)
package-local: VERSION_URL ?= $(SITE_BASE)/version.txt
package-local:
	@scripts/install-deps package
	cmake --preset package-local -DVELMORA_SITE_BASE='$(SITE_BASE)' -DVELMORA_VERSION_URL='$(VERSION_URL)'
	cmake --build --preset package-local -j $(JOBS)
	rm -f build/package-local/velmora_*.deb
	cpack --preset package-local
	scripts/check-package build/package-local/velmora_*.local-trial.deb

clean:
	rm -rf build

# --- Windows: cross-compiled here with mingw-w64, tested under Wine -----------------------------
# The toolchain (Qt, curl, GoogleTest built from Debian's source packages) is built once into
# ~/.cache/velmora/windows-<recipe hash> (scripts/windows-toolchain, about 25 minutes the first
# time); every target below builds it when the cache lacks it.
WINDOWS_TOOLCHAIN = set -o pipefail && export VELMORA_WINDOWS_PREFIX=$$(scripts/windows-toolchain | tail -n 1)

# The installer and the portable zip for players, in build/windows:
#   make windows SITE_BASE=https://items.example.org VERSION_URL=https://items.example.org/version.txt
windows:
	@if [[ -z "$(SITE_BASE)" || -z "$(VERSION_URL)" ]]; then \
	  echo "make windows: the installer for players is built against the real item site; give its two addresses:" >&2; \
	  echo "  make windows SITE_BASE=https://… VERSION_URL=https://…/version.txt" >&2; \
	  echo "For a local trial against a site on this machine: make windows-local [SITE_BASE=… VERSION_URL=…]" >&2; \
	  exit 1; \
	fi
	@scripts/install-deps windows
	$(WINDOWS_TOOLCHAIN) && \
	cmake --preset windows -DVELMORA_SITE_BASE='$(SITE_BASE)' -DVELMORA_VERSION_URL='$(VERSION_URL)' && \
	cmake --build --preset windows -j $(JOBS) && \
	scripts/windows-package build/windows

# A local trial against a site on this machine (the sample site unless SITE_BASE and VERSION_URL
# say otherwise), in build/windows-local; its file names say that it is a local trial.
windows-local: SITE_BASE ?= http://127.0.0.1:$(SITE_PORT)
windows-local: VERSION_URL ?= $(SITE_BASE)/version.txt
windows-local:
	@scripts/install-deps windows
	$(WINDOWS_TOOLCHAIN) && \
	cmake --preset windows-local -DVELMORA_SITE_BASE='$(SITE_BASE)' -DVELMORA_VERSION_URL='$(VERSION_URL)' && \
	cmake --build --preset windows-local -j $(JOBS) && \
	scripts/windows-package build/windows-local

# The tests built for Windows and run under Wine.
windows-test:
	@scripts/install-deps windows
	$(WINDOWS_TOOLCHAIN) && \
	cmake --preset windows-test && \
	cmake --build --preset windows-test -j $(JOBS) && \
	scripts/wine-run cmd /c exit && \
	ctest --preset windows-test -j $(JOBS)

# The installer's end-to-end check in a fresh Wine prefix against the sample site (the Linux
# build, on loopback): install, search, add and 계산 against the Linux build's captions, a set file
# through the association, the working set after a kill, uninstall.
windows-e2e: build-release windows-local
	scripts/windows-e2e build/windows-local build/release

# Start-up and the page cut of the Windows build under Wine beside the Linux build (figures only).
windows-bench: build-bench
	@scripts/install-deps windows
	$(WINDOWS_TOOLCHAIN) && \
	cmake --preset windows-bench && \
	cmake --build --preset windows-bench -j $(JOBS) && \
	xvfb-run -a -s "-screen 0 1280x1024x24" scripts/windows-bench build/bench build/windows-bench

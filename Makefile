# The two commands of the README (`make run`, `make test`) and a few more.
SHELL := /bin/bash
JOBS  ?= $(shell nproc)
SITE_PORT ?= 8750
FUZZ_SECONDS ?= 300

.PHONY: all deps test asan-test run package build-dev build-release build-asan clean

all: build-dev

deps:
	@scripts/install-deps

build-dev: deps
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)

build-release: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

build-asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)

# Every test; window tests run on Qt's offscreen platform (set by the test preset).
test: build-dev
	ctest --preset dev -j $(JOBS)

asan-test: build-asan
	ctest --preset asan -j $(JOBS)

# Starts the sample item site unless something answers on its port, opens the window, and stops
# the site it started when the window closes.
run: build-release
	@scripts/run-window build/release $(SITE_PORT)

# The Debian package of the program: build/release/velmora_<version>_amd64.deb
package: build-release
	cd build/release && cpack -G DEB

clean:
	rm -rf build

# Builds the fuzz targets with clang, libFuzzer and the sanitizers in build/fuzz and runs each
# for FUZZ_SECONDS on a copy of its corpus; fails when any of them finds a crash.
.PHONY: fuzz
fuzz: deps
	@scripts/fuzz $(FUZZ_SECONDS)

# Builds the release preset and runs every benchmark program five times, then prints the table of
# figures, floors and budgets (scripts/bench; BENCH_RUNS=n for another number of runs).
.PHONY: bench
bench: build-release
	scripts/bench build/release

# The two commands: `make run` starts Kelvarion under Wine, `make test` builds
# everything and runs every layer of tests. Both install what they need first.
SHELL := /bin/bash
.SHELLFLAGS := -o pipefail -c
JOBS ?= $(shell nproc)
TOP := $(CURDIR)
DEPS := $(TOP)/build/deps/win64
CMAKE_COMMON := -G Ninja -Wno-dev

.PHONY: all setup build host asan win64 fuzz-build test run bench fuzz dist clean

all: build

setup:
	@scripts/setup

host: setup
	@cmake -S . -B build/host $(CMAKE_COMMON) > build/host-configure.log 2>&1 || (cat build/host-configure.log; exit 1)
	@ninja -C build/host -j $(JOBS) | { grep -v '^\[' || true; }

asan: setup
	@cmake -S . -B build/asan $(CMAKE_COMMON) -DKELVARION_SANITIZE=ON > build/asan-configure.log 2>&1 || (cat build/asan-configure.log; exit 1)
	@ninja -C build/asan -j $(JOBS) unit_tests | { grep -v '^\[' || true; }

win64: setup
	@cmake -S . -B build/win64 $(CMAKE_COMMON) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DKELVARION_DEPS_DIR=$(DEPS) > build/win64-configure.log 2>&1 || (cat build/win64-configure.log; exit 1)
	@ninja -C build/win64 -j $(JOBS) | { grep -v '^\[' || true; }

fuzz-build: setup
	@cmake -S . -B build/fuzz $(CMAKE_COMMON) -DKELVARION_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ > build/fuzz-configure.log 2>&1 || (cat build/fuzz-configure.log; exit 1)
	@ninja -C build/fuzz -j $(JOBS) | { grep -v '^\[' || true; }

build: host asan win64

test: build fuzz-build
	@scripts/test-all

run: win64
	@scripts/run

bench: host win64
	@scripts/bench

fuzz: fuzz-build
	@KELVARION_FUZZ_SECONDS=$${KELVARION_FUZZ_SECONDS:-300} scripts/fuzz

# The program as it is handed out: the static executable without its symbols.
dist: win64
	@mkdir -p build/dist
	@x86_64-w64-mingw32-strip -o build/dist/Kelvarion.exe build/win64/Kelvarion.exe
	@echo "build/dist/Kelvarion.exe: $$(numfmt --to=iec --suffix=B $$(stat -c %s build/dist/Kelvarion.exe)) ($$(stat -c %s build/dist/Kelvarion.exe) bytes; unstripped $$(numfmt --to=iec --suffix=B $$(stat -c %s build/win64/Kelvarion.exe)))"

clean:
	rm -rf build/host build/asan build/win64 build/fuzz build/e2e

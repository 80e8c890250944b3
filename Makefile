# NavaNava Saver. `make run` shows the saver; `make test` builds and runs every
# test. Both install what they need first (Debian 12, as root).
SHELL := /bin/bash
JOBS ?= $(shell nproc)
BUILD := build
CMAKE_FLAGS := -G "Unix Makefiles" -Wno-dev

.PHONY: all deps native win32 sanitize test test-native test-sanitize test-win32 run run-linux bench fuzz package clean

all: native win32

deps:
	@scripts/install-deps.sh

$(BUILD)/native/Makefile: | deps
	@cmake -S . -B $(BUILD)/native $(CMAKE_FLAGS) >/dev/null

$(BUILD)/win32/Makefile: | deps
	@cmake -S . -B $(BUILD)/win32 $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null

$(BUILD)/sanitize/Makefile: | deps
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD)/sanitize $(CMAKE_FLAGS) \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNAVANAVA_SANITIZE=ON -DNAVANAVA_FUZZ=ON -DNAVANAVA_BENCH=OFF >/dev/null

native: deps $(BUILD)/native/Makefile
	@cmake --build $(BUILD)/native -j$(JOBS) -- --no-print-directory -s

win32: deps $(BUILD)/win32/Makefile
	@cmake --build $(BUILD)/win32 -j$(JOBS) -- --no-print-directory -s

sanitize: deps $(BUILD)/sanitize/Makefile
	@cmake --build $(BUILD)/sanitize -j$(JOBS) -- --no-print-directory -s

test-native: native
	@ctest --test-dir $(BUILD)/native --output-on-failure

test-sanitize: sanitize
	@ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(BUILD)/sanitize --output-on-failure

# Wine tests run on private Xvfb displays that are stopped again afterwards.
test-win32: win32
	@trap 'scripts/wine-session.sh stop' EXIT; \
	  ctest --test-dir $(BUILD)/win32 --output-on-failure

test: test-native test-sanitize test-win32

run: win32
	@scripts/run-saver.sh $(BUILD)/win32

run-linux: native
	@scripts/run-linux.sh $(BUILD)/native

bench: native
	@for b in $(BUILD)/native/bench/*_bench; do [ -x "$$b" ] && "$$b"; done

# The Debian package (the XScreenSaver hack) and the zip with navanava.scr.
package: native win32
	@cd $(BUILD)/native && cpack -G DEB >/dev/null
	@cd $(BUILD)/win32 && cpack -G ZIP >/dev/null
	@ls -1 $(BUILD)/native/packages/*.deb $(BUILD)/win32/packages/*.zip

fuzz: sanitize
	@scripts/fuzz-long.sh $(BUILD)/sanitize

clean:
	@scripts/wine-session.sh stop 2>/dev/null || true
	rm -rf $(BUILD)

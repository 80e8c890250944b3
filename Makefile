# NavaNava Saver. `make run` shows the saver; `make test` builds and runs every
# test. Both install what they need first (Debian 12, as root).
SHELL := /bin/bash
JOBS ?= $(shell nproc)
BUILD := build
CMAKE_FLAGS := -G "Unix Makefiles" -Wno-dev

.PHONY: all deps native win32 win64 sanitize web web-node test test-native test-sanitize test-win32 test-win64 test-web \
        run run-linux run-web bench bench-web fuzz package clean

all: native win32 win64

deps:
	@scripts/install-deps.sh

$(BUILD)/native/Makefile: | deps
	@cmake -S . -B $(BUILD)/native $(CMAKE_FLAGS) >/dev/null

# The 32-bit Windows program; its zip carries the x86-64 program too.
$(BUILD)/win32/Makefile: | deps
	@cmake -S . -B $(BUILD)/win32 $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	  -DNAVANAVA_WIN64_PROGRAM=$(abspath $(BUILD)/win64/win32/navanava.scr) >/dev/null

# The x86-64 Windows program, from the same sources.
$(BUILD)/win64/Makefile: | deps
	@cmake -S . -B $(BUILD)/win64 $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake >/dev/null

# The web page: emscripten's optimizer needs its acorn module, which a node
# other than Debian's does not find by itself.
EMSCRIPTEN_ENV := NODE_PATH=/usr/share/nodejs

$(BUILD)/web-cmake/Makefile: | deps
	@$(EMSCRIPTEN_ENV) emcmake cmake -S web -B $(BUILD)/web-cmake $(CMAKE_FLAGS) \
	  -DNAVANAVA_WEB_SITE=$(abspath $(BUILD)/web) \
	  -DNAVANAVA_RENDER=$(abspath $(BUILD)/native/tools/navanava-render) >/dev/null

$(BUILD)/sanitize/Makefile: | deps
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD)/sanitize $(CMAKE_FLAGS) \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNAVANAVA_SANITIZE=ON -DNAVANAVA_FUZZ=ON -DNAVANAVA_BENCH=OFF >/dev/null

native: deps $(BUILD)/native/Makefile
	@cmake --build $(BUILD)/native -j$(JOBS) -- --no-print-directory -s

win32: deps $(BUILD)/win32/Makefile
	@cmake --build $(BUILD)/win32 -j$(JOBS) -- --no-print-directory -s

win64: deps $(BUILD)/win64/Makefile
	@cmake --build $(BUILD)/win64 -j$(JOBS) -- --no-print-directory -s

sanitize: deps $(BUILD)/sanitize/Makefile
	@cmake --build $(BUILD)/sanitize -j$(JOBS) -- --no-print-directory -s

# The page's folder, build/web: put it on any static host.
web: deps $(BUILD)/web-cmake/Makefile
	@$(EMSCRIPTEN_ENV) cmake --build $(BUILD)/web-cmake -j$(JOBS) --target navanava_site -- --no-print-directory -s

# The browser driver for the page's tests (no browser download: the tests
# drive Debian's Chromium).
web-node: deps
	@cd tests/web && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error >/dev/null

# Each group's CTest runs $(JOBS) entries at a time; `make test` runs the four
# groups side by side (scripts/run-tests.sh). The X soak runs 100 s (10 000
# ticks in each of its two programs) there; `make fuzz` runs it for longer.
test-native: native
	@scripts/run-tests.sh $(BUILD) $(JOBS) native

test-sanitize: sanitize
	@scripts/run-tests.sh $(BUILD) $(JOBS) sanitize

# Wine tests run on private Xvfb displays that are stopped again afterwards.
# The 32-bit program's group runs only its own tier where Wine's 32-bit
# programs run under an emulator (scripts/run-tests.sh); the x86-64 program's
# runs every Windows test, natively.
test-win32: win32 win64
	@scripts/run-tests.sh $(BUILD) $(JOBS) win32

test-win64: win64
	@scripts/run-tests.sh $(BUILD) $(JOBS) win64

# The core's tests under node, then the page in headless Chromium against
# navanava-render's frames.
test-web: web native web-node
	@$(EMSCRIPTEN_ENV) cmake --build $(BUILD)/web-cmake -j$(JOBS) -- --no-print-directory -s
	@scripts/run-tests.sh $(BUILD) $(JOBS) web

test: native sanitize win32 win64 web web-node
	@$(EMSCRIPTEN_ENV) cmake --build $(BUILD)/web-cmake -j$(JOBS) -- --no-print-directory -s
	@scripts/run-tests.sh $(BUILD) $(JOBS) native sanitize win32 win64 web

# The 32-bit program where the kernel runs 32-bit programs, the x86-64 one
# under 64-bit Wine where it cannot (there the 32-bit one would run under an
# emulator, slowly).
run: win32 win64
	@scripts/run-saver.sh $(BUILD)

run-linux: native
	@scripts/run-linux.sh $(BUILD)/native

# Serves the page on 127.0.0.1 and prints its address; without a display,
# photographs it instead (build/web-screenshot.png).
run-web: web web-node
	@scripts/run-web.sh $(BUILD)/web

bench: native
	@for b in $(BUILD)/native/bench/*_bench; do [ -x "$$b" ] && "$$b"; done

# The Debian package (the XScreenSaver hack), the Windows setup program and
# the zip with navanava.scr.
package: native win32 win64
	@cd $(BUILD)/native && cpack -G DEB >/dev/null
	@cmake --build $(BUILD)/win32 --target navanava_setup -- --no-print-directory -s
	@cd $(BUILD)/win32 && cpack -G ZIP >/dev/null
	@ls -1 $(BUILD)/native/packages/*.deb $(BUILD)/win32/packages/*-setup.exe $(BUILD)/win32/packages/*.zip

# Sizes, time to the first picture and the cost of a frame in Chromium.
bench-web: web web-node
	@NAVANAVA_WEB_SITE=$(abspath $(BUILD)/web) node tests/web/bench.mjs

fuzz: sanitize
	@scripts/fuzz-long.sh $(BUILD)/sanitize

clean:
	@for arch in win32 win64; do \
	  NAVANAVA_WINE_ARCH=$$arch NAVANAVA_WINE_ROOT=$(BUILD)/$$arch/wine scripts/wine-session.sh stop 2>/dev/null || true; \
	done
	rm -rf $(BUILD)

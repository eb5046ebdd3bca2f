# Entry points over CMake, once the tools are installed (./test.sh installs them).
JOBS ?= $(shell nproc)
NORMAL := build/normal
SANITIZE := build/sanitize
BENCH := build/bench
SOURCES := find . -path ./build -prune -o -path ./.git -prune -o \( -name '*.cpp' -o -name '*.h' \) -print

.PHONY: all build sanitize test test-sanitize bench e2e fuzz soak windows windows-tests e2e-windows \
        bench-windows web serve-web e2e-web format format-check clean package package-windows

all: build

build:
	cmake -S . -B $(NORMAL) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(NORMAL) -j $(JOBS)

sanitize:
	cmake -S . -B $(SANITIZE) -DCMAKE_BUILD_TYPE=Debug -DSTARQUELL_SANITIZE=ON >/dev/null
	cmake --build $(SANITIZE) -j $(JOBS)

test: build
	ctest --test-dir $(NORMAL) --output-on-failure -j $(JOBS)

test-sanitize: sanitize
	ctest --test-dir $(SANITIZE) --output-on-failure -j $(JOBS)

bench:
	cmake -S . -B $(BENCH) -DCMAKE_BUILD_TYPE=Release -DSTARQUELL_BENCH=ON -DSTARQUELL_TESTS=OFF >/dev/null
	cmake --build $(BENCH) -j $(JOBS)
	@# From the sound folder, as the game runs: programs that run frames load the sounds.
	@for b in $(BENCH)/benchmarks/*; do echo "== $$b"; (cd $(BENCH)/sounds && ../benchmarks/$$(basename $$b) --benchmark_repetitions=5 --benchmark_report_aggregates_only=true) || exit 1; done
	@# Network play's waits between two real, paced processes over loopback UDP.
	bench/net/processes.sh $(BENCH)

e2e: build
	@if [ -x tests/e2e/run.sh ]; then tests/e2e/run.sh $(NORMAL); else echo "no end-to-end checks yet"; fi

# The sanitizer build of the replay runner over random input and window sizes.
SOAK_FRAMES ?= 1000000
soak: sanitize
	tools/replay/soak.sh $(SANITIZE)/tools/replay/starquell-replay $(SOAK_FRAMES)

# Every fuzz target for FUZZ_SECONDS (60) from its seeds in fuzz/corpus/, left
# as they are: the inputs that reach new code are gathered in
# build/fuzz/new/<target>/, and the summary gives the commands that add them.
fuzz:
	@if [ -x fuzz/run.sh ]; then fuzz/run.sh; else echo "no fuzz targets yet"; fi

# The program for Windows, cross-built against the real <windows.h>.
windows:
	cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build/windows -j $(JOBS)

# The test suites and the replay runner cross-built for Windows on our own
# platform layer; their ctest runs them under Wine.
windows-tests:
	cmake -S . -B build/windows-tests -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release -DSTARQUELL_WIN32_SHIM=ON >/dev/null
	cmake --build build/windows-tests -j $(JOBS)

# Everything Windows under Wine (installed when missing): the suites, the
# golden duel, and starquell.exe through the window system.
e2e-windows: build windows windows-tests
	tests/wine/run.sh build/windows build/windows-tests $(NORMAL)

# The frame pacing of starquell.exe under Wine: 600 frame periods.
bench-windows: build windows
	bench/windows/pacing.sh build/windows $(NORMAL)

# The game in a browser: build/web holds the page, the program (starquell.js,
# starquell.wasm) and the sound files, built by Debian's emscripten; the CMake
# build is in build/web-build. Emscripten's own scripts need Debian's node
# modules even where another node comes first on PATH.
WEB := build/web
WEB_BUILD := build/web-build
EMSCRIPTEN_TOOLCHAIN := /usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake
web serve-web e2e-web: export NODE_PATH := /usr/share/nodejs$(if $(NODE_PATH),:$(NODE_PATH))
web:
	cmake -S . -B $(WEB_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(EMSCRIPTEN_TOOLCHAIN) -DCMAKE_BUILD_TYPE=MinSizeRel \
	  -DSTARQUELL_WEB_DIR=$(CURDIR)/$(WEB) >/dev/null
	cmake --build $(WEB_BUILD) -j $(JOBS)

# Serves build/web on http://localhost:8000/ (WEB_PORT).
WEB_PORT ?= 8000
serve-web: web
	python3 -m http.server --bind 127.0.0.1 --directory $(WEB) $(WEB_PORT)

# The page in headless chromium (installed when missing, with emscripten): the
# game, its sound, its report box, its timings and sizes.
e2e-web:
	bash -c 'source scripts/deps.sh && ensure_packages "$${WEB_PACKAGES[@]}"'
	$(MAKE) web build
	tests/web/run.sh $(WEB) $(NORMAL)

# The Debian package, build/package/starquell_<version>_amd64.deb: a release
# build for /usr, the programs in /usr/games as Debian keeps games, with all
# of Debian's hardening flags; its dependencies are found by dpkg-shlibdeps.
DEB_FLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
package:
	cmake -S . -B build/deb -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	  -DCMAKE_INSTALL_BINDIR=games -DSTARQUELL_TESTS=OFF \
	  -DCMAKE_CXX_FLAGS="$$($(DEB_FLAGS) CPPFLAGS) $$($(DEB_FLAGS) CXXFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$($(DEB_FLAGS) LDFLAGS)" >/dev/null
	cmake --build build/deb -j $(JOBS)
	cd build/deb && cpack -B $(CURDIR)/build/package >/dev/null
	@ls build/package/*.deb

# The Windows zip, build/package/starquell-<version>-windows-x64.zip: the
# programs of the Windows build, and the replay runner of the Windows build on
# our own platform layer.
package-windows: windows
	cmake -S . -B build/windows-tests -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release -DSTARQUELL_WIN32_SHIM=ON >/dev/null
	cmake --build build/windows-tests -j $(JOBS) --target starquell-replay
	cmake -DBUILD=build/windows -DREPLAY_BUILD=build/windows-tests -DOUT=build/package -P cmake/windows_zip.cmake

format:
	$(SOURCES) | xargs clang-format -i

format-check:
	$(SOURCES) | xargs clang-format --dry-run -Werror

clean:
	rm -rf build

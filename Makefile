# Convenience front end over CMake. Each target first installs the Debian packages it
# needs and nothing more (scripts/install-deps.sh; DIMRIX_SKIP_DEPS=1 skips that check).
#
# Warnings are errors where developers work (build, test, test-sanitize, test-without-qt,
# test-windows and package-windows, which share the Windows tree and its pinned cross
# compiler, fuzz, bench-build, CI) and never in what a user builds (run, program, install,
# package): a newer compiler's new warning must not cost a user the program. The two never
# share a tree, so switching between them rebuilds nothing.

MAKEFLAGS      += --no-print-directory
BUILD_DIR      ?= build
DEV_DIR        ?= build-dev
SANITIZE_DIR   ?= build-sanitize
BENCH_DIR      ?= build/bench-release
PACKAGE_DIR    ?= build/package
INSTALL_DIR    ?= build/install
BUILD_TYPE     ?= RelWithDebInfo
JOBS           ?= $(shell nproc)
CTEST_FLAGS    ?= --output-on-failure
NOQT_DIR       ?= build-noqt
WINDOWS_DIR    ?= build-windows
FUZZ_DIR       ?= build-fuzz
FUZZ_SECONDS   ?= 60
CONSOLE_SCREENSHOT ?=
EXTRA_CMAKE_FLAGS ?=
PREFIX         ?= /usr/local
DESTDIR        ?=
DEPS           := bash scripts/install-deps.sh
WERROR         := -DDIMRIX_WERROR=ON
NO_WERROR      := -DDIMRIX_WERROR=OFF
# What `make program` builds: every program the project ships.
PROGRAMS       := dimrix dimrix-monitor dimrix-bridge

.PHONY: all deps configure build test test-sanitize test-without-qt test-windows configure-windows \
        package-windows check-windows-package check-bridge-interop check-bridge-console fuzz run \
        program screenshot bench bench-build bench-windows-build format package package-check install \
        uninstall clean

all: build

# Everything any target needs, at once.
deps:
	@$(DEPS) all

# The developers' tree: every target, the tests included, warnings as errors.
configure:
	@$(DEPS) test
	cmake -S . -B $(DEV_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DBUILD_TESTING=ON $(WERROR) \
	    $(EXTRA_CMAKE_FLAGS)

build: configure
	cmake --build $(DEV_DIR) -j $(JOBS)

test: build
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(DEV_DIR) $(CTEST_FLAGS)

# The same suite with AddressSanitizer and UndefinedBehaviorSanitizer, in its own tree.
test-sanitize:
	@$(DEPS) test
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DDIMRIX_SANITIZE=ON -DBUILD_TESTING=ON \
	    $(WERROR) $(EXTRA_CMAKE_FLAGS)
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(SANITIZE_DIR) $(CTEST_FLAGS)

# The layers that must not need Qt, configured without looking for it at all.
test-without-qt:
	@$(DEPS) test
	cmake -S . -B $(NOQT_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DDIMRIX_WITH_QT=OFF \
	    -DBUILD_TESTING=ON $(WERROR) $(EXTRA_CMAKE_FLAGS)
	@! grep -q '^Qt6_DIR' $(NOQT_DIR)/CMakeCache.txt || \
	    { echo "test-without-qt: the configure looked for Qt"; exit 1; }
	cmake --build $(NOQT_DIR) -j $(JOBS)
	ctest --test-dir $(NOQT_DIR) $(CTEST_FLAGS)

# libFuzzer with AddressSanitizer, built with clang in its own tree: the bridge's sACN and
# Art-Net readers from well-formed seeds for two thirds of FUZZ_SECONDS, then the web
# console's command reader for the rest; any crash, leak or broken promise fails the
# target and leaves the input in $(FUZZ_DIR)/fuzz.
fuzz:
	@$(DEPS) fuzz
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DDIMRIX_WITH_QT=OFF -DBUILD_TESTING=OFF -DDIMRIX_FUZZ=ON $(WERROR) $(EXTRA_CMAKE_FLAGS)
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target dimrix_bridge_fuzz dimrix_bridge_fuzz_corpus \
	    dimrix_console_fuzz
	cd $(FUZZ_DIR)/fuzz && ./dimrix_bridge_fuzz -max_total_time=$$(( $(FUZZ_SECONDS) * 2 / 3 )) \
	    -max_len=1500 -timeout=10 -print_final_stats=1 corpus
	mkdir -p $(FUZZ_DIR)/fuzz/console-corpus
	cd $(FUZZ_DIR)/fuzz && ./dimrix_console_fuzz \
	    -max_total_time=$$(( $(FUZZ_SECONDS) - $(FUZZ_SECONDS) * 2 / 3 )) -max_len=512 -timeout=10 \
	    -print_final_stats=1 console-corpus

# The program cross-built for Windows (MinGW-w64), its engine tests, its window and its
# port run under Wine. Qt for Windows: DIMRIX_QT_MINGW, or ../shared/toolchains/
# (docs/windows.md).
test-windows: configure-windows
	cmake --build $(WINDOWS_DIR) -j $(JOBS)
	ctest --test-dir $(WINDOWS_DIR) $(CTEST_FLAGS)

# The Windows tree, shared by its tests and its package.
configure-windows:
	@$(DEPS) windows
	@command -v wine >/dev/null || { echo "$@: no wine command; install Debian's wine package"; exit 1; }
	@qt=$$(bash scripts/qt-mingw.sh $(WINDOWS_DIR)) && \
	  cmake -S . -B $(WINDOWS_DIR) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW-w64.cmake \
	    -DCMAKE_PREFIX_PATH=$$qt -DQT_HOST_PATH=/usr -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	    -DBUILD_TESTING=ON -DDIMRIX_BENCH=ON $(WERROR) $(EXTRA_CMAKE_FLAGS)

# From the Windows tree, in $(WINDOWS_DIR)/package/: the installer
# (dimrix-<version>-windows-x64-setup.exe, NSIS), the same folder as a .zip, and the
# folder itself, with every DLL its programs load.
package-windows: configure-windows
	cmake --build $(WINDOWS_DIR) -j $(JOBS) --target dimrix_package_windows

# What ships, under Wine in a fresh prefix: a silent install, its files, Start Menu
# entries and Apps & features key; the installed panel's window driving COM1, and
# reporting it lost; the installed monitor on COM2; a silent uninstall that leaves the
# prefix as it was.
check-windows-package: package-windows
	bash tests/wine/package-under-wine.sh $(WINDOWS_DIR)

# The bridge from the developers' tree driven by Debian's ola over sACN, and ArtPoll
# answered, in network namespaces of the test's own; the bytes it puts on a
# pseudo-terminal are checked against the boards' protocol. As root.
check-bridge-interop: configure
	@$(DEPS) interop
	cmake --build $(DEV_DIR) -j $(JOBS) --target dimrix-bridge
	bash tests/bridge/ola-interop.sh $(DEV_DIR)/dimrix-bridge

# The bridge's web console in headless Chromium, in network namespaces of the test's own
# with only loopback up: the page loads from the bridge alone and sends nothing when
# opened; a hand-made sACN source shows on it; Take, a fader moved by keyboard, Release
# and Identify put the bytes the boards' protocol says on a pseudo-terminal; the page
# comes back by itself after the bridge restarts. As root. CONSOLE_SCREENSHOT=FILE.png
# also saves the page at a phone's width (docs/dimrix-bridge-console.png).
check-bridge-console: configure
	@$(DEPS) console
	cmake --build $(DEV_DIR) -j $(JOBS) --target dimrix-bridge
	bash tests/bridge/web/console-browser.sh $(DEV_DIR)/dimrix-bridge $(CONSOLE_SCREENSHOT)

# The panel and the monitor from the developers' tree, read through the desktop's
# accessibility bus (at-spi2-core, pyatspi) on a private X server as a screen reader
# reads them: names, values, the report as an alert, a move made through the bus on a
# pseudo-terminal, the monitor's grid as a table.
.PHONY: check-accessibility
check-accessibility: configure
	@$(DEPS) accessibility
	cmake --build $(DEV_DIR) -j $(JOBS) --target dimrix dimrix-monitor
	bash tests/accessibility/check-accessibility.sh $(DEV_DIR)

# The programs alone, without the test suites, in the users' tree: build/dimrix.
program:
	@$(DEPS) run
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DBUILD_TESTING=OFF $(NO_WERROR)
	cmake --build $(BUILD_DIR) -j $(JOBS) --target $(PROGRAMS)

# Whether a window can be shown is known before anything is built.
run:
	@perl scripts/check-display.pl
	@$(MAKE) program
	./$(BUILD_DIR)/dimrix

screenshot:
	@$(DEPS) screenshot
	@$(MAKE) program
	bash scripts/screenshot.sh ./$(BUILD_DIR)/dimrix docs/dimrix.png
	bash scripts/screenshot.sh ./$(BUILD_DIR)/dimrix-monitor docs/dimrix-monitor.png

# The bench program and everything it starts, built but not run (CI builds it this way);
# with Qt for Windows at hand (scripts/qt-mingw.sh finds it), the Windows build's
# fade-clock bench too, which `make bench` runs under Wine.
bench-build:
	@$(DEPS) bench
	cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DDIMRIX_BENCH=ON \
	    $(WERROR) $(EXTRA_CMAKE_FLAGS)
	cmake --build $(BENCH_DIR) -j $(JOBS) --target dimrix_bench
	@if bash scripts/qt-mingw.sh $(WINDOWS_DIR) >/dev/null 2>&1; then \
	  $(MAKE) bench-windows-build; \
	else \
	  echo "bench-build: no Qt for Windows (docs/windows.md); the fade clock under Wine is left out"; \
	fi

bench-windows-build: configure-windows
	cmake --build $(WINDOWS_DIR) -j $(JOBS) --target dimrix_bench_fade_clock

bench: bench-build
	bash scripts/bench.sh $(BENCH_DIR)
	@if [ -f $(WINDOWS_DIR)/bench/dimrix_bench_fade_clock.exe ]; then \
	  cmake --build $(WINDOWS_DIR) --target dimrix_bench_under_wine; \
	fi

format:
	@$(DEPS) format
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# A Release tree for /usr with Debian's hardening flags and without -Werror, and its .deb.
# Built from clean, so build.log holds every compiler warning; package-check fails on any.
package:
	@$(DEPS) package
	cmake -S . -B $(PACKAGE_DIR) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
	    -DDIMRIX_HARDEN=ON $(NO_WERROR) -DCMAKE_INSTALL_PREFIX=/usr
	cmake --build $(PACKAGE_DIR) -j $(JOBS) --clean-first > $(PACKAGE_DIR)/build.log 2>&1 || \
	    { cat $(PACKAGE_DIR)/build.log; exit 1; }
	@cat $(PACKAGE_DIR)/build.log
	rm -f $(PACKAGE_DIR)/dimrix_*.deb
	cd $(PACKAGE_DIR) && cpack -G DEB
	@ls $(PACKAGE_DIR)/dimrix_*.deb

# lintian, the desktop entry and metainfo as installed, and a look inside the .deb.
package-check: package
	bash scripts/check-package.sh $(PACKAGE_DIR)

# Installs the stripped programs and their files under $(DESTDIR)$(PREFIX), built in a
# tree of their own; the list of what went where is $(INSTALL_DIR)/install_manifest.txt,
# which `make uninstall` reads.
install:
	@$(DEPS) run
	cmake -S . -B $(INSTALL_DIR) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF $(NO_WERROR)
	cmake --build $(INSTALL_DIR) -j $(JOBS)
	DESTDIR="$(DESTDIR)" cmake --install $(INSTALL_DIR) --strip --prefix "$(PREFIX)"

uninstall:
	DESTDIR="$(DESTDIR)" cmake -DMANIFEST=$(INSTALL_DIR)/install_manifest.txt -P cmake/DimrixUninstall.cmake

clean:
	rm -rf $(BUILD_DIR) $(DEV_DIR) $(SANITIZE_DIR) $(NOQT_DIR) $(WINDOWS_DIR) $(FUZZ_DIR)

# Convenience front end over CMake. `make run` and `make test` install whatever Debian
# packages are missing first, so both work on a fresh machine.

MAKEFLAGS      += --no-print-directory
BUILD_DIR      ?= build
SANITIZE_DIR   ?= build-sanitize
BENCH_DIR      ?= build/bench-release
BUILD_TYPE     ?= RelWithDebInfo
JOBS           ?= $(shell nproc)
CTEST_FLAGS    ?= --output-on-failure

.PHONY: all deps configure build test test-sanitize run screenshot bench format install clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD_DIR) $(CTEST_FLAGS)

# The same suite with AddressSanitizer and UndefinedBehaviorSanitizer, in its own tree.
test-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DDIMRIX_SANITIZE=ON
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(SANITIZE_DIR) $(CTEST_FLAGS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	    echo "No display here: 'make screenshot' runs Dimrix under Xvfb and saves a picture of its window."; \
	    exit 1; \
	fi
	./$(BUILD_DIR)/dimrix

screenshot: build
	bash scripts/screenshot.sh ./$(BUILD_DIR)/dimrix docs/dimrix.png

bench: deps
	cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DDIMRIX_BENCH=ON
	cmake --build $(BENCH_DIR) -j $(JOBS) --target dimrix_bench
	bash scripts/bench.sh $(BENCH_DIR)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

install: build
	cmake --install $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(BENCH_DIR)

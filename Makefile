# The front door. `make test` and `make bench` install what they need on a fresh Debian machine.
BUILD      ?= build
ASAN_BUILD ?= build-asan
WIN64      ?= build-win64
WIN32      ?= build-win32
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps deps-windows build windows test test-native test-asan test-windows bench clean help

all: build

help:
	@echo "make test    install what is missing, build, run every test (plain and sanitized)"
	@echo "make bench   build in release mode and run every benchmark (JSON in $(BUILD)/bench/)"
	@echo "make build   build programs and tools into $(BUILD)/bin/"
	@echo "make windows cross-build the Windows DLLs (x64, x86) into $(WIN64)/bin/ and $(WIN32)/bin/"
	@echo "make clean   remove the build trees"

deps:
	@scripts/install-deps.sh

deps-windows:
	@scripts/install-deps.sh windows

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	@ln -sf $(BUILD)/compile_commands.json compile_commands.json

$(ASAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVEL_SANITIZE=ON \
	    -DCORVEL_BUILD_BENCH=OFF $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

$(WIN64)/build.ninja: | deps-windows
	cmake -S . -B $(WIN64) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake $(CMAKE_FLAGS)

$(WIN32)/build.ninja: | deps-windows
	cmake -S . -B $(WIN32) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-i686.cmake $(CMAKE_FLAGS)

windows: deps-windows $(WIN64)/build.ninja $(WIN32)/build.ninja
	cmake --build $(WIN64) -j $(JOBS)
	cmake --build $(WIN32) -j $(JOBS)

test-native: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

test-windows: build windows
	tests/wine/run.sh $(WIN64) $(WIN32) $(BUILD)

test: test-native test-asan test-windows
	@echo "All tests passed."

bench: build
	@mkdir -p $(BUILD)/bench
	@set -e; for program in $(BUILD)/bin/*_bench; do \
	    name=$$(basename $$program); \
	    echo "== $$name"; \
	    $$program --benchmark_out=$(BUILD)/bench/$$name.json --benchmark_out_format=json; \
	done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WIN64) $(WIN32) compile_commands.json

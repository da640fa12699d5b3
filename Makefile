# The front door. `make test` and `make bench` install what they need on a fresh Debian machine.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build test test-native test-asan bench clean help

all: build

help:
	@echo "make test    install what is missing, build, run every test (plain and sanitized)"
	@echo "make bench   build in release mode and run every benchmark (JSON in $(BUILD)/bench/)"
	@echo "make build   build programs and tools into $(BUILD)/bin/"
	@echo "make clean   remove the build trees"

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	@ln -sf $(BUILD)/compile_commands.json compile_commands.json

$(ASAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVEL_SANITIZE=ON \
	    -DCORVEL_BUILD_BENCH=OFF $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test-native: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

test: test-native test-asan
	@echo "All tests passed."

bench: build
	@mkdir -p $(BUILD)/bench
	@set -e; for program in $(BUILD)/bin/*_bench; do \
	    name=$$(basename $$program); \
	    echo "== $$name"; \
	    $$program --benchmark_out=$(BUILD)/bench/$$name.json --benchmark_out_format=json; \
	done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) compile_commands.json

# The front door. `make test` and `make bench` install what they need on a fresh Debian machine.
BUILD      ?= build
ASAN_BUILD ?= build-asan
WIN64      ?= build-win64
WIN32      ?= build-win32
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=
# Seconds the wire decoder is fuzzed by `make test`; `make fuzz FUZZ_TIME=3600` goes on longer.
FUZZ_TIME  ?= 60
# Extra arguments for `make quotes`, e.g. ARGS='--sim-rate 20 --duration 60'.
ARGS       ?=

.PHONY: all deps deps-windows build windows check format test test-native test-asan test-windows test-fuzz fuzz bench bench-windows quotes screenshots clean help

all: build

help:
	@echo "make test    install what is missing, build, run every test (plain and sanitized), fuzz the decoder for $(FUZZ_TIME) s"
	@echo "make quotes  live quotes from the embedded TWS simulator (ARGS='...' adds corvel-quotes arguments)"
	@echo "make bench   build in release mode and run every benchmark (JSON in $(BUILD)/bench/)"
	@echo "make build   build programs and tools into $(BUILD)/bin/"
	@echo "make check   the layering rules (which folder may include which) and the source format"
	@echo "make format  format every C++ source with the repository's .clang-format"
	@echo "make windows cross-build the Windows DLLs (x64, x86) into $(WIN64)/bin/ and $(WIN32)/bin/"
	@echo "make bench-windows  records and real-time data topic updates through Tallowin3.dll, the tape dialog through the Excel binding, under Wine"
	@echo "make screenshots    every dialog photographed under Wine into docs/screenshots/"
	@echo "make fuzz    fuzz the wire decoder (FUZZ_TIME=seconds, default $(FUZZ_TIME))"
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
	    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64.cmake -DCORVEL_MINGW_ARCH=x86_64 $(CMAKE_FLAGS)

$(WIN32)/build.ninja: | deps-windows
	cmake -S . -B $(WIN32) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64.cmake -DCORVEL_MINGW_ARCH=i686 $(CMAKE_FLAGS)

windows: deps-windows $(WIN64)/build.ninja $(WIN32)/build.ninja
	cmake --build $(WIN64) -j $(JOBS)
	cmake --build $(WIN32) -j $(JOBS)

test-native: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

$(FUZZ_BUILD)/build.ninja: | deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVEL_FUZZ=ON

# New inputs the fuzzer finds go to $(FUZZ_BUILD)/corpus; tests/fuzz/corpus holds the seeds kept in
# the repository (and replayed by every test build).
fuzz test-fuzz: deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@mkdir -p $(FUZZ_BUILD)/corpus
	@echo "fuzzing the wire decoder for $(FUZZ_TIME) s (log in $(FUZZ_BUILD)/fuzz.log)"
	@$(FUZZ_BUILD)/bin/tws_decoder_fuzz -max_total_time=$(FUZZ_TIME) -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_BUILD)/ $(FUZZ_BUILD)/corpus tests/fuzz/corpus > $(FUZZ_BUILD)/fuzz.log 2>&1 \
	    || { tail -n 60 $(FUZZ_BUILD)/fuzz.log; echo "the fuzzer found a failing input (see $(FUZZ_BUILD)/)"; exit 1; }
	@grep -E '^(Done|stat::(number_of_executed_units|new_units_added|peak_rss_mb))' $(FUZZ_BUILD)/fuzz.log

test-windows: build windows
	tests/wine/run.sh $(WIN64) $(WIN32) $(BUILD)

# Records per second through Tallowin3.dll under Wine, read one by one through IDispatch.
bench-windows: build windows
	tests/wine/bench.sh $(WIN64) $(BUILD) 10

# The house rules no compiler checks: the include direction between folders, no OS header in the logic,
# and one source format.
screenshots: windows
	scripts/screenshots.sh $(WIN64) docs/screenshots

check: deps
	@scripts/check-layers.sh
	@scripts/check-format.sh

format: deps
	@scripts/check-format.sh --fix

test: check test-native test-asan test-fuzz test-windows
	@echo "All tests passed."

# The main job: corvel-quotes against its embedded simulator, for half a minute or until Ctrl-C.
quotes: build
	$(BUILD)/bin/corvel-quotes --simulate --duration 30 $(ARGS)

bench: build
	@mkdir -p $(BUILD)/bench
	@set -e; for program in $(BUILD)/bin/*_bench; do \
	    name=$$(basename $$program); \
	    echo "== $$name"; \
	    $$program --benchmark_out=$(BUILD)/bench/$$name.json --benchmark_out_format=json; \
	done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WIN64) $(WIN32) compile_commands.json

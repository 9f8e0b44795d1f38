# Kelvox: `make run` sets up, builds and starts the program; `make test` sets up,
# builds and runs the whole suite. Both install missing Debian packages first.
#
# make test runs, in order:
#   1. check: the Release build of everything and the whole suite through ctest;
#   2. sanitize: everything built again by clang at -O1 with AddressSanitizer,
#      UndefinedBehaviorSanitizer and libstdc++'s own checks (build-asan), and the
#      whole suite again, the windows' tests on Qt's offscreen platform;
#   3. fuzz-smoke: every libFuzzer target of that build for a short, bounded time.
# Each run gets a temporary folder of its own and fails when anything is left in it;
# the ctest "formatting" checks the changed lines' formatting (scripts/check-format).
BUILD   ?= build
JOBS    ?= $(shell nproc)
FUZZ_SECONDS ?= 10

SAN_BUILD = build-asan
SANITIZE  = -fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all -fno-omit-frame-pointer
# fuzzer-no-link: the same libraries serve the tests and the libFuzzer targets.
SAN_FLAGS = $(SANITIZE) -fsanitize=fuzzer-no-link -D_GLIBCXX_ASSERTIONS
# For every program of that build, test discovery at build time included.
SAN_ENV   = ASAN_OPTIONS=detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1 \
            LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
            UBSAN_OPTIONS=print_stacktrace=1
FUZZ_TARGETS = make_seed_corpus fuzz_loader fuzz_parse fuzz_labels fuzz_runs

.PHONY: all deps configure build run test check san-configure sanitize fuzz fuzz-smoke bench install package clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display here: draw the pages headless instead, e.g. $(BUILD)/src/app/kelvox-render examples/kelvox-demo.wav --view spectrogram --out page-%d.png"; \
	else \
	  cd examples && ../$(BUILD)/src/app/kelvox; \
	fi

check: build
	scripts/leaves-nothing $(BUILD)/test-tmp ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

san-configure: deps
	@# a folder configured earlier with another compiler cannot be switched to clang in place
	@if [ -f $(SAN_BUILD)/CMakeCache.txt ] && ! grep -q '^CMAKE_CXX_COMPILER:.*clang' $(SAN_BUILD)/CMakeCache.txt; then \
	  echo "$(SAN_BUILD) was configured with another compiler: starting it afresh"; rm -rf $(SAN_BUILD); \
	fi
	cmake -S . -B $(SAN_BUILD) -DCMAKE_CXX_COMPILER=clang++-14 -DKELVOX_FUZZ=ON \
	  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" \
	  -DCMAKE_CXX_FLAGS="$(SAN_FLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)"

sanitize: san-configure
	$(SAN_ENV) cmake --build $(SAN_BUILD) -j $(JOBS)
	$(SAN_ENV) scripts/leaves-nothing $(SAN_BUILD)/test-tmp ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS)

fuzz: san-configure
	cmake --build $(SAN_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)

fuzz-smoke: fuzz
	$(SAN_ENV) scripts/leaves-nothing $(SAN_BUILD)/test-tmp scripts/fuzz-smoke $(SAN_BUILD) $(FUZZ_SECONDS)

test: check sanitize fuzz-smoke

install: build
	cmake --install $(BUILD)

package: build
	cd $(BUILD) && cpack -G DEB

bench: deps
	cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DKELVOX_BENCH=ON -DKELVOX_TESTS=OFF
	cmake --build $(BUILD)-bench -j $(JOBS) --target kelvox_bench kelvox_window_bench
	$(BUILD)-bench/bench/kelvox_bench
	$(BUILD)-bench/bench/kelvox_window_bench

clean:
	rm -rf $(BUILD) $(BUILD)-bench $(SAN_BUILD)

# Kelvox: `make run` sets up, builds and starts the program; `make test` sets up,
# builds and runs the whole suite. Both install missing Debian packages first.
#
# make test runs, in order:
#   1. the Release build of everything and the whole suite through ctest;
#   2. the Qt-free libraries and their tests again with AddressSanitizer and
#      UndefinedBehaviorSanitizer (build-asan);
#   3. every libFuzzer target for a short, bounded time (build-fuzz, clang).
BUILD   ?= build
JOBS    ?= $(shell nproc)
SANITIZE = -fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all -fno-omit-frame-pointer
FUZZ_SECONDS ?= 10

.PHONY: all deps configure build run test check sanitize fuzz fuzz-smoke bench install package clean

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

sanitize: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKELVOX_CORE_ONLY=ON \
	  -DCMAKE_CXX_FLAGS="$(SANITIZE)" -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)"
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ctest --output-on-failure -j $(JOBS)

fuzz: deps
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVOX_TESTS=OFF \
	  -DKELVOX_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++-14 \
	  -DCMAKE_CXX_FLAGS="$(SANITIZE) -fsanitize=fuzzer-no-link" -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)"
	cmake --build build-fuzz -j $(JOBS) --target make_seed_corpus fuzz_loader fuzz_parse fuzz_labels fuzz_runs

fuzz-smoke: fuzz
	scripts/leaves-nothing build-fuzz/test-tmp scripts/fuzz-smoke build-fuzz $(FUZZ_SECONDS)

test: check sanitize fuzz-smoke

install: build
	cmake --install $(BUILD)

package: build
	cd $(BUILD) && cpack -G DEB

bench: deps
	cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DKELVOX_BENCH=ON -DKELVOX_TESTS=OFF
	cmake --build $(BUILD)-bench -j $(JOBS) --target kelvox_bench
	$(BUILD)-bench/bench/kelvox_bench

clean:
	rm -rf $(BUILD) $(BUILD)-bench build-asan build-fuzz

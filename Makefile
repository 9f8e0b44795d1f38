# Kelvox: `make run` sets up, builds and starts the program; `make test` sets up,
# builds and runs the whole suite. Both install missing Debian packages first.
BUILD   ?= build
JOBS    ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display here: draw pages headless instead, e.g. $(BUILD)/src/app/kelvox-render examples/kelvox-demo.wav --view spectrogram --out page-%d.png"; \
	else \
	  cd examples && ../$(BUILD)/src/app/kelvox; \
	fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DKELVOX_BENCH=ON -DKELVOX_TESTS=OFF
	cmake --build $(BUILD)-bench -j $(JOBS) --target kelvox_bench
	$(BUILD)-bench/bench/kelvox_bench

clean:
	rm -rf $(BUILD) $(BUILD)-bench

# The two commands of the README, and a few for developers.
#   make run        build, then play the built-in demo game
#   make test       install what is missing, build, run every test
#   make test-asan  the tests under AddressSanitizer and UBSan
#   make bench      build and run the benchmarks

BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
DEPS_DIR ?= $(CURDIR)/build/deps

.PHONY: all setup configure build run test test-asan bench clean

all: build

setup:
	@DEPS_DIR=$(DEPS_DIR) ./scripts/setup

configure: setup
	@cmake -S . -B $(BUILD) -DDEPS_DIR=$(DEPS_DIR) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -x $(BUILD)/tern-player ]; then $(BUILD)/tern-player; \
	else echo "tern-player is not built yet: the engine host and tern-lua/tern-luac are ready"; fi

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: setup
	@cmake -S . -B $(ASAN_BUILD) -DDEPS_DIR=$(DEPS_DIR) -DTERN_SANITIZE=ON -DTERN_BUILD_BENCHMARKS=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/*; do [ -x "$$b" ] && "$$b"; done

clean:
	rm -rf $(BUILD)/CMakeFiles $(BUILD)/CMakeCache.txt $(ASAN_BUILD)

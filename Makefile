# The two commands of the README, and a few for developers.
#   make run        install what playing needs, build the player and the demo, play it
#   make test       install what the tests need too, build with the tests, run every test
#   make test-asan  the tests under AddressSanitizer and UBSan
#   make test-tsan  the threaded tests under ThreadSanitizer
#   make bench      install what the benchmarks need, build and run them
#   make soak       the demo for 20,000 headless frames, checking memory and errors
#   make fuzz       fuzz every input format's reader for FUZZ_RUNS inputs each (clang, libFuzzer)
#   make install    install the player and its tools under $(DESTDIR)$(PREFIX)
#   make deb        build the Debian package tern-player_VERSION_ARCH.deb in $(BUILD)
#   make standalone the demo as a game folder that runs anywhere, in $(BUILD)/standalone
#   make standalone-check   that folder played in a bare Debian root (needs root)
# Each installs its own packages first (scripts/setup PURPOSE): run's list,
# plus the purpose's own.

BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
JOBS ?= $(shell nproc)
DEPS_DIR ?= $(CURDIR)/build/deps
FUZZ_BUILD ?= build-fuzz
FUZZ_RUNS ?= 1000000
# The targets run after the PGF reader, each from its seeds in fuzz/seeds/NAME.
FUZZERS = info_plist input_script image sound archive
# Scratch files of the targets that read a file go to memory, not the disk.
FUZZ_TMPDIR ?= /dev/shm
# The longest input per target. Images, sounds and Info.plist reach every
# branch of their readers within a few KiB (the seeds are under 3 KiB), and
# each longer input only costs more probing and copying; an archive needs
# room for a directory of many entries.
FUZZ_MAX_LEN = 65536
FUZZ_MAX_LEN_image = 16384
FUZZ_MAX_LEN_sound = 16384
FUZZ_MAX_LEN_info_plist = 16384
PREFIX ?= /usr/local
DESTDIR ?=
STANDALONE ?= $(BUILD)/standalone/Tern-Breakout

SETUP = DEPS_DIR=$(DEPS_DIR) ./scripts/setup
CONFIGURE = cmake -S . -B $(BUILD) -DDEPS_DIR=$(DEPS_DIR)
# What $(BUILD) holds for each purpose. Every purpose states both switches, so
# one build folder serves them in any order: playing builds neither the tests
# nor the benchmarks (nor needs GoogleTest or Google Benchmark), and a later
# `make test` or `make bench` turns them back on.
PLAY_OPTIONS = -DTERN_BUILD_TESTS=OFF -DTERN_BUILD_BENCHMARKS=OFF
TEST_OPTIONS = -DTERN_BUILD_TESTS=ON -DTERN_BUILD_BENCHMARKS=OFF
# The input benchmark builds on the tests' X server helper.
BENCH_OPTIONS = -DTERN_BUILD_TESTS=ON -DTERN_BUILD_BENCHMARKS=ON

.PHONY: all setup setup-test setup-bench setup-fuzz setup-package build build-tests build-bench \
	run test test-asan test-tsan bench soak fuzz install deb standalone standalone-check clean

all: build

setup:
	@$(SETUP) run
setup-test:
	@$(SETUP) test
setup-bench:
	@$(SETUP) bench
setup-fuzz:
	@$(SETUP) fuzz
setup-package:
	@$(SETUP) package

# The player, tern-bundle, the Lua tools and the demo bundle.
build: setup
	@$(CONFIGURE) $(PLAY_OPTIONS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# All of build, and the tests.
build-tests: setup-test
	@$(CONFIGURE) $(TEST_OPTIONS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# All of build-tests, and the benchmarks.
build-bench: setup-bench
	@$(CONFIGURE) $(BENCH_OPTIONS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then $(BUILD)/tern-player; \
	else echo "No display: playing the demo headless for 5 seconds (300 frames), screenshot in $(BUILD)/demo-screenshot.png"; \
	$(BUILD)/tern-player --headless --frames 300 --screenshot $(BUILD)/demo-screenshot.png \
	&& echo "Wrote $(BUILD)/demo-screenshot.png"; fi

test: build-tests
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: setup-test
	@cmake -S . -B $(ASAN_BUILD) -DDEPS_DIR=$(DEPS_DIR) -DTERN_SANITIZE=ON $(TEST_OPTIONS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/support/lsan.supp ctest --output-on-failure -j $(JOBS)

# Only the suites whose tests run threads are built and run here. Mesa's
# software renderer draws on worker threads of its own that ThreadSanitizer
# cannot follow (an uninstrumented library): LP_NUM_THREADS=0 draws on the
# calling thread instead.
TSAN_TESTS ?= test_bridge test_player
TSAN_FILTER ?= *Thread*:*Concurren*:RunLoop.*:WindowInput*:ApplicationLoop*
test-tsan: setup-test
	@cmake -S . -B $(TSAN_BUILD) -DDEPS_DIR=$(DEPS_DIR) -DTERN_TSAN=ON $(TEST_OPTIONS) >/dev/null
	@cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TESTS)
	@for t in $(TSAN_TESTS); do LP_NUM_THREADS=0 TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
		$(TSAN_BUILD)/tests/$$t --gtest_filter='$(TSAN_FILTER)' || exit 1; done

bench: build-bench
	@for b in $(BUILD)/bench/*; do [ -x "$$b" ] && "$$b"; done

soak: build
	@./scripts/soak-demo $(BUILD)

# run-fuzzer NAME: fuzz/NAME_fuzzer for FUZZ_RUNS inputs from its seeds. The
# target's own output is discarded (-close_fd_mask); libFuzzer and the
# sanitizers report on a copy of standard error, so a crash, a leak, an
# out-of-memory or a timeout is still printed in full. fuzz/lsan.supp lists
# leaks found inside the libraries the readers call.
define run-fuzzer
@mkdir -p $(FUZZ_BUILD)/corpus-$(1)
@TMPDIR=$(FUZZ_TMPDIR) LSAN_OPTIONS=suppressions=$(CURDIR)/fuzz/lsan.supp $(FUZZ_BUILD)/fuzz/$(1)_fuzzer -runs=$(FUZZ_RUNS) \
	-max_len=$(or $(FUZZ_MAX_LEN_$(1)),$(FUZZ_MAX_LEN)) -print_final_stats=1 -close_fd_mask=3 \
	-artifact_prefix=$(FUZZ_BUILD)/$(1)- $(FUZZ_BUILD)/corpus-$(1) fuzz/seeds/$(1)

endef

# The seed corpus is every document the reader tests load.
fuzz: setup-fuzz
	@$(CONFIGURE) $(TEST_OPTIONS) >/dev/null
	@cmake --build $(BUILD) --target test_documents -j $(JOBS)
	@rm -rf $(FUZZ_BUILD)/seeds && mkdir -p $(FUZZ_BUILD)/seeds $(FUZZ_BUILD)/corpus
	@TERN_PGF_SEED_DIR=$(abspath $(FUZZ_BUILD))/seeds $(BUILD)/tests/test_documents --gtest_filter='PGFReader.*' >/dev/null 2>&1
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DDEPS_DIR=$(DEPS_DIR) -DTERN_FUZZ=ON -DTERN_SANITIZE=ON \
		-DTERN_BUILD_TESTS=OFF -DTERN_BUILD_BENCHMARKS=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) --target pgf_reader_fuzzer $(FUZZERS:%=%_fuzzer) -j $(JOBS)
	@$(FUZZ_BUILD)/fuzz/pgf_reader_fuzzer -runs=$(FUZZ_RUNS) -max_len=65536 -dict=fuzz/pgf.dict -print_final_stats=1 \
		-artifact_prefix=$(FUZZ_BUILD)/ $(FUZZ_BUILD)/corpus $(FUZZ_BUILD)/seeds
	$(foreach name,$(FUZZERS),$(call run-fuzzer,$(name)))

# The install rules are CMake's (component "tern"); the manual pages are made
# while installing.
install: setup-package
	@$(CONFIGURE) $(PLAY_OPTIONS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --component tern --prefix "$(PREFIX)"

deb: setup-package
	@$(CONFIGURE) $(PLAY_OPTIONS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	@./scripts/make-deb $(BUILD)

standalone: setup-package
	@$(CONFIGURE) $(PLAY_OPTIONS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	@$(BUILD)/tern-bundle --name "Tern Breakout" --engine games/demo/engine/engine.lua \
		--project $(BUILD)/Demo.app/Contents/Resources/Demo.gameproj \
		--loading-image $(BUILD)/Demo.app/Contents/Resources/Default.png --standalone -o $(STANDALONE)
	@echo "Made $(STANDALONE) and $(STANDALONE).tar.gz"

standalone-check: standalone
	@./scripts/standalone-check $(STANDALONE) $(BUILD)/standalone-root

clean:
	rm -rf $(BUILD)/CMakeFiles $(BUILD)/CMakeCache.txt $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)

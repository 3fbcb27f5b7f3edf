# Two commands on a fresh Debian 12 machine:
#   make run    builds and starts the program
#   make test   builds and runs every test
# More for development:
#   make test-sanitize   the whole suite again, built with AddressSanitizer and UBSan
#   make fuzz            builds the libFuzzer targets (clang) and runs each for FUZZ_SECONDS
BUILD ?= build
SANITIZE_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

# Leaks are reported (a leak fails the test), except those of system libraries that
# keep caches for the life of the process, listed in the suppressions file.
SANITIZER_ENV = \
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1:check_initialization_order=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/.ci/lsan.supp:print_suppressions=0

.PHONY: all deps fuzz-deps configure build run test test-sanitize fuzz-build fuzz clean

all: build

deps:
	@scripts/install-deps

fuzz-deps: deps
	@scripts/install-deps --fuzz

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD)/bin && ./trajetix

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DTRAJETIX_SANITIZE=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && $(SANITIZER_ENV) QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

fuzz-build: fuzz-deps
	@CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_BUILD) -DTRAJETIX_FUZZ=ON -DTRAJETIX_BUILD_TESTS=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets

fuzz: fuzz-build
	fuzz/run $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)

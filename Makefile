# gaintool: the two everyday commands.
#   make run   install what is missing, build, start the window beside a simulated handset
#   make test  install what is missing, build, run every test
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test test-sanitize valgrind bench fuzz clean

all: build

deps:
	@tools/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@tools/run-demo $(BUILD)

test: build
	@QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
SANITIZE_BUILD ?= build-sanitize
test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGAINTOOL_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j $(JOBS)

# Memcheck over the tests of the layers without Qt.
valgrind: build
	@tools/run-valgrind $(BUILD)

# Benchmarks: exchange overhead against the simulated handset, start-up beside a peer terminal.
bench:
	@tools/install-deps tools/debian-packages-bench.txt
	@bench/run build-bench

# Fuzzing of the command set's text rules and of the reply handling, with clang's libFuzzer:
# every target for FUZZ_SECONDS. Findings land in $(FUZZ_BUILD)/findings/.
FUZZ_SECONDS ?= 60
FUZZ_BUILD ?= build-fuzz
fuzz:
	@tools/install-deps tools/debian-packages-fuzz.txt
	@CXX=clang++-14 cmake -S fuzz -B $(FUZZ_BUILD) -G Ninja >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@fuzz/run $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD)

# Convenience wrapper around CMake. `make run` and `make test` do the whole
# set-up on a fresh Debian machine: missing build tools are installed first.
BUILD ?= build
SAN_BUILD ?= build-san
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS = pair_reader_fuzz run_fuzz
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX ?= /usr/local

.PHONY: all deps configure build run test test-sanitize test-valgrind fuzz bench install clean

all: build

deps:
	@sh tools/install-deps

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/quarvel examples/shock_pulse.txt

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVEL_SANITIZE=ON
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# The test programs under valgrind's memcheck (the programs they start run
# natively, since valgrind would change their argv[0]), then the program
# itself under memcheck on every fixture, example and fuzz seed.
VALGRIND = valgrind -q --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite \
  --suppressions=tests/valgrind.supp
test-valgrind: build
	@sh tools/install-deps valgrind
	for t in $(BUILD)/tests/*_tests; do $(VALGRIND) $$t --gtest_brief=1 || exit 1; done
	for f in tests/fixtures/* examples/*.txt fuzz/corpus/*/*; do \
	  $(VALGRIND) $(BUILD)/quarvel "$$f" >/dev/null; \
	  [ $$? -ne 99 ] || { echo "memcheck: $$f"; exit 1; }; \
	done

# Each libFuzzer target for FUZZ_SECONDS, one after the other, starting from
# the seeds in fuzz/corpus/; what the fuzzer learns stays in $(FUZZ_BUILD).
fuzz:
	@sh tools/install-deps clang-fuzzer
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUARVEL_FUZZ=ON -DQUARVEL_TESTS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t && \
	  $(FUZZ_BUILD)/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -max_len=8192 -timeout=10 \
	    -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/$$t- \
	    $(FUZZ_BUILD)/corpus/$$t fuzz/corpus/$$t || exit 1; \
	done

# The program and its manual page: PREFIX/bin/quarvel and
# PREFIX/share/man/man1/quarvel.1.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Times quarvel against a one-pass awk script and `wc -l` on two generated
# records of ten million samples, made once and kept in bench/data/, then
# runs the micro-benchmarks of the reader and the step table.
BENCH_DATA = bench/data
BENCH_RECORDS = $(BENCH_DATA)/small-v1.txt $(BENCH_DATA)/r1-v1.txt $(BENCH_DATA)/r2-v1.txt
BENCH_ROUNDS ?= 5

bench:
	@sh tools/install-deps benchmark mawk
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)
	@mkdir -p $(BENCH_DATA)
	@[ -f $(BENCH_DATA)/small-v1.txt ] || $(BUILD)/bench/make_record r1 1000 $(BENCH_DATA)/small-v1.txt
	@[ -f $(BENCH_DATA)/r1-v1.txt ] || $(BUILD)/bench/make_record r1 10000000 $(BENCH_DATA)/r1-v1.txt
	@[ -f $(BENCH_DATA)/r2-v1.txt ] || $(BUILD)/bench/make_record r2 10000000 $(BENCH_DATA)/r2-v1.txt
	$(BUILD)/bench/compare_runs $(BUILD)/quarvel mawk bench/onepass.awk $(BENCH_RECORDS) $(BENCH_ROUNDS)
	$(BUILD)/bench/micro_bench

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)

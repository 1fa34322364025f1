# Convenience wrapper around CMake. `make run` and `make test` do the whole
# set-up on a fresh Debian machine: missing build tools are installed first.
BUILD ?= build
SAN_BUILD ?= build-san
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test test-sanitize bench clean

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
	rm -rf $(BUILD) $(SAN_BUILD)

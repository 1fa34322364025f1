# Convenience wrapper around CMake. `make run` and `make test` do the whole
# set-up on a fresh Debian machine: missing build tools are installed first.
BUILD ?= build
SAN_BUILD ?= build-san
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX ?= /usr/local

.PHONY: all deps configure build run test test-sanitize install clean

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

# The program and its manual page: PREFIX/bin/quarvel and
# PREFIX/share/man/man1/quarvel.1.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) $(SAN_BUILD)

# Quick start:
#   make run    build and launch the clock
#   make test   build and run every test (each test runs under TZ=UTC and TZ=Australia/Sydney)
BUILD ?= build
TYPE  ?= RelWithDebInfo
JOBS  ?= $(shell nproc)

.PHONY: all setup configure build run test package asan tsan fuzz format format-check screenshot bench clean

all: build

setup:
	@scripts/setup.sh

configure: setup
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(TYPE) -DTARNWICK_WERROR=$(if $(CI),ON,OFF) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/tarnwick

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The Debian packages (dpkg-buildpackage from a copy of the sources, copied into $(BUILD)),
# checked: lintian, a second build for reproducibility, validators, a private install and purge.
package: setup
	@scripts/setup.sh --package
	JOBS=$(JOBS) scripts/check_package.sh $(BUILD)

asan: setup
	cmake --preset asan >/dev/null && cmake --build --preset asan -j $(JOBS) && ctest --preset asan

tsan: setup
	cmake --preset tsan >/dev/null && cmake --build --preset tsan -j $(JOBS) && ctest --preset tsan

# Each fuzz target for FUZZ_SECONDS (default 30) with libFuzzer, ASan and UBSan (clang).
FUZZ_SECONDS ?= 30
fuzz: setup
	@scripts/setup.sh --fuzz
	cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j $(JOBS)
	scripts/fuzz.sh build-fuzz $(FUZZ_SECONDS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	@scripts/setup.sh --format
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

screenshot: build
	@scripts/setup.sh --gui
	scripts/screenshot.sh $(BUILD)/tarnwick docs/screenshot.png

bench: build
	@scripts/setup.sh --gui
	bench/run.sh $(BUILD)

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz

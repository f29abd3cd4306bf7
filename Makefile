# The two commands that matter: `make demo` and `make test`. Everything else is a step of those.
# QT=6 builds and tests on Qt 6 in a folder of its own, so that both builds can stay side by side.
QT ?= 5
ifeq ($(QT),5)
BUILD ?= build
else
BUILD ?= build-qt$(QT)
endif
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 300
JOBS ?= $(shell nproc)

PREFIX ?= /usr/local

.PHONY: all setup configure build test demo fuzz bench format clean install package package-test

all: build

setup:
	bash scripts/setup

configure: setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLEEB_QT_MAJOR=$(QT)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The package test installs into the system: only `make package-test` runs it.
test: build
	ctest --test-dir $(BUILD) --output-on-failure -j 2 -LE package

# Without a display, the simulator's download goes to demo.xlsx and demo.pdf through the batch export.
demo: build
	bash scripts/demo $(BUILD)

# Receive path under libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer, for FUZZ_SECONDS, from the
# seed frames in tests/fuzz/seeds (handshake, delete, whole group frames with headers inside; -max_len holds two
# group frames). FUZZ_FLAGS adds libFuzzer options, e.g. FUZZ_FLAGS=-runs=10000000.
fuzz: setup
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLEEB_FUZZ=ON \
	    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined"
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_receive
	mkdir -p $(FUZZ_BUILD)/corpus
	$(FUZZ_BUILD)/tests/fuzz/fuzz_receive $(FUZZ_BUILD)/corpus tests/fuzz/seeds -dict=tests/fuzz/frame.dict \
	    -max_total_time=$(FUZZ_SECONDS) -max_len=12288 -print_final_stats=1 $(FUZZ_FLAGS)

# Only the programs: the folder also holds the build's *_autogen directories. A failing benchmark fails the target.
bench: build
	@set -e; for b in $(BUILD)/bench/bench_*; do \
	    if [ -f "$$b" ] && [ -x "$$b" ]; then echo "== $$b"; "$$b"; fi; \
	done

# The programs, desktop entry, icon, AppStream metadata, manual pages and copyright under PREFIX (within DESTDIR).
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# A Debian package in $(BUILD)/ through CPack.
package: build
	cmake --build $(BUILD) --target package

# Builds the package, installs it with dpkg, runs the installed programs and removes it again (as root).
package-test: build
	ctest --test-dir $(BUILD) --output-on-failure -L package

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-qt6 $(BUILD) $(FUZZ_BUILD)

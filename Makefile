# Thin wrapper: dependencies, configure, build, then run, test or benchmark.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test bench fuzz clean

deps:
	scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The game alone: no test, benchmark or example targets are built.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target gridkeep
	cd $(BUILD) && ./gridkeep

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; $$b; done

# Each fuzz target for FUZZ_SECONDS (default 600) over its corpus, under ASan and UBSan.
fuzz: deps
	scripts/fuzz.sh $(or $(FUZZ_SECONDS),600)

clean:
	rm -rf $(BUILD)

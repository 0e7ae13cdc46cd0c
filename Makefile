# The two commands of the README: `make run` and `make test`. Each installs what
# is missing, configures and builds what it needs, then does its job.
JOBS ?= $(shell nproc)
TEST_DIR := build/test
RELEASE_DIR := build/release
FUZZ_DIR := build/fuzz
FUZZ_SECONDS ?= 60

.PHONY: deps run test bench fuzz clean

deps:
	@scripts/install-deps

run: deps
	@scripts/configure $(RELEASE_DIR) Release
	@cmake --build $(RELEASE_DIR) -j $(JOBS)
	@scripts/run-program $(RELEASE_DIR) $(ARGS)

test: deps
	@scripts/configure $(TEST_DIR) Test
	@cmake --build $(TEST_DIR) -j $(JOBS)
	@cd $(TEST_DIR) && ctest --output-on-failure -j $(JOBS)

bench: deps
	@scripts/configure $(RELEASE_DIR) Release
	@cmake --build $(RELEASE_DIR) -j $(JOBS)
	@scripts/run-benchmarks $(RELEASE_DIR)

fuzz: deps
	@scripts/configure $(FUZZ_DIR) Fuzz
	@cmake --build $(FUZZ_DIR) -j $(JOBS)
	@scripts/run-fuzzers $(FUZZ_DIR) $(FUZZ_SECONDS)

clean:
	rm -rf build

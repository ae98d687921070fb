# The two commands of the README: `make test` and (with the main window) `make run`.
# `make test` builds with AddressSanitizer + UndefinedBehaviorSanitizer, as CI does.

JOBS      ?= $(shell nproc)
TEST_DIR  ?= build/asan
BENCH_DIR ?= build/release
CTEST_ARGS ?=

.PHONY: all setup test build run bench fuzz clean

all: build

setup:
	scripts/setup-deps

$(TEST_DIR)/build.ninja: CMakeLists.txt
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMO_SANITIZE=ON

build: setup $(TEST_DIR)/build.ninja
	cmake --build $(TEST_DIR) -j $(JOBS)

test: build
	cd $(TEST_DIR) && ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

# The camera program against the virtual camera (CAMERA=/dev/video0 or a video
# file or any ffmpeg input for real pictures; the test scene otherwise).
CAMERA ?=
run: build
	scripts/run-lumoset $(TEST_DIR) $(if $(CAMERA),--camera "$(CAMERA)")

$(BENCH_DIR)/build.ninja: CMakeLists.txt
	cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMO_BUILD_BENCH=ON -DLUMO_BUILD_TESTS=OFF

bench: setup $(BENCH_DIR)/build.ninja
	cmake --build $(BENCH_DIR) -j $(JOBS)
	@set -e; for b in $(BENCH_DIR)/bench/*; do \
	  if [ -x "$$b" ] && [ -f "$$b" ]; then echo "== $$b"; "$$b"; fi; \
	done

FUZZ_DIR     ?= build/fuzz
FUZZ_SECONDS ?= 60

$(FUZZ_DIR)/build.ninja: CMakeLists.txt
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DLUMO_SANITIZE=ON -DLUMO_LIBFUZZER=ON

# libFuzzer on the DIB reader for FUZZ_SECONDS.
fuzz: setup $(FUZZ_DIR)/build.ninja
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_from_dib_libfuzzer
	mkdir -p $(FUZZ_DIR)/corpus
	$(FUZZ_DIR)/tests/fuzz_from_dib_libfuzzer -max_total_time=$(FUZZ_SECONDS) $(FUZZ_DIR)/corpus

clean:
	rm -rf build

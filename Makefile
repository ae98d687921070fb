# The two commands of the README: `make test` and (with the main window) `make run`.
# `make test` builds with AddressSanitizer + UndefinedBehaviorSanitizer, as CI does.

JOBS      ?= $(shell nproc)
TEST_DIR  ?= build/asan
BENCH_DIR ?= build/release
CTEST_ARGS ?=

.PHONY: all setup test build run bench fuzz install clean

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

# libFuzzer on every reader of outside pictures, FUZZ_SECONDS each: the DIB
# reader, the album's BMP reader and the scanner module's bitmap files.
FUZZ_TARGETS = fuzz_from_dib fuzz_album_bmp fuzz_cdib_read
FUZZ_SEEDS_fuzz_album_bmp = camera/albums/tests/fuzz_album_bmp_corpus
FUZZ_SEEDS_fuzz_cdib_read = module/tests/corpus/cdib_read
fuzz: setup $(FUZZ_DIR)/build.ninja
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target $(addsuffix _libfuzzer,$(FUZZ_TARGETS))
	@set -e; for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_DIR)/corpus/$$t; \
	  case $$t in \
	    fuzz_album_bmp) seeds=$(FUZZ_SEEDS_fuzz_album_bmp);; \
	    fuzz_cdib_read) seeds=$(FUZZ_SEEDS_fuzz_cdib_read);; \
	    *) seeds=;; \
	  esac; \
	  echo "== $$t"; \
	  $(FUZZ_DIR)/tests/$${t}_libfuzzer -max_total_time=$(FUZZ_SECONDS) $(FUZZ_DIR)/corpus/$$t $$seeds; \
	done

# The SANE backend, where SANE's dll backend finds it (PREFIX /usr on Debian;
# DESTDIR for staging). The prefix is built in, so it is given at configure time.
PREFIX      ?= /usr
DESTDIR     ?=
INSTALL_DIR ?= build/install
install: setup
	cmake -S . -B $(INSTALL_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMO_BUILD_TESTS=OFF \
	  -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	cmake --build $(INSTALL_DIR) --target sane_rz410 -j $(JOBS)
	DESTDIR=$(DESTDIR) cmake --install $(INSTALL_DIR) --component sane

clean:
	rm -rf build

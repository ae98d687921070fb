# The two commands of the README: `make test` and (with the main window) `make run`.
# `make test` builds with AddressSanitizer + UndefinedBehaviorSanitizer, as CI does.

JOBS      ?= $(shell nproc)
TEST_DIR  ?= build/asan
BENCH_DIR ?= build/release
CTEST_ARGS ?=

.PHONY: all setup test build run bench fuzz reliability install clean

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
# A number of runs instead of a time: FUZZ_RUNS=10000000 FUZZ_SECONDS=0.
FUZZ_RUNS    ?= -1

$(FUZZ_DIR)/build.ninja: CMakeLists.txt
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DLUMO_SANITIZE=ON -DLUMO_LIBFUZZER=ON

# libFuzzer on every reader of outside data, FUZZ_SECONDS each: the DIB
# reader, the album's BMP reader, the scanner module's bitmap files, the INI
# service, the data source's TIFF reader, DS_Entry and capability containers,
# and the device channel with a fuzzed camera. Seeds: FUZZ_SEEDS_<target>.
FUZZ_TARGETS = fuzz_from_dib fuzz_album_bmp fuzz_cdib_read fuzz_profile_ini \
               fuzz_tiff_strip_reader fuzz_ds_entry fuzz_capabilities fuzz_device_channel
FUZZ_SEEDS_fuzz_from_dib          =
FUZZ_SEEDS_fuzz_album_bmp         = camera/albums/tests/fuzz_album_bmp_corpus
FUZZ_SEEDS_fuzz_cdib_read         = module/tests/corpus/cdib_read
FUZZ_SEEDS_fuzz_profile_ini       = platform/profile/tests/fuzz_profile_ini_corpus
FUZZ_SEEDS_fuzz_tiff_strip_reader = source/tests/corpus/tiff_strip_reader
FUZZ_SEEDS_fuzz_ds_entry          = source/tests/corpus/ds_entry
FUZZ_SEEDS_fuzz_capabilities      = source/tests/corpus/capabilities
FUZZ_SEEDS_fuzz_device_channel    = camera/capture/tests/fuzz_device_channel_corpus
fuzz: setup $(FUZZ_DIR)/build.ninja
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target $(addsuffix _libfuzzer,$(FUZZ_TARGETS))
	@set -e; $(foreach t,$(FUZZ_TARGETS), \
	  mkdir -p $(FUZZ_DIR)/corpus/$(t); echo "== $(t)"; \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp \
	  $(FUZZ_DIR)/tests/$(t)_libfuzzer -max_total_time=$(FUZZ_SECONDS) -runs=$(FUZZ_RUNS) -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_DIR)/$(t)- $(FUZZ_DIR)/corpus/$(t) $(FUZZ_SEEDS_$(t));)

# The long reliability runs: ten million runs of every fuzzer (about three
# hours on one core), then the full unplug soak, killed recordings, full
# disks and hostile programs (CI runs short versions of all).
RELIABILITY_FUZZ_RUNS ?= 10000000
reliability: build
	$(MAKE) fuzz FUZZ_SECONDS=0 FUZZ_RUNS=$(RELIABILITY_FUZZ_RUNS)
	cd $(TEST_DIR) && LUMO_SOAK_CYCLES=100 LUMO_KILLED_RUNS=20 \
	  ctest --output-on-failure -L reliability -R 'UnplugSoak|KilledRecording|FullDisk|Hostile'

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

# Entry points: `make` builds, `make test` builds and runs every test, `make test-asan`
# runs them again under AddressSanitizer and UndefinedBehaviorSanitizer, `make demo` packs
# the sample product and runs it. `make stubs` adds the stub for 64-bit ARM Linux, and
# `make test-aarch64` runs its tests under qemu-user.
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
AARCH64_DIR ?= build-aarch64
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build test test-asan stubs test-aarch64 bench demo deps deps-aarch64 format clean

all: build

deps:
	@sh tools/ensure-deps.sh

deps-aarch64:
	@sh tools/ensure-deps.sh aarch64

$(BUILD_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release

build: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The tests of the aarch64 stub need the cross build: test-aarch64 runs them.
test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS) -LE aarch64

test-asan: deps
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DQG_SANITIZE=ON
	cmake --build $(ASAN_DIR) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN_DIR) --output-on-failure -j $(JOBS) -LE aarch64

# The cross build makes the stub alone; the message tables come from the native build's
# generator. The stub lands next to qgpack, where `qgpack create --arch aarch64` finds it.
stubs: build deps-aarch64
	cmake -S . -B $(AARCH64_DIR) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
	  -DQG_HOST_MESSAGETABLES=$(abspath $(BUILD_DIR))/bin/qgmessagetables
	cmake --build $(AARCH64_DIR) -j $(JOBS)
	cp $(AARCH64_DIR)/bin/qglaunch-aarch64 $(BUILD_DIR)/bin/.qglaunch-aarch64.tmp
	mv -f $(BUILD_DIR)/bin/.qglaunch-aarch64.tmp $(BUILD_DIR)/bin/qglaunch-aarch64

test-aarch64: stubs
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS) -L aarch64

demo: build
	sh samples/hello/pack.sh $(BUILD_DIR) $(BUILD_DIR)/demo/setup.bin > /dev/null
	$(BUILD_DIR)/demo/setup.bin

bench: build
	sh benchmarks/run.sh $(BUILD_DIR)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(AARCH64_DIR)

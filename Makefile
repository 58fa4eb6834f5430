# Entry points: `make` builds, `make test` builds and runs every test, `make test-asan`
# runs them again under AddressSanitizer and UndefinedBehaviorSanitizer, `make demo` packs
# the sample product and runs it.
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build test test-asan bench demo deps format clean

all: build

deps:
	@sh tools/ensure-deps.sh

$(BUILD_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release

build: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DQG_SANITIZE=ON
	cmake --build $(ASAN_DIR) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN_DIR) --output-on-failure -j $(JOBS)

demo: build
	sh samples/hello/pack.sh $(BUILD_DIR) $(BUILD_DIR)/demo/setup.bin > /dev/null
	$(BUILD_DIR)/demo/setup.bin

bench: build
	sh benchmarks/run.sh $(BUILD_DIR)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR)

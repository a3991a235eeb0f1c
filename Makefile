# The two commands of the README: `make demo` and `make test`.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_FUZZ ?= build-fuzz
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local
CMAKE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps build install demo docs-pictures test test-unit test-sanitize test-fuzz format format-check bench clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DVYR_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS)

# The library, its headers, CMake package and pkg-config file, and the command under PREFIX.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

demo: build
	$(BUILD)/cli/vyr demo
	@scripts/python-demo.sh $(BUILD)

# One picture of each kind `vyr plot` draws, from the bundled samples, into docs/pictures.
docs-pictures: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DVYR_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS) --target vyr_cli
	scripts/docs_pictures.sh $(BUILD)/cli/vyr docs/pictures

# Everything CI checks: formatting, the whole suite, the unit tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and each fuzz target for a few seconds.
test: format-check build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	$(MAKE) test-sanitize test-fuzz

test-unit: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) -L unit

test-sanitize: deps
	cmake -S . -B $(BUILD_ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVYR_SANITIZE=ON -DVYR_BENCH=OFF
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS) -L unit

test-fuzz: deps
	CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVYR_FUZZ=ON -DVYR_BENCH=OFF
	cmake --build $(BUILD_FUZZ) -j $(JOBS) --target fuzz_all
	ctest --test-dir $(BUILD_FUZZ) --output-on-failure -L fuzz-smoke

bench: deps
	bench/run.sh

SOURCES = $(shell git ls-files '*.cpp' '*.h')

format:
	clang-format -i $(SOURCES)

format-check: deps
	clang-format --dry-run --Werror $(SOURCES)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_FUZZ)

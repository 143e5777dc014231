# The two commands users need: `make demo` and `make test`.
# Both install missing packages, configure and build into build/, then run.
BUILD_DIR ?= build
JOBS ?= 2
MAKEFLAGS += --no-print-directory
# The project's own builds treat warnings as errors.
CMAKE_FLAGS ?= -DZEB_WERROR=ON

.PHONY: all deps configure build test demo clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j$(JOBS)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j$(JOBS)
	@bash scripts/sanitize.sh thread
	@bash scripts/sanitize.sh address

demo: build
	@bash scripts/demo.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)

# make run   builds the program (no tests, no benchmarks) in $(BUILD)/run and starts it.
# make test  builds everything with warnings as errors in $(BUILD)/test, checks the formatting
#            and runs every test through ctest.
# make format / make format-check  format the C++ sources / check that they are formatted.
BUILD ?= build
CMAKE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
CLANG_FORMAT ?= clang-format-14
JOBS ?= $(shell nproc)
SOURCE_DIRS := app about controls editor framework platform scan tests bench
SOURCES = $(shell find $(SOURCE_DIRS) -name '*.cpp' -o -name '*.h')

.PHONY: run test format format-check deps-run deps-test clean

run: deps-run
	cmake -S . -B $(BUILD)/run $(CMAKE_FLAGS) -DTABRIX_TESTS=OFF -DTABRIX_WERROR=OFF >/dev/null
	cmake --build $(BUILD)/run
	$(BUILD)/run/tabrix

test: format-check
	cmake -S . -B $(BUILD)/test $(CMAKE_FLAGS) -DTABRIX_TESTS=ON -DTABRIX_WERROR=ON >/dev/null
	cmake --build $(BUILD)/test
	ctest --test-dir $(BUILD)/test --output-on-failure -j $(JOBS)

format-check: deps-test
	@$(CLANG_FORMAT) --dry-run --Werror --ferror-limit=1 $(SOURCES) || \
	  { echo "Some sources are not formatted (the first difference of each is shown); 'make format' formats them."; exit 1; }

format: deps-test
	$(CLANG_FORMAT) -i $(SOURCES)

deps-run:
	@scripts/install-deps run

deps-test:
	@scripts/install-deps test

clean:
	rm -rf $(BUILD)/run $(BUILD)/test

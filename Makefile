# make run   builds the program (no tests, no benchmarks) in $(BUILD)/run and starts it.
# make install  builds it so and installs it under $(PREFIX) (default /usr/local), staged
#            under $(DESTDIR) when that is set: the program, its menu entry, icons and metainfo.
# make package  builds it so and makes the Debian package $(BUILD)/package/tabrix_VERSION_ARCH.deb.
# make test  checks the includes and the formatting, builds everything with warnings as errors
#            in $(BUILD)/test and runs every test through ctest.
# make include-check  checks that no include runs up the layers, closes a cycle between units
#            (a header and its .cpp) or names no file (tools/check-includes.py).
# make format / make format-check  format the C++ sources / check that they are formatted.
# make asan  builds the tests and the fuzz targets with AddressSanitizer and UndefinedBehavior-
#            Sanitizer (clang, -O1, no benchmarks) in $(BUILD)/asan and runs the tests there.
# make fuzz  runs each fuzz target in $(BUILD)/asan for FUZZ_SECONDS from its seeds.
# make test runs both after the ordinary tests.
BUILD ?= build
PREFIX ?= /usr/local
CMAKE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
CLANG_FORMAT ?= clang-format-14
JOBS ?= $(shell nproc)
SOURCE_DIRS := app about controls editor framework platform scan tests bench
SOURCES = $(shell find $(SOURCE_DIRS) -name '*.cpp' -o -name '*.h')
FUZZ_SECONDS ?= 20
# The sanitizers end a test at their first report. Leaks that third-party libraries keep on
# purpose are named, with the reason, in tests/lsan.supp.
SANITIZER_ENV = ASAN_OPTIONS=detect_stack_use_after_return=1:check_initialization_order=1:strict_string_checks=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: run install package build-run test asan asan-build fuzz include-check format format-check deps-run deps-package deps-test clean

run: build-run
	$(BUILD)/run/tabrix

install: build-run
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD)/run --prefix "$(PREFIX)"

package: build-run deps-package
	cpack --config $(BUILD)/run/CPackConfig.cmake -B $(BUILD)/package
	@ls $(BUILD)/package/*.deb

build-run: deps-run
	cmake -S . -B $(BUILD)/run $(CMAKE_FLAGS) -DTABRIX_TESTS=OFF -DTABRIX_WERROR=OFF >/dev/null
	cmake --build $(BUILD)/run

test: include-check format-check
	cmake -S . -B $(BUILD)/test $(CMAKE_FLAGS) -DTABRIX_TESTS=ON -DTABRIX_WERROR=ON >/dev/null
	cmake --build $(BUILD)/test
	ctest --test-dir $(BUILD)/test --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory asan fuzz

asan-build: deps-test
	cmake -S . -B $(BUILD)/asan -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DTABRIX_SANITIZE=ON -DTABRIX_TESTS=ON \
	  -DTABRIX_FUZZ_SECONDS=$(FUZZ_SECONDS) >/dev/null
	cmake --build $(BUILD)/asan

# Not run here: the gui tests (a real X server and the accessibility bus, whose libraries are
# not built with the sanitizers), the tools' tests (Python, nothing to sanitize)
# and the fuzz targets (make fuzz).
asan: asan-build
	$(SANITIZER_ENV) ctest --test-dir $(BUILD)/asan --output-on-failure -j $(JOBS) -LE '^(gui|tools|fuzz)$$'

fuzz: asan-build
	$(SANITIZER_ENV) ctest --test-dir $(BUILD)/asan --output-on-failure -j $(JOBS) -L '^fuzz$$'

include-check: deps-test
	@python3 tools/check-includes.py

format-check: deps-test
	@$(CLANG_FORMAT) --dry-run --Werror --ferror-limit=1 $(SOURCES) || \
	  { echo "Some sources are not formatted (the first difference of each is shown); 'make format' formats them."; exit 1; }

format: deps-test
	$(CLANG_FORMAT) -i $(SOURCES)

deps-run:
	@scripts/install-deps run

deps-package:
	@scripts/install-deps package

deps-test:
	@scripts/install-deps test

clean:
	rm -rf $(BUILD)/run $(BUILD)/test $(BUILD)/asan $(BUILD)/package

# The two commands of the quick start, and the developers' extras.
#   make run     install what is missing, build, and play
#   make test    install what is missing, build, and run every test headless
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build run test test-asan windows test-windows package package-windows fuzz \
	bench format clean

all: build

deps:
	@sh scripts/install-deps

build: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

run: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS) --target tapquill
	cd build && ./tapquill

test-asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# Every test: the sanitizer build, the Windows build under wine, then the
# optimised build, whose summary line ends the output.
test: build test-asan test-windows
	ctest --preset default -j $(JOBS)

# The Windows program, cross-built with mingw-w64 (build-windows/tapquill.exe),
# and its unit tests run under wine.
windows: deps
	cmake --preset windows
	cmake --build --preset windows -j $(JOBS)

test-windows: windows
	ctest --preset windows -j $(JOBS)

# The Debian package, build/tapquill_<version>_<architecture>.deb, and the
# Windows zip, build-windows/tapquill-<version>-win64.zip.
package: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS) --target tapquill tapquill_docs
	cd build && cpack -G DEB

package-windows: deps
	cmake --preset windows
	cmake --build --preset windows -j $(JOBS) --target tapquill
	cd build-windows && cpack -G ZIP

# Each libFuzzer harness for FUZZ_SECONDS (default 5 minutes) on a scratch copy of
# the corpus (build-fuzz/fuzz-work/); findings land in build-fuzz/fuzz-work/*/artifacts/.
FUZZ_SECONDS ?= 300
FUZZ_JOBS ?= $(JOBS)
fuzz:
	@sh scripts/install-deps fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS) --target fuzz_tga fuzz_bmp fuzz_pnm fuzz_words fuzz_history
	/usr/bin/python3 fuzz/run-fuzz.py build-fuzz --seconds $(FUZZ_SECONDS) --jobs $(FUZZ_JOBS)

# The benchmarks against their baselines; writes docs/performance.md.
bench:
	@sh scripts/install-deps bench
	cmake --preset bench
	cmake --build --preset bench -j $(JOBS)
	/usr/bin/python3 bench/run-bench.py build-bench

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-asan build-windows build-bench build-fuzz

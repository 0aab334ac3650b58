# Wraps the CMake build. "make demo" and "make test" are the quick start.

BUILD      ?= build
ASAN_BUILD ?= build/asan
FUZZ_BUILD ?= build/fuzz
TSAN_BUILD ?= build/tsan
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
PREFIX     ?= /usr/local

# Debian packages the build, the tests and the demo need. iODBC comes as
# its runtime only: its development package conflicts with unixodbc-dev.
PACKAGES = g++ make cmake ninja-build pkg-config \
           libgtest-dev libgmock-dev googletest \
           unixodbc unixodbc-dev odbcinst iodbc libiodbc2 \
           python3 python3-pyodbc python3-pytest \
           sqlite3 libsqlite3-dev libsqliteodbc libdbd-odbc-perl \
           gnumeric python3-xlrd \
           freetds-bin tdsodbc freetds-dev \
           clang libclang-rt-14-dev

.PHONY: all build deps test test-unit test-asan fuzz-build test-fuzz fuzz-long test-tsan demo bench install uninstall package client-suites format clean

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' \
	        || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	    echo "installing:$$missing"; \
	    apt-get update && \
	    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	fi

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS)

build: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVX_SANITIZE=ON $(CMAKE_ARGS)

# Every test of the normal build, then the unit tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, then a short run of
# each fuzz target.
test: deps build test-unit test-asan test-fuzz

test-unit:
	cd $(BUILD) && ctest --output-on-failure --no-tests=error -j $(JOBS)

test-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --output-on-failure --no-tests=error -j $(JOBS) -L unit

# The libFuzzer targets of fuzz/, built by clang with coverage and the
# address and undefined-behaviour sanitizers: a few seconds each here,
# "make fuzz-long" for 10^7 inputs each (FUZZ_RUNS and FUZZ_SECONDS
# change that; FUZZ_TARGETS picks targets).
$(FUZZ_BUILD)/build.ninja:
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DVX_FUZZ=ON -DVX_WERROR=OFF \
	    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ $(CMAKE_ARGS)

fuzz-build: deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) --target vx_fuzz -j $(JOBS)

test-fuzz: fuzz-build
	./fuzz/run.sh $(FUZZ_BUILD) short $(FUZZ_TARGETS)

fuzz-long: fuzz-build
	./fuzz/run.sh $(FUZZ_BUILD) long $(FUZZ_TARGETS)

# The concurrency tests under ThreadSanitizer.
$(TSAN_BUILD)/build.ninja:
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVX_TSAN=ON $(CMAKE_ARGS)

test-tsan: deps $(TSAN_BUILD)/build.ninja
	cmake --build $(TSAN_BUILD) --target text_concurrency_tests -j $(JOBS)
	cd $(TSAN_BUILD) && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	    ctest --output-on-failure --no-tests=error -R text_concurrency

demo: deps build
	./tools/demo.sh $(BUILD)

bench: deps build
	@echo "benchmarks are in $(BUILD)/bin/bench_*"

# The libraries into $(PREFIX)/lib/brellmont-odbc, templates and samples
# into $(PREFIX)/share/brellmont-odbc, and every driver registered with
# unixODBC ("Brellmont Text" ...). "make uninstall PREFIX=..." undoes it.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

uninstall:
	cmake -DPREFIX=$(PREFIX) -P packaging/uninstall.cmake

# The Debian package $(BUILD)/brellmont-odbc_<version>_<arch>.deb; installing
# it registers the drivers, removing it unregisters them.
package: build
	cd $(BUILD) && cpack -G DEB

# Perl DBD::ODBC's own test suite against the Text driver, fetched with
# apt-get source at run time (README, "Other clients' own test suites").
client-suites: deps build
	./tools/client-suites.sh $(BUILD)

format:
	find util base flat drivers translator bench tools -name '*.cpp' -o -name '*.h' \
	    | xargs -r clang-format -i

clean:
	rm -rf $(BUILD)

# Wraps the CMake build. "make demo" and "make test" are the quick start.

BUILD      ?= build
ASAN_BUILD ?= build/asan
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
           freetds-bin tdsodbc freetds-dev

.PHONY: all build deps test test-unit test-asan demo bench install uninstall package client-suites format clean

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
# AddressSanitizer and UndefinedBehaviorSanitizer.
test: deps build test-unit test-asan

test-unit:
	cd $(BUILD) && ctest --output-on-failure --no-tests=error -j $(JOBS)

test-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --output-on-failure --no-tests=error -j $(JOBS) -L unit

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

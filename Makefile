# The two set-up commands of the project: `make run` and `make test`.
# Both install the Debian packages that are missing, configure build/ and build.
# `make package` builds the Debian package build/orvane_<version>_<arch>.deb.

.PHONY: all deps build run test package sanitize bench clean

all: build

deps:
	@sh scripts/install-deps.sh

build/build.ninja: | deps
	cmake --preset default

build: deps build/build.ninja
	cmake --build --preset default

test: build
	QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure

run: build
	@sh scripts/install-deps.sh run
	@sh scripts/run.sh

package: build
	@sh scripts/install-deps.sh package
	cd build && cpack -G DEB

# The tests once more, built with AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	cmake --preset sanitize
	cmake --build --preset sanitize
	QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-sanitize --output-on-failure

bench: build
	@sh scripts/install-deps.sh bench
	@sh bench/run.sh

clean:
	rm -rf build build-sanitize

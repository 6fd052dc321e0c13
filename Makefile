# Nuvel: `make run` builds and runs the embedded script, `make test` runs every test
# in a release build and in an AddressSanitizer + UndefinedBehaviorSanitizer build.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
GEN := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all run test deps build build-asan bench clean format

all: build

deps:
	@missing=""; \
	command -v cmake >/dev/null 2>&1 || missing="$$missing cmake"; \
	command -v ninja >/dev/null 2>&1 || missing="$$missing ninja-build"; \
	command -v g++ >/dev/null 2>&1 || missing="$$missing g++"; \
	[ -f /usr/include/gtest/gtest.h ] || missing="$$missing libgtest-dev"; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  SUDO=""; [ "$$(id -u)" = 0 ] || SUDO=sudo; \
	  $$SUDO apt-get update -qq && $$SUDO apt-get install -y -qq $$missing; \
	fi

build: deps
	@cmake -S . -B build $(if $(GEN),-G Ninja) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build build -j $(JOBS)

build-asan: deps
	@cmake -S . -B build-asan $(if $(GEN),-G Ninja) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNUVEL_SANITIZE=ON >/dev/null
	@cmake --build build-asan -j $(JOBS)

run: build
	./build/nuvel_embed

test: build build-asan
	cd build && ctest --output-on-failure -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

bench: build
	./bench/run.sh

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build build-asan

# Nuvel: `make run` builds and runs the embedded script, `make test` runs every test
# in a release build and in an AddressSanitizer + UndefinedBehaviorSanitizer build.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
GEN := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all run test deps build build-asan bench clean format fuzz fuzz-build install reference

all: build

deps:
	@missing=""; \
	command -v cmake >/dev/null 2>&1 || missing="$$missing cmake"; \
	command -v ninja >/dev/null 2>&1 || missing="$$missing ninja-build"; \
	command -v g++ >/dev/null 2>&1 || missing="$$missing g++"; \
	[ -f /usr/include/gtest/gtest.h ] || missing="$$missing libgtest-dev"; \
	[ -f /usr/include/histedit.h ] || missing="$$missing libedit-dev"; \
	command -v tmux >/dev/null 2>&1 || missing="$$missing tmux"; \
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

# Fuzzing (clang's libFuzzer): `make fuzz` runs every target for FUZZ_SECONDS
# each on a corpus seeded from the script tests; crashes are written to
# build-fuzz/crashes/ (copy a fixed one into fuzz/regressions/<target>/ so
# every build's tests replay it). CI runs it briefly; run it longer by hand, e.g.
# `make fuzz FUZZ_SECONDS=600`.
FUZZ_SECONDS ?= 12
FUZZ_TARGETS := eval_fuzz mpp_fuzz expr_fuzz list_fuzz format_scan_fuzz

fuzz-build:
	@command -v clang++ >/dev/null 2>&1 || { SUDO=""; [ "$$(id -u)" = 0 ] || SUDO=sudo; \
	  $$SUDO apt-get update -qq && $$SUDO apt-get install -y -qq clang; }
	@cmake -S . -B build-fuzz $(if $(GEN),-G Ninja) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DNUVEL_FUZZ=ON -DNUVEL_TESTS=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target $(FUZZ_TARGETS)

fuzz: fuzz-build
	@rm -rf build-fuzz/corpus && python3 fuzz/seed_corpus.py tests/scripts build-fuzz/corpus
	@for t in $(FUZZ_TARGETS); do mkdir -p build-fuzz/corpus/$$t; cp fuzz/regressions/$$t/* build-fuzz/corpus/$$t/ 2>/dev/null || true; done
	@mkdir -p build-fuzz/crashes
	@for t in $(FUZZ_TARGETS); do \
	  echo "fuzzing $$t for $(FUZZ_SECONDS) s"; \
	  ./build-fuzz/fuzz/$$t build-fuzz/corpus/$$t -max_total_time=$(FUZZ_SECONDS) \
	    -timeout=30 -rss_limit_mb=4096 -max_len=4096 -print_final_stats=1 \
	    -artifact_prefix=build-fuzz/crashes/$$t- 2>build-fuzz/$$t.log \
	    || { tail -40 build-fuzz/$$t.log; exit 1; }; \
	  grep -E 'stat::number_of_executed_units' build-fuzz/$$t.log; \
	done
	@# The corpus again through the release build's replay programs: a read past
	@# the end of a command's words can slip by the sanitizers (the words live in
	@# an inline array) yet crash an optimised build.
	@for t in $(FUZZ_TARGETS); do \
	  if [ -x build/tests/$${t}_replay ]; then \
	    build/tests/$${t}_replay build-fuzz/corpus/$$t >/dev/null 2>build-fuzz/$$t.replay.log \
	      || { echo "release replay of $$t failed"; tail -20 build-fuzz/$$t.replay.log; exit 1; }; \
	  fi; \
	done

# Installs bin/nuvel_embed and share/nuvel/nuvel.man (the help file, found
# there by `help`) under PREFIX.
PREFIX ?= /usr/local
install: build
	cmake --install build --prefix $(PREFIX)

# Regenerates the web command reference doc/commands.md from doc/nuvel.man.
reference:
	python3 doc/make_reference.py

bench: build
	./bench/run.sh

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build build-asan

# Quick start:  make demo   (build, then map the sample tree)
#               make test   (build, then run every test)
PREFIX ?= /usr/local
BUILD  ?= build
JOBS   ?= $(shell nproc 2>/dev/null || echo 4)
PACKAGES = cmake ninja-build g++ libsimdjson-dev nlohmann-json3-dev libicu-dev libgtest-dev graphviz \
           python3 bsdutils
# WERROR=ON makes every compiler warning an error, as CI builds.
WERROR ?= OFF
CONFIGURE = cmake -S . -G Ninja -DQK_WERROR=$(WERROR)

.PHONY: build test demo install deps bench fuzz asan format-check clean

# Installs the Debian packages the build needs, only when one is missing.
deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  SUDO=""; [ "$$(id -u)" -ne 0 ] && SUDO=sudo; \
	  $$SUDO apt-get update -q && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -q --no-install-recommends $$missing; \
	fi

build: deps
	$(CONFIGURE) -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Only the tool itself: configuring writes the launcher, and the tests are not built.
demo: deps
	$(CONFIGURE) -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS) --target quillon-keystone
	$(BUILD)/quillon keystone map samples/demo

# Speed and memory on large real trees; installs the benchmark crates when they are missing.
bench: build
	bash bench/run.sh $(BUILD)

asan: deps
	$(CONFIGURE) -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQK_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)
	ctest --test-dir build-asan --output-on-failure -j $(JOBS)

# Fuzzes the parsers and text functions, every target in parallel for FUZZ_SECONDS (default 30)
# each; fails on any crash, hang (an input slower than one second) or sanitizer report.
FUZZ_SECONDS ?= 30
fuzz: deps
	@$(MAKE) --no-print-directory deps PACKAGES=afl++
	FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_WERROR=$(WERROR) fuzz/run.sh

# Every tracked C++ file must be as clang-format writes it (.clang-format at the root).
format-check:
	@$(MAKE) --no-print-directory deps PACKAGES='clang-format git'
	git ls-files -z '*.cpp' '*.hpp' '*.h' '*.cc' | xargs -0 clang-format --dry-run -Werror

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) build-asan

# Thin wrapper for the README's commands.
.PHONY: all build test test-tsan bench install run clean

BUILD ?= build/release

all: build

build:
	./scripts/install-deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBOARD_BUILD_TESTS=OFF
	cmake --build $(BUILD) -j $$(nproc)

# Installs, builds and runs every test (AddressSanitizer + UBSan).
test:
	./scripts/install-deps
	./scripts/run-tests asan

# The threaded code under ThreadSanitizer.
test-tsan:
	./scripts/install-deps
	./scripts/run-tests thread

bench:
	./scripts/install-deps
	cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DBOARD_BUILD_TESTS=OFF
	cmake --build build/bench -j $$(nproc)

install: build
	cmake --install $(BUILD)

# Installs the packages, builds, installs and starts the daemon on the current
# X display; Ctrl-C (SIGINT) or SIGTERM stops it cleanly.
run:
	@test -n "$$DISPLAY" || { echo "make run: DISPLAY is not set; run it from the X session" >&2; exit 1; }
	$(MAKE) install
	"$$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' $(BUILD)/CMakeCache.txt)/bin/Tavio_Driver"

clean:
	rm -rf build

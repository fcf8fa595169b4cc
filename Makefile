# Entry points; thin wrappers over cmake and ctest.
BUILD ?= build
WINDOWS_BUILD ?= build-windows
JOBS ?= $(shell nproc)
SAMPLE_NAME ?= Qornek
SAMPLE ?= samples/sample-log.txt

.PHONY: all deps configure build run test windows-check bench bench-huge package clean

all: build

deps:
	./scripts/install-deps

configure:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The main job: the window. Without a display it says so, and the
# command-line tool runs Get Log on the bundled sample log instead.
run: deps build
	$(BUILD)/src/qorn || $(BUILD)/src/qorn-cli --home $(BUILD) getlog $(SAMPLE) --name $(SAMPLE_NAME)

test: deps build windows-check
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The core and qorn-cli compiled for Windows with mingw-w64, warnings as
# errors, and the platform layer's tests built for Windows and run under Wine.
windows-check: deps
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	  -DQORN_WINDOWS_CHECK=ON -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)
	cd $(WINDOWS_BUILD) && ctest --output-on-failure

bench: deps build
	./bench/run

# Opt-in, not in CI: Get Log and Get Previous of a 20 GiB raid log (made once
# in bench-data/), time and peak memory.
bench-huge: deps build
	SIZE=20G ./bench/getlog-shapes realistic

# A Debian package of the programs as they install under /usr, left here for
# `apt install ./qorn_*.deb`.
package: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr
	rm -f qorn_*.deb $(BUILD)/qorn_*.deb
	cmake --build $(BUILD) -j $(JOBS) --target deb
	cp $(BUILD)/qorn_*.deb .

clean:
	rm -rf $(BUILD) $(WINDOWS_BUILD)

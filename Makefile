# Entry points; thin wrappers over cmake and ctest.
BUILD ?= build
JOBS ?= $(shell nproc)
SAMPLE_NAME ?= Qornek
SAMPLE ?= samples/sample-log.txt

.PHONY: all deps configure build run test bench clean

all: build

deps:
	./scripts/install-deps

configure:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The main job: the command-line tool on the bundled sample log.
run: deps build
	$(BUILD)/src/qorn-cli parse $(SAMPLE) --name $(SAMPLE_NAME) --summary

test: deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: deps build
	./bench/run

clean:
	rm -rf $(BUILD)

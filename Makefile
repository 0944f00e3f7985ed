# Entry points: make (build everything), make test, make run, make bench, make clean.
# BUILD may name another build root, so that several trees can live side by side.
MAKEFLAGS += --no-print-directory
BUILD ?= build
JOBS  ?= $(shell nproc)
ROOT  := $(abspath $(BUILD))
HOST  := $(ROOT)/host
WIN64 := $(ROOT)/win64
WIN32 := $(ROOT)/win32
PAYLOAD_DIR := $(ROOT)/payload
CMAKE_COMMON := -DPARVELA_PAYLOAD_DIR=$(PAYLOAD_DIR)

.PHONY: all bootstrap host win64 win32 test run bench clean

all: host win64 win32

bootstrap:
	@scripts/bootstrap

host: bootstrap
	@cmake -S . -B $(HOST) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
	    -DCMAKE_CXX_COMPILER=clang++ $(CMAKE_COMMON) >/dev/null
	@cmake --build $(HOST) -j$(JOBS)

win64: host
	@cmake -S . -B $(WIN64) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64.cmake \
	    -DCMAKE_BUILD_TYPE=Release -DPARVELA_MKPAYLOAD=$(HOST)/bin/mkpayload $(CMAKE_COMMON) >/dev/null
	@cmake --build $(WIN64) -j$(JOBS)

# The 32-bit tree builds the program only, so that it keeps compiling.
win32: host
	@cmake -S . -B $(WIN32) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686.cmake \
	    -DCMAKE_BUILD_TYPE=Release -DPARVELA_PROGRAM_ONLY=ON \
	    -DPARVELA_MKPAYLOAD=$(HOST)/bin/mkpayload -DPARVELA_PAYLOAD_DIR=$(ROOT)/payload32 >/dev/null
	@cmake --build $(WIN32) -j$(JOBS)

test: all
	@scripts/run-tests $(ROOT)

run: all
	@scripts/run $(ROOT)

bench: host win64
	@scripts/run-bench $(ROOT)

clean:
	@[ -d $(WIN64) ] && scripts/wine-down $(WIN64) || true
	rm -rf $(ROOT)

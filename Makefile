# Entry points: make (build everything), make test, make run, make bench, make clean,
# make setup (a setup program from a release folder; see README).
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
# Where `make setup` packs a release folder's payload for the Windows trees.
RELEASE_PAYLOAD := -DPARVELA_RELEASE_PAYLOAD=$(ROOT)/release.payload

.PHONY: all bootstrap host win64 win32 host-config win64-config win32-config test run bench setup clean

all: host win64 win32

bootstrap:
	@scripts/bootstrap

host: host-config
	@cmake --build $(HOST) -j$(JOBS)

host-config: bootstrap
	@cmake -S . -B $(HOST) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
	    -DCMAKE_CXX_COMPILER=clang++ $(CMAKE_COMMON) >/dev/null

win64: host win64-config
	@cmake --build $(WIN64) -j$(JOBS)

win64-config: host-config
	@cmake -S . -B $(WIN64) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64.cmake \
	    -DCMAKE_BUILD_TYPE=Release -DPARVELA_MKPAYLOAD=$(HOST)/bin/mkpayload $(CMAKE_COMMON) \
	    $(RELEASE_PAYLOAD) >/dev/null

# The 32-bit tree builds the program only, so that it keeps compiling.
win32: host win32-config
	@cmake --build $(WIN32) -j$(JOBS)

win32-config: host-config
	@cmake -S . -B $(WIN32) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686.cmake \
	    -DCMAKE_BUILD_TYPE=Release -DPARVELA_PROGRAM_ONLY=ON \
	    -DPARVELA_MKPAYLOAD=$(HOST)/bin/mkpayload -DPARVELA_PAYLOAD_DIR=$(ROOT)/payload32 \
	    $(RELEASE_PAYLOAD) >/dev/null

test: all
	@scripts/run-tests $(ROOT)

run: all
	@scripts/run $(ROOT)

bench: host win64
	@scripts/run-bench $(ROOT)

# make setup RELEASE=DIR [OUT=DIR] [SIGN_CERT=FILE SIGN_KEY=FILE [SIGN_TS=URL]] [MANIFEST_URL=URL]:
# both setup programs around a payload packed from DIR (the demo's without
# RELEASE), into OUT/win64 and OUT/win32, signed when a certificate is given,
# and their package manifest into OUT/winget.
# Only the program and the payload builder are built, not the tests.
OUT ?= $(ROOT)/setup
setup: host-config win64-config win32-config
	@RELEASE="$(RELEASE)" SIGN_CERT="$(SIGN_CERT)" SIGN_KEY="$(SIGN_KEY)" SIGN_TS="$(SIGN_TS)" \
	    MANIFEST_URL="$(MANIFEST_URL)" JOBS=$(JOBS) scripts/make-setup $(ROOT) "$(OUT)"

clean:
	@[ -d $(WIN64) ] && scripts/wine-down $(WIN64) || true
	rm -rf $(ROOT)

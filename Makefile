# The two commands: `make run` builds tavrel.exe and shows the eyes;
# `make test` builds everything and runs every test. Both install what they
# need first, when it is missing.

.PHONY: all deps build build-host build-win32 test run bench demo clean

all: build

deps:
	@scripts/ensure-deps.sh

build-host: deps
	cmake --preset host >/dev/null
	cmake --build --preset host

build-win32: deps
	cmake --preset win32 >/dev/null
	cmake --build --preset win32

build: build-host build-win32

test: build
	ctest --preset host
	scripts/with-wine.sh ctest --preset win32

run: build-win32
	scripts/run.sh

bench: build-win32
	scripts/with-wine.sh scripts/wine-as-tester.sh build/win32/bin/eye_bench.exe

clean:
	rm -rf build

# The two commands: `make run` builds tavrel.exe and shows the eyes;
# `make test` builds everything and runs every test. Both install what they
# need first, when it is missing. Besides these: `make bench` measures,
# `make fuzz` and `make soak` run the long checks, `make dist` packs the
# downloads and `make dist-check` builds them twice to show that the same
# commit gives the same bytes.

.PHONY: all deps build build-host build-win32 build-win64 build-fuzz test fuzz soak run bench dist dist-check clean

all: build

deps:
	@scripts/ensure-deps.sh

build-host: deps
	cmake --preset host >/dev/null
	cmake --build --preset host

build-win32: deps
	cmake --preset win32 >/dev/null
	cmake --build --preset win32

build-win64: deps
	cmake --preset win64 >/dev/null
	cmake --build --preset win64

build-fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz

build: build-host build-win32 build-win64 build-fuzz

test:
	@scripts/test.sh

fuzz: build-fuzz
	@scripts/fuzz.sh

soak: build-win32 build-win64
	@scripts/soak.sh

run: build-win32 build-win64
	@scripts/run.sh

bench: build-win32 build-win64
	@scripts/bench.sh

dist: deps
	@scripts/dist.sh

dist-check: deps
	@tests/dist/reproducible_test.sh

clean:
	rm -rf build dist

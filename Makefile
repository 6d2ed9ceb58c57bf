# Two entry points for a fresh Debian machine: `make run` and `make test`.
.PHONY: run test build clean format

run:
	@scripts/run

test:
	@scripts/test

build:
	@scripts/setup
	@scripts/build

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build build-asan build-fuzz

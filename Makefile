# Front door: `make run` builds the tool and runs it under Wine; `make test` builds everything and
# runs every test; `make exe` builds the exe alone and prints its path last; `make size` prints what
# the exe is made of and checks its imports and loader flags; `make bench` prints the tool's
# memory and start at 100 % and 200 % beside a minimal host; `make dist` builds both exes and
# writes the zips to publish with their checksums under build/dist (signed when given a certificate:
# make dist SIGN_PKCS12=cert.p12 SIGN_PASSWORD_FILE=password.txt [SIGN_TIMESTAMP_URL=http://...]).
BUILD ?= build
JOBS ?= $(shell nproc)
WIN64 = -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
WIN32 = -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
export SIGN_PKCS12 SIGN_PASSWORD_FILE SIGN_TIMESTAMP_URL

.PHONY: deps exe size bench run dist test fuzz clean

deps:
	@tools/install-deps

exe: deps
	@cmake -S . -B $(BUILD)/win64 -G Ninja $(WIN64) -DCMAKE_BUILD_TYPE=Release -DQV_UNIT_TESTS=OFF >/dev/null
	@cmake --build $(BUILD)/win64 --target QuilVara -j $(JOBS)
	@echo $(abspath $(BUILD)/win64/app/QuilVara.exe)

size: exe
	@tools/exe-report $(abspath $(BUILD)/win64/app/QuilVara.exe)

bench: exe
	@cmake --build $(BUILD)/win64 --target qv_probe bench_skin_memory -j $(JOBS)
	@tools/bench-memory --build $(abspath $(BUILD)/win64)

run: exe
	@tools/run-tool $(abspath $(BUILD)/win64/app/QuilVara.exe)

dist: exe
	@cmake -S . -B $(BUILD)/win32 -G Ninja $(WIN32) -DCMAKE_BUILD_TYPE=Release -DQV_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(BUILD)/win32 --target QuilVara -j $(JOBS)
	@tools/pack-dist $(BUILD)/dist $(BUILD)/win64/app/QuilVara.exe $(BUILD)/win32/app/QuilVara.exe

test: deps
	@tools/test-all $(BUILD)

fuzz: deps
	@tools/fuzz-attributes $(BUILD)

clean:
	rm -rf $(BUILD)
